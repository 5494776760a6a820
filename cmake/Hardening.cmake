# What every program of the build is hardened with, as a distribution builds what it ships.
# Linux: the stack protector on functions with arrays or addresses of locals, glibc's checked
# string and memory functions (_FORTIFY_SOURCE, which needs the optimiser, and stays out of the
# sanitizer builds, whose interceptors it bypasses), and the relocations read-only, all bound at
# start (full RELRO). Debian's compiler makes position-independent programs already.
# Windows: the stack protector (mingw-w64 links its guard from libssp); where winmm is loaded
# from is the program's own business (cmake/WinmmVariant.cmake, app/win32/main.cpp).
add_compile_options(-fstack-protector-strong)
if(WIN32)
  add_link_options(-fstack-protector-strong)
  return()
endif()

if(NOT SANITIZE)
  add_compile_options($<$<NOT:$<CONFIG:Debug>>:-U_FORTIFY_SOURCE> $<$<NOT:$<CONFIG:Debug>>:-D_FORTIFY_SOURCE=2>)
endif()
add_link_options(LINKER:-z,relro LINKER:-z,now)
