# On Windows the port layer, and what builds on it, exist twice: as the program has them, on the
# system's MIDI services (winmm), and as the test programs have them, on the emulation with the
# simulated transport. add_winmm_variant(<target>) makes <target>_winmm: the same sources built
# with MIDI_SERVICES_WINMM, linked to winmm instead of the emulation, and to the _winmm variant of
# every library it links that has one.
function(add_winmm_variant name)
  get_target_property(sources ${name} SOURCES)
  get_target_property(links ${name} LINK_LIBRARIES)
  get_target_property(includes ${name} INCLUDE_DIRECTORIES)
  set(variant_links winmm)
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
