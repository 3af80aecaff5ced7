# Installs the build into a scratch prefix and checks what lands where, then
# runs the installed command-line tool on the installed default image with a
# scratch home: the installed program must find its data files by itself.
# cmake -DBUILD_DIR=... -DSTAGE=... -P InstallTest.cmake
file(REMOVE_RECURSE "${STAGE}")
execute_process(COMMAND ${CMAKE_COMMAND} --install "${BUILD_DIR}" --prefix "${STAGE}/usr"
                RESULT_VARIABLE rc OUTPUT_QUIET)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "install failed: ${rc}")
endif()

if(GUI)
  set(window usr/bin/qzt-programmer)
endif()
foreach(path
    ${window}
    usr/bin/qzt
    usr/share/qzt-programmer/Values.i
    usr/share/qzt-programmer/Default.b
    usr/share/qzt-programmer/About.ini
    usr/share/applications/qzt-programmer.desktop
    usr/share/icons/hicolor/scalable/apps/qzt-programmer.svg
    usr/share/man/man1/qzt.1
    usr/share/man/man1/qzt-programmer.1
    usr/lib/udev/rules.d/60-qzt-kvd.rules)
  if(NOT EXISTS "${STAGE}/${path}")
    message(FATAL_ERROR "not installed: ${path}")
  endif()
endforeach()

# The about box's picture is compiled into the program.
if(EXISTS "${STAGE}/usr/share/qzt-programmer/qzt-unit.jpg")
  message(FATAL_ERROR "installed, though compiled in: qzt-unit.jpg")
endif()

execute_process(COMMAND "${STAGE}/usr/bin/qzt" --version
                OUTPUT_VARIABLE version RESULT_VARIABLE rc)
if(NOT rc EQUAL 0 OR NOT version MATCHES "^[0-9]+\\.[0-9]+\\.[0-9]+\\.[0-9]+\n$")
  message(FATAL_ERROR "qzt --version: ${rc} '${version}'")
endif()

file(MAKE_DIRECTORY "${STAGE}/home")
execute_process(
  COMMAND ${CMAKE_COMMAND} -E env HOME=${STAGE}/home --unset=XDG_DATA_HOME --unset=XDG_CONFIG_HOME
          "${STAGE}/usr/bin/qzt" info "${STAGE}/usr/share/qzt-programmer/Default.b"
  OUTPUT_VARIABLE info ERROR_VARIABLE messages RESULT_VARIABLE rc)
# Default.b has a .b extension: info loads it as File > Open would.
if(NOT rc EQUAL 0 OR NOT info MATCHES "cbbxDaylightSavingTimeRegion: Central Europe")
  message(FATAL_ERROR "qzt info on the installed data: ${rc}\n${info}\n${messages}")
endif()
if(NOT EXISTS "${STAGE}/home/.local/share/ORVI/QZT Programmer (EN)/Values.ini")
  message(FATAL_ERROR "the installed program did not provision Values.ini")
endif()
file(REMOVE_RECURSE "${STAGE}")
message(STATUS "1 passed, 0 failed")
