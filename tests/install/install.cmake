# The installed header, library, pkg-config file and CMake package work for a
# program outside the tree.
if(TACTUS_BUILD_EXAMPLES AND NOT CMAKE_CROSSCOMPILING AND NOT TACTUS_SANITIZE)
  add_test(NAME install.pkg_config_and_cmake_package
    COMMAND ${CMAKE_CURRENT_SOURCE_DIR}/install/check_install.sh ${PROJECT_SOURCE_DIR} ${PROJECT_BINARY_DIR})
endif()
