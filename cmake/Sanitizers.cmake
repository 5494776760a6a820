# SANITIZE=address,undefined or SANITIZE=thread builds everything with those sanitizers; .ci/run
# uses both in build folders of their own.
set(SANITIZE "" CACHE STRING "Comma-separated sanitizers to build with (address, undefined, thread)")

if(SANITIZE)
  add_compile_options(-fsanitize=${SANITIZE} -fno-omit-frame-pointer -fno-sanitize-recover=all)
  add_link_options(-fsanitize=${SANITIZE})
endif()
