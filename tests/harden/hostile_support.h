// The hostile fixture library (tests/plugins/hostile), kept loaded by the
// test itself so that its handle pool outlives every registry, and the
// count of its handles still in use.
#ifndef VOCALITH_TESTS_HARDEN_HOSTILE_SUPPORT_H
#define VOCALITH_TESTS_HARDEN_HOSTILE_SUPPORT_H

#include <gtest/gtest.h>

#include <dlfcn.h>

#include <string>

#include "vocalith/app/globals.h"

namespace harden {

const std::string c_strHostileDir = VOCALITH_HOSTILE_PLUGIN_DIR;
const std::string c_strHostileLibrary = c_strHostileDir + "/hostile.so";

class hostile_library {
public:
    hostile_library() : m_pLib(dlopen(c_strHostileLibrary.c_str(), RTLD_NOW))
    {
        if (m_pLib != nullptr) {
            m_pfnInUse = reinterpret_cast<int (*)()>(dlsym(m_pLib, "hostile_handles_in_use"));
        }
    }
    ~hostile_library()
    {
        if (m_pLib != nullptr) {
            dlclose(m_pLib);
        }
    }
    hostile_library(const hostile_library&) = delete;
    hostile_library& operator=(const hostile_library&) = delete;

    bool ok() const { return m_pfnInUse != nullptr; }
    // Handles instantiated and not yet cleaned up (plugins with cleanup).
    int handles_in_use() const { return m_pfnInUse(); }

private:
    void* m_pLib;
    int (*m_pfnInUse)() = nullptr;
};

// Every test ends with every handle cleaned up and the log level restored.
class hostile_test : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_library.ok()) << c_strHostileLibrary;
        m_nSavedLevel = app::s_Global.nLogLevel;
    }
    void TearDown() override
    {
        EXPECT_EQ(0, m_library.handles_in_use()) << "handles not cleaned up";
        app::s_Global.nLogLevel = m_nSavedLevel;
    }

    hostile_library m_library;
    unsigned m_nSavedLevel = 0;
};

}  // namespace harden

#endif
