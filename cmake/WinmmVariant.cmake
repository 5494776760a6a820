# On Windows the port layer, and what builds on it, exist twice: as the program has them, on the
# system's MIDI services (winmm), and as the test programs have them, on the emulation with the
# simulated transport. add_winmm_variant(<target>) makes <target>_winmm: the same sources built
# with MIDI_SERVICES_WINMM, linked to winmm (delay-loaded) instead of the emulation, and to the
# _winmm variant of every library it links that has one.
#
# winmm is not one of the system's known DLLs: the loader would look for it in the program's folder
# before the system's, and the zip's program runs from any folder. So the variants link it
# delay-loaded (winmm_delayloaded): it is loaded at the first MIDI call, after the program has
# limited where DLLs come from to the system folder (app/win32/main.cpp). The import library of
# the functions the port layer calls is made here; a function missing from the list below fails
# the link as an undefined __imp_ symbol.
set(WINMM_FUNCTIONS
  midiInAddBuffer midiInClose midiInGetDevCapsA midiInGetErrorTextA midiInGetNumDevs midiInOpen
  midiInPrepareHeader midiInReset midiInStart midiInStop midiInUnprepareHeader
  midiOutClose midiOutGetDevCapsA midiOutGetErrorTextA midiOutGetNumDevs midiOutLongMsg midiOutOpen
  midiOutPrepareHeader midiOutReset midiOutShortMsg midiOutUnprepareHeader)
set(winmm_definitions ${PROJECT_BINARY_DIR}/winmm-delayloaded.def)
set(winmm_delay_library ${PROJECT_BINARY_DIR}/libwinmm-delayloaded.a)
list(JOIN WINMM_FUNCTIONS "\n" winmm_exports)
file(GENERATE OUTPUT ${winmm_definitions} CONTENT "LIBRARY winmm.dll\nEXPORTS\n${winmm_exports}\n")
add_custom_command(OUTPUT ${winmm_delay_library}
  COMMAND ${CMAKE_DLLTOOL} --input-def ${winmm_definitions} --dllname winmm.dll --output-delaylib ${winmm_delay_library}
  DEPENDS ${winmm_definitions}
  COMMENT "Making the delay-load import library of winmm"
  VERBATIM)
add_custom_target(winmm_delay_library DEPENDS ${winmm_delay_library})
add_library(winmm_delayloaded INTERFACE)
target_link_libraries(winmm_delayloaded INTERFACE ${winmm_delay_library})
add_dependencies(winmm_delayloaded winmm_delay_library)

function(add_winmm_variant name)
  get_target_property(sources ${name} SOURCES)
  get_target_property(links ${name} LINK_LIBRARIES)
  get_target_property(includes ${name} INCLUDE_DIRECTORIES)
  set(variant_links winmm_delayloaded)
  foreach(link IN LISTS links)
    if(link STREQUAL "midi_platform")
      continue()
    elseif(TARGET ${link}_winmm)
      list(APPEND variant_links ${link}_winmm)
    else()
      list(APPEND variant_links ${link})
    endif()
  endforeach()
  add_library(${name}_winmm STATIC ${sources})
  target_compile_definitions(${name}_winmm PUBLIC MIDI_SERVICES_WINMM)
  target_link_libraries(${name}_winmm PUBLIC ${variant_links})
  if(includes)
    target_include_directories(${name}_winmm PUBLIC ${includes})
  endif()
endfunction()
