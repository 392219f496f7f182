# KORVANE_SANITIZE: every target of this build under AddressSanitizer (with LeakSanitizer) and
# UndefinedBehaviorSanitizer, any undefined behaviour fatal. tests/sanitizers/run.sh configures
# such a build beside the normal one and runs its in-process tests.
if(NOT CMAKE_CXX_COMPILER_ID MATCHES "Clang")
  message(FATAL_ERROR "KORVANE_SANITIZE needs clang (CC=clang CXX=clang++)")
endif()
set(_korvane_sanitize -fsanitize=address,undefined -fno-sanitize-recover=undefined)
add_compile_options(${_korvane_sanitize} -fno-omit-frame-pointer)
add_link_options(${_korvane_sanitize})
