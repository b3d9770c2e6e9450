#include <gtest/gtest.h>

#include <stdexcept>
#include <string>

#include "vocalith/app/globals.h"
#include "vocalith/vocalith.h"

namespace {

// Callbacks of C++ hosts may throw; nothing may cross the C boundary.
int throw_runtime_error(void*, const void*, unsigned int)
{
    throw std::runtime_error("host callback failed");
}

int throw_int(void*, const void*, unsigned int)
{
    throw 42;
}

class ConverterBoundary : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_saved = app::s_Global;
        app::s_Global.strLadspaDir = VOCALITH_BINARY_DIR "/no-plugins-here";
        app::s_Global.nLogLevel = 1;
        m_pHandle = vocalith_init_string(1, 8000, "<jackrack></jackrack>");
        ASSERT_NE(nullptr, m_pHandle);
    }
    void TearDown() override
    {
        vocalith_fini(m_pHandle);
        app::s_Global = m_saved;
    }

    void* m_pHandle = nullptr;

private:
    app::Globals m_saved;
};

TEST_F(ConverterBoundary, ExceptionsFromTheCallbackAreReported)
{
    unsigned char bytes[256] = {0};
    testing::internal::CaptureStderr();
    EXPECT_EQ(-1, vocalith_convert(m_pHandle, throw_runtime_error, nullptr, 5, bytes, 256, 5));
    EXPECT_EQ(-1, vocalith_convert(m_pHandle, throw_int, nullptr, 5, bytes, 256, 5));
    EXPECT_EQ("[ERROR] vocalith_convert exception: host callback failed\n"
              "[ERROR] vocalith_convert exception: unknown exception\n",
              testing::internal::GetCapturedStderr());
}

TEST_F(ConverterBoundary, NullPresetTextsAreRejected)
{
    testing::internal::CaptureStderr();
    EXPECT_EQ(nullptr, vocalith_init(1, 8000, nullptr));
    EXPECT_EQ(nullptr, vocalith_init_string(1, 8000, nullptr));
    const std::string strLog = testing::internal::GetCapturedStderr();
    EXPECT_EQ(0u, strLog.find("[ERROR] vocalith_init exception: ")) << strLog;
    EXPECT_NE(std::string::npos, strLog.find("no preset file name given")) << strLog;
    EXPECT_NE(std::string::npos, strLog.find("\n[ERROR] vocalith_init_string exception: ")) << strLog;
    EXPECT_NE(std::string::npos, strLog.find("no preset XML given")) << strLog;
}

}  // namespace
