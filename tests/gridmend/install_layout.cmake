# Installs the build tree into a scratch prefix and checks that the form type editor lies in the
# program directory beside sheaver (where the edit button starts it), with a command on the
# search path and a desktop entry naming its installed path.
#   cmake -DBUILD_DIR=<build tree> -DPREFIX=<scratch prefix> -P install_layout.cmake
file(REMOVE_RECURSE "${PREFIX}")
execute_process(COMMAND "${CMAKE_COMMAND}" --install "${BUILD_DIR}" --prefix "${PREFIX}"
                RESULT_VARIABLE status OUTPUT_VARIABLE output ERROR_VARIABLE output)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "cmake --install failed (${status}):\n${output}")
endif()

set(program_dir "${PREFIX}/lib/sheaver")
foreach(program sheaver Gridmend)
  if(NOT EXISTS "${program_dir}/${program}" OR IS_DIRECTORY "${program_dir}/${program}")
    message(FATAL_ERROR "${program} is not installed in ${program_dir}")
  endif()
endforeach()
if(NOT EXISTS "${program_dir}/Help/gridmend.png")
  message(FATAL_ERROR "the user guide's picture of Gridmend is not installed")
endif()
file(READ_SYMLINK "${PREFIX}/bin/gridmend" link)
if(NOT link STREQUAL "../lib/sheaver/Gridmend")
  message(FATAL_ERROR "bin/gridmend points to '${link}', not to ../lib/sheaver/Gridmend")
endif()
file(READ "${PREFIX}/share/applications/gridmend.desktop" entry)
if(NOT entry MATCHES "\nExec=${PREFIX}/lib/sheaver/Gridmend %f\n")
  message(FATAL_ERROR "the desktop entry does not start ${program_dir}/Gridmend:\n${entry}")
endif()
file(REMOVE_RECURSE "${PREFIX}")
message(STATUS "Gridmend is installed beside sheaver in ${program_dir}")
