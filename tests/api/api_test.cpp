// Error texts, and the C boundary that no exception crosses.
#include <dlfcn.h>
#include <gmock/gmock.h>
#include <gsm.h>
#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>

#include <climits>
#include <cstring>
#include <stdexcept>
#include <string>
#include <vector>

#include "vocalith/app/exception.h"
#include "vocalith/app/globals.h"
#include "vocalith/codec/factory.h"
#include "vocalith/codec/id.h"
#include "vocalith/ladspa/plugin_factory.h"
#include "vocalith/vocalith.h"

namespace {
bool g_bGsmFails = false;
}

// libgsm's constructor, interposed: it runs out of memory while g_bGsmFails is set.
extern "C" gsm gsm_create(void)
{
    static const auto pfnReal = reinterpret_cast<gsm (*)(void)>(dlsym(RTLD_NEXT, "gsm_create"));
    return g_bGsmFails ? nullptr : pfnReal();
}

namespace {

// The C interface hands its codec ids on as the library's.
static_assert(codec::id(VOCALITH_CODEC_FLOAT32) == codec::id_pcm_float32 &&
              codec::id(VOCALITH_CODEC_PCM16BE) == codec::id_pcm_int16be &&
              codec::id(VOCALITH_CODEC_PCM16LE) == codec::id_pcm_int16le &&
              codec::id(VOCALITH_CODEC_ALAW) == codec::id_g711_alaw &&
              codec::id(VOCALITH_CODEC_ULAW) == codec::id_g711_ulaw &&
              codec::id(VOCALITH_CODEC_GSM610) == codec::id_gsm_610,
              "codec ids");

TEST(Exception, TextsNameFileAndLine)
{
    EXPECT_STREQ("F, line 21: M", app::exception(exit_code::FileError, "M", "F", 21).what());
    EXPECT_STREQ("f, line -1: s", app::exception(std::string("s"), "f", UINT_MAX).what());
    // Cut at the format buffer, keeping the terminator.
    EXPECT_EQ(16383u, std::string(app::exception(std::string(20000, 'x'), "f", 1).what()).size());

    std::string strText;
    try {
        VOCALITH_THROW(exit_code::FileError, "cannot open '%s' (%d%%)", "x.wav", 5);
    } catch (const app::exception& error) {
        strText = error.what() + std::string(error.exit_code() == exit_code::FileError ? "" : ", wrong code");
    }
    EXPECT_THAT(strText, ::testing::MatchesRegex("api_test\\.cpp, line [0-9]+: cannot open 'x\\.wav' \\(5%\\)"));
}

// Errors reach a host as -1 or NULL and one "[ERROR] " line; the callbacks
// of C++ hosts may throw, and nothing crosses the C boundary.
TEST(Api, ErrorsBecomeOneLineEach)
{
    const app::Globals saved = app::s_Global;
    app::s_Global.strLadspaDir = VOCALITH_BINARY_DIR "/no-plugins-here";
    app::s_Global.nLogLevel = 4;
    testing::internal::CaptureStderr();
    void* pHandle = vocalith_init_string(1, 8000, "<jackrack></jackrack>");
    EXPECT_EQ("[INFO ] vocalith_init_string: nChannelCount=1, nSampleRate=8000, XML:\n<jackrack></jackrack>\n",
              testing::internal::GetCapturedStderr());
    ASSERT_NE(nullptr, pHandle);
    const unsigned char bytes[256] = {0};
    const vocalith_write_fn pfnIgnore = [](void*, const void*, unsigned int) { return 0; };
    for (std::uint32_t nLevel : {0, 1}) {
        app::s_Global.nLogLevel = nLevel;
        testing::internal::CaptureStderr();
        EXPECT_EQ(nullptr, vocalith_init(1, 8000, "/none/p.xml"));
        EXPECT_EQ(nullptr, vocalith_init_string(1, 8000, nullptr));
        EXPECT_EQ(-1, vocalith_convert(pHandle, pfnIgnore, nullptr, VOCALITH_CODEC_ULAW, bytes, 256, 7));
        g_bGsmFails = true;
        EXPECT_EQ(-1, vocalith_convert(pHandle, pfnIgnore, nullptr, VOCALITH_CODEC_GSM610, bytes, 256,
                                       VOCALITH_CODEC_ULAW));
        EXPECT_EQ(-1, vocalith_convert(pHandle, pfnIgnore, nullptr, VOCALITH_CODEC_GSM610, bytes, 256,
                                       VOCALITH_CODEC_GSM610));
        EXPECT_EQ(nullptr, codec::factory::instance().create_decoder(codec::id_gsm_610));
        EXPECT_EQ(nullptr, codec::factory::instance().create_encoder(codec::id_gsm_610));
        g_bGsmFails = false;
        EXPECT_EQ(-1, vocalith_change_preset(pHandle, "/none/p.xml"));
        EXPECT_EQ(-1, vocalith_change_preset_string(pHandle, "<jackrack>"));
        EXPECT_EQ(-1, vocalith_convert(pHandle, [](void*, const void*, unsigned int) -> int {
            throw std::runtime_error("host callback failed");
        }, nullptr, VOCALITH_CODEC_ULAW, bytes, 256, VOCALITH_CODEC_ULAW));
        EXPECT_EQ(-1, vocalith_convert(pHandle, [](void*, const void*, unsigned int) -> int { throw 42; },
                                       nullptr, VOCALITH_CODEC_ULAW, bytes, 256, VOCALITH_CODEC_ULAW));
        EXPECT_THAT(testing::internal::GetCapturedStderr(),
                    ::testing::MatchesRegex(nLevel == 0 ? "" :
                        "\\[ERROR\\] vocalith_init exception: [^\n]*Unable to parse preset XML file '/none/p.xml'\n"
                        "\\[ERROR\\] vocalith_init_string exception: [^\n]*null[^\n]*\n"
                        "\\[ERROR\\] vocalith_convert: no codec found for nInCodec=5, nOutCodec=7\n"
                        "\\[ERROR\\] vocalith_convert: no codec found for nInCodec=6, nOutCodec=5\n"
                        "\\[ERROR\\] vocalith_convert: no codec found for nInCodec=6, nOutCodec=6\n"
                        "\\[ERROR\\] vocalith_change_preset exception: [^\n]*\n"
                        "\\[ERROR\\] vocalith_change_preset_string exception: [^\n]*\n"
                        "\\[ERROR\\] vocalith_convert exception: host callback failed\n"
                        "\\[ERROR\\] vocalith_convert exception: unknown exception\n"));
    }
    vocalith_fini(pHandle);
    app::s_Global = saved;
}

// Stream parameters are checked when a converter is made, and only then:
// setting a block size out of range succeeds, creating with it fails.
TEST(Api, InitRefusesStreamParametersOutOfRange)
{
    const app::Globals saved = app::s_Global;
    app::s_Global.strLadspaDir = VOCALITH_BINARY_DIR "/no-plugins-here";
    app::s_Global.nLogLevel = 1;
    const struct {
        unsigned int nChannels, nRate;
        std::int32_t nBlock;
        const char* pszError;  // null: accepted
    } rows[] = {
        {0, 8000, 256, "channel count 0 is outside the allowed range 1 to 256"},
        {257, 8000, 256, "channel count 257 is outside the allowed range 1 to 256"},
        {1, 0, 256, "sample rate 0 is outside the allowed range 1 to 768000 Hz"},
        {2, 768001, 256, "sample rate 768001 is outside the allowed range 1 to 768000 Hz"},
        {2, 8000, 0, "block size 0 is outside the allowed range 1 to 65536 samples"},
        {1, 8000, 65537, "block size 65537 is outside the allowed range 1 to 65536 samples"},
        {1, 8000, -1, "block size 4294967295 is outside the allowed range 1 to 65536 samples"},
        {256, 1, 1, nullptr},
        {1, 768000, 65536, nullptr},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(::testing::Message() << row.nChannels << " channels, " << row.nRate << " Hz, block "
                                          << row.nBlock);
        EXPECT_EQ(0, vocalith_set_property(VOCALITH_PROP_BLOCK_SIZE, &row.nBlock));
        for (const bool bFile : {false, true}) {
            testing::internal::CaptureStderr();
            void* pHandle = bFile ? vocalith_init(row.nChannels, row.nRate, VOCALITH_SOURCE_DIR "/no/such/preset.xml")
                                  : vocalith_init_string(row.nChannels, row.nRate, "<jackrack></jackrack>");
            const std::string strLog = testing::internal::GetCapturedStderr();
            // Checked before the preset is read: the file's absence goes unmentioned.
            if (row.pszError != nullptr) {
                EXPECT_EQ(nullptr, pHandle);
                EXPECT_THAT(strLog, ::testing::MatchesRegex(std::string("\\[ERROR\\] vocalith_init") +
                                                            (bFile ? "" : "_string") +
                                                            " exception: [a-z_]+\\.cpp, line [0-9]+: " +
                                                            row.pszError + "\n"));
            } else if (!bFile) {
                EXPECT_NE(nullptr, pHandle);
                EXPECT_EQ("", strLog);
            }
            vocalith_fini(pHandle);
        }
    }
    app::s_Global = saved;
}

int append_bytes(void* pUser, const void* pData, unsigned int nSize)
{
    std::string& strOut = *static_cast<std::string*>(pUser);
    strOut.append(static_cast<const char*>(pData), nSize);
    return 0;
}

std::string entry(unsigned long nId)
{
    return "<plugin><id>" + std::to_string(nId) + "</id><enabled>true</enabled></plugin>";
}

// Every packaged plugin, first in a chain whose next entry refuses to
// instantiate (many packaged filters crash in cleanup when never activated):
// the change fails with one error line, and the old preset keeps running.
// One child process per plugin, so that one crash cannot hide the rest.
TEST(Api, AChangeThatFailsAfterAnyPackagedPluginKeepsTheOldPreset)
{
    const app::Globals saved = app::s_Global;
    app::s_Global.nLogLevel = 0;
    for (const char* pszLibrary : {"caps.so", "cmt.so", "notch_iir_1894.so", "butterworth_1902.so", "tap_echo.so"}) {
        ASSERT_EQ(0, access((std::string("/usr/lib/ladspa/") + pszLibrary).c_str(), R_OK)) << pszLibrary;
    }
    std::vector<std::pair<unsigned long, std::string>> plugins;
    {
        const ladspa::plugin_factory system("/usr/lib/ladspa");
        for (const auto& plugin : system.plugins()) plugins.emplace_back(plugin.first, plugin.second->filename());
    }
    ASSERT_GT(plugins.size(), 150u);
    app::s_Global.strLadspaDir = VOCALITH_API_PLUGIN_PATH;
    void* pHandle = vocalith_init_string(
        2, 8000, "<jackrack><plugin><id>77001</id><enabled>true</enabled><controlrow><value>3</value></controlrow>"
                 "</plugin></jackrack>");
    ASSERT_NE(nullptr, pHandle);
    std::vector<std::int16_t> samples(1024);  // two whole filter blocks of stereo
    for (std::size_t i = 0; i < samples.size(); ++i) samples[i] = static_cast<std::int16_t>((i * 7919) % 8000 - 4000);
    std::string strBefore;
    ASSERT_EQ(0, vocalith_convert(pHandle, append_bytes, &strBefore, VOCALITH_CODEC_PCM16LE, samples.data(), 2048,
                                  VOCALITH_CODEC_PCM16LE));
    ASSERT_EQ(3 * samples[501], reinterpret_cast<const std::int16_t*>(strBefore.data())[501]);
    for (const auto& plugin : plugins) {
        int aPipe[2];
        ASSERT_EQ(0, pipe(aPipe));
        const pid_t nChild = fork();
        ASSERT_NE(-1, nChild);
        if (nChild == 0) {
            close(aPipe[0]);
            dup2(aPipe[1], 2);
            app::s_Global.nLogLevel = 1;
            const std::string strXml = "<jackrack>" + entry(plugin.first) + entry(77501) + "</jackrack>";
            if (vocalith_change_preset_string(pHandle, strXml.c_str()) != -1) _exit(10);
            std::string strAfter;
            vocalith_convert(pHandle, append_bytes, &strAfter, VOCALITH_CODEC_PCM16LE, samples.data(), 2048,
                             VOCALITH_CODEC_PCM16LE);
            _exit(strAfter == strBefore ? 0 : 11);
        }
        close(aPipe[1]);
        std::string strLog;
        char aText[512];
        for (ssize_t n; (n = read(aPipe[0], aText, sizeof aText)) > 0;) strLog.append(aText, static_cast<std::size_t>(n));
        close(aPipe[0]);
        int nStatus = 0;
        ASSERT_EQ(nChild, waitpid(nChild, &nStatus, 0));
        SCOPED_TRACE(::testing::Message() << "plugin " << plugin.first << " of " << plugin.second);
        EXPECT_TRUE(WIFEXITED(nStatus)) << "ended by signal " << WTERMSIG(nStatus);
        EXPECT_EQ(0, WIFEXITED(nStatus) ? WEXITSTATUS(nStatus) : 0) << "10: not refused, 11: old preset changed";
        EXPECT_THAT(strLog, ::testing::MatchesRegex("\\[ERROR\\] vocalith_change_preset_string exception: "
                                                    "[^\n]*id=77501 [^\n]*cannot be instantiated[^\n]*\n"));
    }
    vocalith_fini(pHandle);
    app::s_Global = saved;
}

}  // namespace
