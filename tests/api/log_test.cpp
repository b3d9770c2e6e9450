#include <gtest/gtest.h>

#include <string>

#include "api/log.h"
#include "vocalith/app/globals.h"

namespace {

class LogLevel : public ::testing::Test {
protected:
    void SetUp() override { m_nSaved = app::s_Global.nLogLevel; }
    void TearDown() override { app::s_Global.nLogLevel = m_nSaved; }

    // Prints one line of every level at nLevel and returns what reached stderr.
    static std::string print_all(unsigned int nLevel)
    {
        app::s_Global.nLogLevel = nLevel;
        testing::internal::CaptureStderr();
        LOG_ERROR("e %d\n", 1);
        LOG_WARN("w %s\n", "2");
        LOG_NOTE("n\n");
        LOG_INFO("i\n");
        LOG_DEBUG("d %u\n", 5u);
        return testing::internal::GetCapturedStderr();
    }

private:
    unsigned int m_nSaved = 2;
};

TEST_F(LogLevel, EachTagHasOneThreshold)
{
    EXPECT_EQ("", print_all(0));
    EXPECT_EQ("[ERROR] e 1\n", print_all(1));
    EXPECT_EQ("[ERROR] e 1\n[WARN ] w 2\n", print_all(2));
    EXPECT_EQ("[ERROR] e 1\n[WARN ] w 2\n[NOTE ] n\n", print_all(3));
    EXPECT_EQ("[ERROR] e 1\n[WARN ] w 2\n[NOTE ] n\n[INFO ] i\n", print_all(4));
    const std::string strAll = "[ERROR] e 1\n[WARN ] w 2\n[NOTE ] n\n[INFO ] i\n[DEBUG] d 5\n";
    EXPECT_EQ(strAll, print_all(5));
    EXPECT_EQ(strAll, print_all(99));
    // A negative level set through the property reads as a large unsigned value.
    EXPECT_EQ(strAll, print_all(static_cast<unsigned int>(-1)));
}

TEST_F(LogLevel, ArgumentsAreNotEvaluatedBelowThreshold)
{
    app::s_Global.nLogLevel = 1;
    int nCalls = 0;
    auto count = [&nCalls]() { return ++nCalls; };
    testing::internal::CaptureStderr();
    LOG_WARN("%d\n", count());
    LOG_ERROR("%d\n", count());
    EXPECT_EQ("[ERROR] 1\n", testing::internal::GetCapturedStderr());
    EXPECT_EQ(1, nCalls);
}

TEST(Globals, Defaults)
{
    const app::Globals defaults;
    EXPECT_EQ("./ladspa", defaults.strLadspaDir);
    EXPECT_EQ("./presets", defaults.strPresetDir);
    EXPECT_EQ(2u, defaults.nLogLevel);
    EXPECT_EQ(1u, defaults.nChannelCount);
    EXPECT_EQ(8000u, defaults.nSampleRate);
    EXPECT_EQ(256u, defaults.nBlockSize);
    EXPECT_FALSE(defaults.bQuit);
    EXPECT_EQ("<unknown>", defaults.strUnknownFileName);
    EXPECT_FALSE(defaults.bBypass);
}

}  // namespace
