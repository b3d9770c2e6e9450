# Debian packages through CPack (cpack -G DEB in the build folder), one per
# install component: libvocalith-core0, libvocalith-core-dev and vocalith.
# scripts/package.sh makes them from a clean build with the prefix /usr.
set(CPACK_PACKAGE_NAME vocalith)
set(CPACK_PACKAGE_VENDOR "The vocalith authors")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Voice transformation through LADSPA plugin chains for telephony hosts")
set(CPACK_RESOURCE_FILE_LICENSE ${PROJECT_SOURCE_DIR}/LICENSE)
set(CPACK_GENERATOR DEB)
set(CPACK_COMPONENTS_ALL runtime dev tool)
set(CPACK_DEB_COMPONENT_INSTALL ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "The vocalith authors <vocalith@localhost>")
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
# Dependencies on other packages' libraries come from dpkg-shlibdeps; the
# runtime package declares what it provides, so that tools built against it
# get a versioned dependency.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_GENERATE_SHLIBS ON)
set(CPACK_DEBIAN_PACKAGE_GENERATE_SHLIBS_POLICY ">=")
# The command needs the library being packaged beside it: dpkg-shlibdeps
# finds it in the build tree (the explicit Depends below names its package).
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS_PRIVATE_DIRS ${PROJECT_BINARY_DIR}/src)

set(VOCALITH_DEB_RUNTIME libvocalith-core0)
set(CPACK_DEBIAN_RUNTIME_PACKAGE_NAME ${VOCALITH_DEB_RUNTIME})
set(CPACK_DEBIAN_RUNTIME_PACKAGE_SECTION libs)
set(CPACK_COMPONENT_RUNTIME_DESCRIPTION
  "vocalith voice transformation library\n The shared library vocalith_core: converters that decode telephone audio,\n run it through a chain of LADSPA plugins and encode it again.")

set(CPACK_DEBIAN_DEV_PACKAGE_NAME libvocalith-core-dev)
set(CPACK_DEBIAN_DEV_PACKAGE_SECTION libdevel)
# The C++ headers include ladspa.h.
set(CPACK_DEBIAN_DEV_PACKAGE_DEPENDS "${VOCALITH_DEB_RUNTIME} (= ${PROJECT_VERSION}), ladspa-sdk")
set(CPACK_COMPONENT_DEV_DESCRIPTION
  "vocalith voice transformation library: development files\n Headers, the link to the shared library, a pkg-config file and a CMake\n package (vocalith_core::vocalith_core).")

set(CPACK_DEBIAN_TOOL_PACKAGE_NAME vocalith)
set(CPACK_DEBIAN_TOOL_PACKAGE_SECTION sound)
set(CPACK_DEBIAN_TOOL_PACKAGE_DEPENDS "${VOCALITH_DEB_RUNTIME} (= ${PROJECT_VERSION})")
# The bundled presets are built on these plugins.
set(CPACK_DEBIAN_TOOL_PACKAGE_RECOMMENDS "swh-plugins")
set(CPACK_COMPONENT_TOOL_DESCRIPTION
  "voice presets for telephone audio\n The vocalith command converts sound files through JACK Rack presets of\n LADSPA plugins, describes presets, lists plugins and finds DTMF keys.")

# Each package carries the licence where Debian looks for it.
foreach(component runtime dev tool)
  string(TOUPPER ${component} upper)
  install(FILES ${PROJECT_SOURCE_DIR}/LICENSE RENAME copyright COMPONENT ${component}
    DESTINATION ${CMAKE_INSTALL_DATAROOTDIR}/doc/${CPACK_DEBIAN_${upper}_PACKAGE_NAME})
endforeach()

include(CPack)
