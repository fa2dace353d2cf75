# Installs the build tree into a scratch prefix and checks the installed layout: both window
# programs and the tool in bin (the edit button starts Gridmend from sheaver's folder), their
# files in share/sheaver, and desktop entries that name the installed programs and take a file.
#   cmake -DBUILD_DIR=<build tree> -DPREFIX=<scratch prefix> -P install_layout.cmake
file(REMOVE_RECURSE "${PREFIX}")
execute_process(COMMAND "${CMAKE_COMMAND}" --install "${BUILD_DIR}" --prefix "${PREFIX}"
                RESULT_VARIABLE status OUTPUT_VARIABLE output ERROR_VARIABLE output)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "cmake --install failed (${status}):\n${output}")
endif()

foreach(program sheaver Gridmend sheaver-cli)
  if(NOT EXISTS "${PREFIX}/bin/${program}" OR IS_DIRECTORY "${PREFIX}/bin/${program}")
    message(FATAL_ERROR "${program} is not installed in ${PREFIX}/bin")
  endif()
endforeach()
foreach(file Help/index.html Help/gridmend.png FormTypes/Timesheet.dat Settings/Example.set
             examples/forms examples/Settings/Example.set)
  if(NOT EXISTS "${PREFIX}/share/sheaver/${file}")
    message(FATAL_ERROR "${file} is not installed in ${PREFIX}/share/sheaver")
  endif()
endforeach()
foreach(file share/man/man1/sheaver-cli.1 share/bash-completion/completions/sheaver-cli
             share/mime/packages/sheaver.xml share/metainfo/org.sheaver.Sheaver.metainfo.xml
             share/doc/sheaver/LICENSE lib/systemd/user/sheaver-watch@.service)
  if(NOT EXISTS "${PREFIX}/${file}")
    message(FATAL_ERROR "${file} is not installed")
  endif()
endforeach()
file(READ "${PREFIX}/share/applications/gridmend.desktop" entry)
if(NOT entry MATCHES "\nExec=${PREFIX}/bin/Gridmend %f\n")
  message(FATAL_ERROR "the desktop entry does not start ${PREFIX}/bin/Gridmend:\n${entry}")
endif()
file(READ "${PREFIX}/share/applications/sheaver.desktop" entry)
if(NOT entry MATCHES "\nExec=${PREFIX}/bin/sheaver %f\n")
  message(FATAL_ERROR "the desktop entry does not start ${PREFIX}/bin/sheaver:\n${entry}")
endif()
file(REMOVE_RECURSE "${PREFIX}")
message(STATUS "installed in the file-system hierarchy below ${PREFIX}")
