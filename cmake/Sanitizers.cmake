# With QZT_SANITIZE every target is built and linked with ASan and UBSan, and
# any UBSan report ends the process so a test cannot pass over it.
if(QZT_SANITIZE)
  add_compile_options(-fsanitize=address,undefined -fno-sanitize-recover=all
                      -fno-omit-frame-pointer)
  add_link_options(-fsanitize=address,undefined -fno-sanitize-recover=all)
endif()
