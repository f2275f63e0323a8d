# Run by cpack once the files are in place, before it packs them (CPACK_PRE_BUILD_SCRIPTS): takes
# the compilers' notes (.comment) out of the programs, as Debian's own packaging tools do. They
# name the compiler that built each object and serve nothing at run time.
find_program(VK_OBJCOPY objcopy REQUIRED)
file(GLOB_RECURSE programs LIST_DIRECTORIES false
     "${CPACK_TEMPORARY_INSTALL_DIRECTORY}/usr/bin/*"
     "${CPACK_TEMPORARY_INSTALL_DIRECTORY}/usr/libexec/*")
foreach(program IN LISTS programs)
    execute_process(COMMAND "${VK_OBJCOPY}" --remove-section=.comment "${program}"
                    RESULT_VARIABLE status)
    if(NOT status EQUAL 0)
        message(FATAL_ERROR "objcopy could not take the notes out of ${program}")
    endif()
endforeach()
