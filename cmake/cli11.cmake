# vek_find_cli11(): the target CLI11::CLI11 in the calling directory. CLI11,
# the header-only flag parser of veksim and vekctl, is a build dependency
# (Debian: libcli11-dev). A cross build takes just its headers: its package
# would put the build machine's /usr/include on the cross compiler's path.
function(vek_find_cli11)
  if(TARGET CLI11::CLI11)
    return()
  endif()
  if(CMAKE_CROSSCOMPILING)
    find_path(CLI11_HEADERS CLI/CLI.hpp PATHS /usr/include NO_CMAKE_FIND_ROOT_PATH REQUIRED)
    file(COPY ${CLI11_HEADERS}/CLI DESTINATION ${CMAKE_CURRENT_BINARY_DIR}/cli11)
    add_library(CLI11::CLI11 INTERFACE IMPORTED)
    target_include_directories(CLI11::CLI11 INTERFACE ${CMAKE_CURRENT_BINARY_DIR}/cli11)
    return()
  endif()
  find_package(CLI11 CONFIG QUIET)
  if(NOT CLI11_FOUND)
    message(FATAL_ERROR "veksim and vekctl need CLI11 (Debian: libcli11-dev); install it, or configure with "
                        "-DVEK_BUILD_TOOLS=OFF to build the library alone")
  endif()
endfunction()
