# Warnings are errors on both toolchains; third-party code never sees these flags.
add_library(keldo_warnings INTERFACE)
target_compile_options(keldo_warnings INTERFACE
  -Wall -Wextra -Wpedantic -Werror
  -Wshadow -Wnon-virtual-dtor -Woverloaded-virtual -Wcast-align
  -Wunused -Wmissing-declarations -Wimplicit-fallthrough)
