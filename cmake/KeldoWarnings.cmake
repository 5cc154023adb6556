# Warnings are errors on both toolchains; third-party code never sees these flags.
add_library(keldo_warnings INTERFACE)
target_compile_options(keldo_warnings INTERFACE
  -Wall -Wextra -Wpedantic -Werror
  -Wshadow -Wnon-virtual-dtor -Woverloaded-virtual -Wcast-align
  -Wunused -Wmissing-declarations -Wimplicit-fallthrough)
# GCC 12 reports -Wrestrict falsely inside std::string concatenation at -O2 and
# above (fixed in GCC 13); the warning stays on everywhere else.
if(CMAKE_CXX_COMPILER_ID STREQUAL "GNU" AND CMAKE_CXX_COMPILER_VERSION VERSION_LESS 13)
  target_compile_options(keldo_warnings INTERFACE -Wno-restrict)
endif()
