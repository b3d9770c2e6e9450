// Where the test plugin libraries are built, and their names as the registry
// gives them. For test programs that define the three folder macros.
#ifndef VOCALITH_TESTS_FIXTURE_LIBRARIES_H
#define VOCALITH_TESTS_FIXTURE_LIBRARIES_H

#include <string>

#include "sysport/platform.h"

const std::string c_strLib = VOCALITH_TEST_PLUGIN_DIR;
const std::string c_strAlt = VOCALITH_TEST_PLUGIN_ALT_DIR;
const std::string c_strHostile = VOCALITH_HOSTILE_PLUGIN_DIR;
const std::string c_strLibBasic = sysport::join_path(c_strLib, "vt_basic.so");
const std::string c_strAltBasic = sysport::join_path(c_strAlt, "vt_basic.so");
const std::string c_strHostileLib = sysport::join_path(c_strHostile, "hostile.so");

#endif
