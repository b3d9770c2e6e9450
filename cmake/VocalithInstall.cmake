include(CMakePackageConfigHelpers)

install(TARGETS vocalith_core EXPORT vocalith_coreTargets
  LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR}
  ARCHIVE DESTINATION ${CMAKE_INSTALL_LIBDIR}
  RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(DIRECTORY ${PROJECT_SOURCE_DIR}/include/vocalith DESTINATION ${CMAKE_INSTALL_INCLUDEDIR})
install(FILES ${VOCALITH_GENERATED_INCLUDE_DIR}/vocalith/version.h
  DESTINATION ${CMAKE_INSTALL_INCLUDEDIR}/vocalith)

install(EXPORT vocalith_coreTargets
  NAMESPACE vocalith_core::
  DESTINATION ${CMAKE_INSTALL_LIBDIR}/cmake/vocalith_core)
configure_package_config_file(${PROJECT_SOURCE_DIR}/cmake/vocalith_coreConfig.cmake.in
  ${PROJECT_BINARY_DIR}/vocalith_coreConfig.cmake
  INSTALL_DESTINATION ${CMAKE_INSTALL_LIBDIR}/cmake/vocalith_core)
write_basic_package_version_file(${PROJECT_BINARY_DIR}/vocalith_coreConfigVersion.cmake
  COMPATIBILITY SameMajorVersion)
install(FILES
  ${PROJECT_BINARY_DIR}/vocalith_coreConfig.cmake
  ${PROJECT_BINARY_DIR}/vocalith_coreConfigVersion.cmake
  DESTINATION ${CMAKE_INSTALL_LIBDIR}/cmake/vocalith_core)

configure_file(${PROJECT_SOURCE_DIR}/cmake/vocalith_core.pc.in
  ${PROJECT_BINARY_DIR}/vocalith_core.pc @ONLY)
install(FILES ${PROJECT_BINARY_DIR}/vocalith_core.pc DESTINATION ${CMAKE_INSTALL_LIBDIR}/pkgconfig)
