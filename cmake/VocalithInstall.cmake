# Install rules, in three components that become the three Debian packages:
# runtime (the shared library), dev (headers, link, pkg-config and CMake
# files, a static archive) and tool (the command and what it reads).
include(CMakePackageConfigHelpers)

set(VOCALITH_CMAKE_DIR ${CMAKE_INSTALL_LIBDIR}/cmake/vocalith_core)

install(TARGETS vocalith_core EXPORT vocalith_coreTargets
  LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR} COMPONENT runtime NAMELINK_COMPONENT dev
  ARCHIVE DESTINATION ${CMAKE_INSTALL_LIBDIR} COMPONENT dev
  RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR} COMPONENT runtime)
install(DIRECTORY ${PROJECT_SOURCE_DIR}/include/vocalith DESTINATION ${CMAKE_INSTALL_INCLUDEDIR} COMPONENT dev)
install(FILES ${VOCALITH_GENERATED_INCLUDE_DIR}/vocalith/version.h
  DESTINATION ${CMAKE_INSTALL_INCLUDEDIR}/vocalith COMPONENT dev)

install(EXPORT vocalith_coreTargets
  NAMESPACE vocalith_core::
  DESTINATION ${VOCALITH_CMAKE_DIR}
  COMPONENT dev)
configure_package_config_file(${PROJECT_SOURCE_DIR}/cmake/vocalith_coreConfig.cmake.in
  ${PROJECT_BINARY_DIR}/vocalith_coreConfig.cmake
  INSTALL_DESTINATION ${VOCALITH_CMAKE_DIR})
# While the major version is 0 a minor release may break the ABI, as the
# SONAME says; only the same minor version is compatible then.
if(PROJECT_VERSION_MAJOR EQUAL 0)
  set(VOCALITH_COMPATIBILITY SameMinorVersion)
else()
  set(VOCALITH_COMPATIBILITY SameMajorVersion)
endif()
write_basic_package_version_file(${PROJECT_BINARY_DIR}/vocalith_coreConfigVersion.cmake
  COMPATIBILITY ${VOCALITH_COMPATIBILITY})
install(FILES
  ${PROJECT_BINARY_DIR}/vocalith_coreConfig.cmake
  ${PROJECT_BINARY_DIR}/vocalith_coreConfigVersion.cmake
  DESTINATION ${VOCALITH_CMAKE_DIR}
  COMPONENT dev)

# The pkg-config file finds its prefix from where it lies, so an install
# moved with --prefix or DESTDIR stays usable.
if(IS_ABSOLUTE "${CMAKE_INSTALL_LIBDIR}")
  set(VOCALITH_PC_PREFIX "${CMAKE_INSTALL_PREFIX}")
  set(VOCALITH_PC_LIBDIR "${CMAKE_INSTALL_LIBDIR}")
else()
  file(RELATIVE_PATH VOCALITH_PC_UP "/root/${CMAKE_INSTALL_LIBDIR}/pkgconfig" "/root")
  string(REGEX REPLACE "/$" "" VOCALITH_PC_UP "${VOCALITH_PC_UP}")
  set(VOCALITH_PC_PREFIX "\${pcfiledir}/${VOCALITH_PC_UP}")
  set(VOCALITH_PC_LIBDIR "\${prefix}/${CMAKE_INSTALL_LIBDIR}")
endif()
if(IS_ABSOLUTE "${CMAKE_INSTALL_INCLUDEDIR}")
  set(VOCALITH_PC_INCLUDEDIR "${CMAKE_INSTALL_INCLUDEDIR}")
else()
  set(VOCALITH_PC_INCLUDEDIR "\${prefix}/${CMAKE_INSTALL_INCLUDEDIR}")
endif()
# A static archive brings its dependencies along; a shared library has them
# in its own DT_NEEDED entries.
if(VOCALITH_CORE_TYPE STREQUAL "STATIC_LIBRARY")
  set(VOCALITH_PC_REQUIRES_PRIVATE "Requires.private: libxml-2.0")
  set(VOCALITH_PC_LIBS_PRIVATE "Libs.private: -lgsm -lstdc++ -lm")
  foreach(lib ${CMAKE_DL_LIBS})
    string(APPEND VOCALITH_PC_LIBS_PRIVATE " -l${lib}")
  endforeach()
  string(APPEND VOCALITH_PC_LIBS_PRIVATE " ${CMAKE_THREAD_LIBS_INIT}")
endif()
configure_file(${PROJECT_SOURCE_DIR}/cmake/vocalith_core.pc.in ${PROJECT_BINARY_DIR}/vocalith_core.pc @ONLY)
install(FILES ${PROJECT_BINARY_DIR}/vocalith_core.pc DESTINATION ${CMAKE_INSTALL_LIBDIR}/pkgconfig COMPONENT dev)
