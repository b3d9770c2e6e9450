#include <gtest/gtest.h>

#include <cstdint>

#include "vocalith/app/globals.h"
#include "vocalith/vocalith.h"

namespace {

class Properties : public ::testing::Test {
protected:
    void SetUp() override { m_saved = app::s_Global; }
    void TearDown() override { app::s_Global = m_saved; }

private:
    app::Globals m_saved;
};

TEST_F(Properties, EachIdSetsItsSetting)
{
    EXPECT_EQ(0, vocalith_set_property(VOCALITH_PROP_PRESET_DIR, "/p"));
    EXPECT_EQ(0, vocalith_set_property(VOCALITH_PROP_LADSPA_DIR, "/l"));
    const std::int32_t nBlock = 512;
    EXPECT_EQ(0, vocalith_set_property(VOCALITH_PROP_BLOCK_SIZE, &nBlock));
    const std::int32_t nLevel = 0;
    EXPECT_EQ(0, vocalith_set_property(VOCALITH_PROP_LOG_LEVEL, &nLevel));
    EXPECT_EQ("/p", app::s_Global.strPresetDir);
    EXPECT_EQ("/l", app::s_Global.strLadspaDir);
    EXPECT_EQ(512u, app::s_Global.nBlockSize);
    EXPECT_EQ(0u, app::s_Global.nLogLevel);

    const std::int32_t nNegative = -1;
    EXPECT_EQ(0, vocalith_set_property(VOCALITH_PROP_LOG_LEVEL, &nNegative));
    EXPECT_EQ(0xFFFFFFFFu, app::s_Global.nLogLevel);
}

TEST_F(Properties, StringsAreCopied)
{
    char text[] = "/first";
    ASSERT_EQ(0, vocalith_set_property(VOCALITH_PROP_PRESET_DIR, text));
    text[1] = 'X';
    EXPECT_EQ("/first", app::s_Global.strPresetDir);
    ASSERT_EQ(0, vocalith_set_property(VOCALITH_PROP_PRESET_DIR, ""));
    EXPECT_EQ("", app::s_Global.strPresetDir);
}

TEST_F(Properties, BadIdOrNullValueChangesNothing)
{
    const app::Globals before = app::s_Global;
    const std::int32_t nValue = 7;
    testing::internal::CaptureStderr();
    EXPECT_EQ(-1, vocalith_set_property(0, &nValue));
    EXPECT_EQ(-1, vocalith_set_property(5, &nValue));
    EXPECT_EQ(-1, vocalith_set_property(-3, &nValue));
    EXPECT_EQ(-1, vocalith_set_property(VOCALITH_PROP_PRESET_DIR, nullptr));
    EXPECT_EQ(-1, vocalith_set_property(VOCALITH_PROP_LOG_LEVEL, nullptr));
    EXPECT_EQ("", testing::internal::GetCapturedStderr());
    EXPECT_EQ(before.strPresetDir, app::s_Global.strPresetDir);
    EXPECT_EQ(before.strLadspaDir, app::s_Global.strLadspaDir);
    EXPECT_EQ(before.nBlockSize, app::s_Global.nBlockSize);
    EXPECT_EQ(before.nLogLevel, app::s_Global.nLogLevel);
}

TEST_F(Properties, NothingCanBeReadBack)
{
    std::int32_t nValue = 123;
    EXPECT_EQ(-1, vocalith_get_property(VOCALITH_PROP_LOG_LEVEL, &nValue));
    EXPECT_EQ(123, nValue);
    EXPECT_EQ(-1, vocalith_get_property(0, nullptr));
}

}  // namespace
