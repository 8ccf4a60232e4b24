# Installs the library, its headers, a pkg-config file and a CMake package.
include(CMakePackageConfigHelpers)

install(TARGETS tactus EXPORT tactusTargets
  ARCHIVE DESTINATION ${CMAKE_INSTALL_LIBDIR}
  LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR}
  RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(DIRECTORY ${PROJECT_SOURCE_DIR}/include/tactus DESTINATION ${CMAKE_INSTALL_INCLUDEDIR})

install(EXPORT tactusTargets NAMESPACE tactus:: DESTINATION ${CMAKE_INSTALL_LIBDIR}/cmake/tactus)
configure_package_config_file(${PROJECT_SOURCE_DIR}/cmake/tactusConfig.cmake.in
  ${PROJECT_BINARY_DIR}/tactusConfig.cmake INSTALL_DESTINATION ${CMAKE_INSTALL_LIBDIR}/cmake/tactus)
write_basic_package_version_file(${PROJECT_BINARY_DIR}/tactusConfigVersion.cmake
  COMPATIBILITY SameMinorVersion)
install(FILES ${PROJECT_BINARY_DIR}/tactusConfig.cmake ${PROJECT_BINARY_DIR}/tactusConfigVersion.cmake
  DESTINATION ${CMAKE_INSTALL_LIBDIR}/cmake/tactus)

if(BUILD_SHARED_LIBS)
  set(TACTUS_PC_CFLAGS "-DTACTUS_SHARED")
else()
  set(TACTUS_PC_CFLAGS "")
endif()
configure_file(${PROJECT_SOURCE_DIR}/cmake/tactus.pc.in ${PROJECT_BINARY_DIR}/tactus.pc @ONLY)
install(FILES ${PROJECT_BINARY_DIR}/tactus.pc DESTINATION ${CMAKE_INSTALL_LIBDIR}/pkgconfig)
