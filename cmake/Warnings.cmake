# qzt_warnings: the warning set every target of the project is built with.
add_library(qzt_warnings INTERFACE)
target_compile_options(qzt_warnings INTERFACE
  -Wall -Wextra -Wpedantic -Wshadow -Wnon-virtual-dtor -Wcast-align
  -Wunused -Woverloaded-virtual -Wnull-dereference -Wimplicit-fallthrough
  -Wformat=2)
