// Error texts, and the C boundary that no exception crosses.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <climits>
#include <regex>
#include <cstring>
#include <stdexcept>
#include <string>
#include <vector>

#include "vocalith/app/exception.h"
#include "vocalith/app/globals.h"
#include "vocalith/codec/id.h"
#include "vocalith/vocalith.h"
#include "../globals_guard.h"

namespace {

// GoogleTest's own expressions know no brackets on Windows; std::regex reads
// the same everywhere.
MATCHER_P(matches_regex, strPattern, std::string("matches ") + strPattern)
{
    return std::regex_match(arg, std::regex(strPattern));
}

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
    EXPECT_THAT(strText, matches_regex("api_test\\.cpp, line [0-9]+: cannot open 'x\\.wav' \\(5%\\)"));
}

// Errors reach a host as -1 or NULL and one "[ERROR] " line; the callbacks
// of C++ hosts may throw, and nothing crosses the C boundary.
TEST(Api, ErrorsBecomeOneLineEach)
{
    const globals_guard keep;
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
        EXPECT_EQ(-1, vocalith_change_preset(pHandle, "/none/p.xml"));
        EXPECT_EQ(-1, vocalith_change_preset_string(pHandle, "<jackrack>"));
        EXPECT_EQ(-1, vocalith_convert(pHandle, [](void*, const void*, unsigned int) -> int {
            throw std::runtime_error("host callback failed");
        }, nullptr, VOCALITH_CODEC_ULAW, bytes, 256, VOCALITH_CODEC_ULAW));
        EXPECT_EQ(-1, vocalith_convert(pHandle, [](void*, const void*, unsigned int) -> int { throw 42; },
                                       nullptr, VOCALITH_CODEC_ULAW, bytes, 256, VOCALITH_CODEC_ULAW));
        EXPECT_THAT(testing::internal::GetCapturedStderr(),
                    matches_regex(nLevel == 0 ? "" :
                        "\\[ERROR\\] vocalith_init exception: [^\n]*Unable to parse preset XML file '/none/p.xml'\n"
                        "\\[ERROR\\] vocalith_init_string exception: [^\n]*null[^\n]*\n"
                        "\\[ERROR\\] vocalith_convert: no codec found for nInCodec=5, nOutCodec=7\n"
                        "\\[ERROR\\] vocalith_change_preset exception: [^\n]*\n"
                        "\\[ERROR\\] vocalith_change_preset_string exception: [^\n]*\n"
                        "\\[ERROR\\] vocalith_convert exception: host callback failed\n"
                        "\\[ERROR\\] vocalith_convert exception: unknown exception\n"));
    }
    vocalith_fini(pHandle);
}

// Stream parameters are checked when a converter is made, and only then:
// setting a block size out of range succeeds, creating with it fails.
TEST(Api, InitRefusesStreamParametersOutOfRange)
{
    const globals_guard keep;
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
                EXPECT_THAT(strLog, matches_regex(std::string("\\[ERROR\\] vocalith_init") +
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
}

}  // namespace
