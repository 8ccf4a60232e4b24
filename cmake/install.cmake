# Installs the library, its headers, a pkg-config file and a CMake package.
include(CMakePackageConfigHelpers)

install(TARGETS tactus EXPORT tactusTargets
  ARCHIVE DESTINATION ${CMAKE_INSTALL_LIBDIR} COMPONENT library
  LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR} COMPONENT library
  RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR} COMPONENT library)
install(DIRECTORY ${PROJECT_SOURCE_DIR}/include/tactus DESTINATION ${CMAKE_INSTALL_INCLUDEDIR}
  COMPONENT library)

install(EXPORT tactusTargets NAMESPACE tactus:: DESTINATION ${CMAKE_INSTALL_LIBDIR}/cmake/tactus
  COMPONENT library)
configure_package_config_file(${PROJECT_SOURCE_DIR}/cmake/tactusConfig.cmake.in
  ${PROJECT_BINARY_DIR}/tactusConfig.cmake INSTALL_DESTINATION ${CMAKE_INSTALL_LIBDIR}/cmake/tactus)
write_basic_package_version_file(${PROJECT_BINARY_DIR}/tactusConfigVersion.cmake
  COMPATIBILITY SameMinorVersion)
install(FILES ${PROJECT_BINARY_DIR}/tactusConfig.cmake ${PROJECT_BINARY_DIR}/tactusConfigVersion.cmake
  DESTINATION ${CMAKE_INSTALL_LIBDIR}/cmake/tactus COMPONENT library)

if(BUILD_SHARED_LIBS)
  set(TACTUS_PC_CFLAGS "-DTACTUS_SHARED")
else()
  set(TACTUS_PC_CFLAGS "")
endif()
# The prefix is found from the .pc file's own place, so the installed tree
# can be moved (and installed with --prefix) without rewriting it.
file(RELATIVE_PATH TACTUS_PC_PREFIX_FROM_PCFILEDIR /${CMAKE_INSTALL_LIBDIR}/pkgconfig /)
string(REGEX REPLACE "/$" "" TACTUS_PC_PREFIX_FROM_PCFILEDIR "${TACTUS_PC_PREFIX_FROM_PCFILEDIR}")
configure_file(${PROJECT_SOURCE_DIR}/cmake/tactus.pc.in ${PROJECT_BINARY_DIR}/tactus.pc @ONLY)
install(FILES ${PROJECT_BINARY_DIR}/tactus.pc DESTINATION ${CMAKE_INSTALL_LIBDIR}/pkgconfig COMPONENT library)
