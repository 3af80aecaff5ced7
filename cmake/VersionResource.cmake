# qzt_add_version_resource(<target>): on Windows, compiles the version
# resource (FileDescription, FileVersion, Comments) into the program, from
# the same numbers and texts as core/Version.h. Nothing elsewhere.
function(qzt_add_version_resource target)
  if(NOT WIN32)
    return()
  endif()
  string(REPLACE "." "," QZT_RC_VERSION "${PROJECT_VERSION}")
  set(QZT_RC_NAME ${target})
  set(QZT_RC_FILENAME ${target}.exe)
  get_directory_property(QZT_FILE_DESCRIPTION DIRECTORY ${PROJECT_SOURCE_DIR}/src/core
                         DEFINITION QZT_FILE_DESCRIPTION)
  get_directory_property(QZT_COMMENTS DIRECTORY ${PROJECT_SOURCE_DIR}/src/core
                         DEFINITION QZT_COMMENTS)
  set(output ${CMAKE_CURRENT_BINARY_DIR}/${target}-version.rc)
  configure_file(${PROJECT_SOURCE_DIR}/resources/windows/version.rc.in ${output} @ONLY)
  target_sources(${target} PRIVATE ${output})
endfunction()
