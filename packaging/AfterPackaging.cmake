# Run by cpack after it has made the packages (CPACK_POST_BUILD_SCRIPTS): mends the debug symbols'
# package, in which this cpack lists each file's checksum under the path it was packed from, and
# which has no copyright or changelog of its own. The checksums are made again with the paths
# inside the package, and its documentation folder becomes a link to the program's, as
# debhelper makes it (the package depends on that very version of the program's).
find_program(VK_DPKG_DEB dpkg-deb REQUIRED)
foreach(package IN LISTS CPACK_PACKAGE_FILES)
    if(NOT package MATCHES "-dbgsym_.*\\.ddeb$")
        continue()
    endif()
    set(tree "${CPACK_PACKAGE_DIRECTORY}/_CPack_Packages/dbgsym-mended")
    file(REMOVE_RECURSE "${tree}")
    execute_process(COMMAND "${VK_DPKG_DEB}" --raw-extract "${package}" "${tree}"
                    COMMAND_ERROR_IS_FATAL ANY)

    file(GLOB_RECURSE files LIST_DIRECTORIES false RELATIVE "${tree}" "${tree}/usr/*")
    list(SORT files)
    set(sums "")
    foreach(file IN LISTS files)
        file(MD5 "${tree}/${file}" sum)
        string(APPEND sums "${sum}  ${file}\n")
    endforeach()
    file(WRITE "${tree}/DEBIAN/md5sums" "${sums}")

    file(MAKE_DIRECTORY "${tree}/usr/share/doc")
    file(CREATE_LINK "${CPACK_PACKAGE_NAME}"
         "${tree}/usr/share/doc/${CPACK_PACKAGE_NAME}-dbgsym" SYMBOLIC)

    execute_process(COMMAND "${VK_DPKG_DEB}" --root-owner-group --build "${tree}" "${package}"
                    OUTPUT_QUIET COMMAND_ERROR_IS_FATAL ANY)
    file(REMOVE_RECURSE "${tree}")
endforeach()
