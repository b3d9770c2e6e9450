// The library's settings as a test found them, put back however the test
// ends: an ASSERT that returns early must not leave its plugin folder or log
// level to the tests after it.
#pragma once

#include "vocalith/app/globals.h"

class globals_guard {
public:
    globals_guard() : m_saved(app::s_Global) {}
    ~globals_guard() { app::s_Global = m_saved; }
    globals_guard(const globals_guard&) = delete;
    globals_guard& operator=(const globals_guard&) = delete;

private:
    app::Globals m_saved;
};
