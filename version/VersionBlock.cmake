# The version block each executable carries in its ".vk_version" section: FileVersion is
# "<project version>.<build number>", the build number being the count of commits at configure
# time (0 without git). The About window shows "Build <build number>" read from the program's
# own file.

find_package(Git QUIET)
set(VK_BUILD_NUMBER 0)
if(GIT_EXECUTABLE)
    execute_process(COMMAND ${GIT_EXECUTABLE} rev-list --count HEAD
                    WORKING_DIRECTORY ${PROJECT_SOURCE_DIR}
                    OUTPUT_VARIABLE commits OUTPUT_STRIP_TRAILING_WHITESPACE
                    RESULT_VARIABLE result ERROR_QUIET)
    if(result EQUAL 0 AND commits MATCHES "^[0-9]+$")
        set(VK_BUILD_NUMBER ${commits})
    endif()
endif()
set(VK_FILE_VERSION "${PROJECT_VERSION}.${VK_BUILD_NUMBER}")

add_executable(vk-version-block ${CMAKE_CURRENT_LIST_DIR}/WriteVersionBlock.cpp)
target_link_libraries(vk-version-block PRIVATE vk_version_block)
vk_strict(vk-version-block)

if(CMAKE_BUILD_TYPE STREQUAL "Debug")
    set(VK_DEBUG_BUILD 1)
else()
    set(VK_DEBUG_BUILD 0)
endif()

# Compiles the block into Target itself (not through a library, where the linker could leave it).
function(vk_embed_version target description)
    set(source ${CMAKE_CURRENT_BINARY_DIR}/${target}_version_block.cpp)
    add_custom_command(
        OUTPUT ${source}
        COMMAND vk-version-block ${source} ${PROJECT_VERSION} ${VK_BUILD_NUMBER} ${VK_DEBUG_BUILD}
                "${description}" ${target}
        DEPENDS vk-version-block
        COMMENT "Version block of ${target}: ${PROJECT_VERSION}.${VK_BUILD_NUMBER}"
        VERBATIM)
    target_sources(${target} PRIVATE ${source})
endfunction()
