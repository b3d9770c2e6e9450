// The C boundary where only Linux can reach: a libgsm that runs out of
// memory (its constructor wrapped by the linker), and every plugin Debian
// packages, each in a child process of its own.
#include <gmock/gmock.h>
#include <gsm.h>
#include <gtest/gtest.h>

#include <poll.h>
#include <sys/inotify.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdint>
#include <string>
#include <vector>

#include "vocalith/app/globals.h"
#include "vocalith/codec/factory.h"
#include "vocalith/codec/id.h"
#include "vocalith/ladspa/plugin_factory.h"
#include "vocalith/vocalith.h"
#include "../globals_guard.h"

namespace {
bool g_bGsmFails = false;
}

// libgsm's constructor as the library calls it (the linker's --wrap, which
// works for a static libgsm too): it runs out of memory while g_bGsmFails is set.
extern "C" gsm __real_gsm_create(void);
extern "C" gsm __wrap_gsm_create(void)
{
    return g_bGsmFails ? nullptr : __real_gsm_create();
}

namespace {

// A GSM coder state that cannot be made fails the call with one error line,
// and the factory hands out no coder.
TEST(Api, AGsmStateThatCannotBeMadeFailsTheCall)
{
    const globals_guard keep;
    app::s_Global.strLadspaDir = VOCALITH_BINARY_DIR "/no-plugins-here";
    app::s_Global.nLogLevel = 1;
    void* pHandle = vocalith_init_string(1, 8000, "<jackrack></jackrack>");
    ASSERT_NE(nullptr, pHandle);
    const unsigned char bytes[330] = {0};
    const vocalith_write_fn pfnIgnore = [](void*, const void*, unsigned int) { return 0; };
    testing::internal::CaptureStderr();
    g_bGsmFails = true;
    EXPECT_EQ(-1, vocalith_convert(pHandle, pfnIgnore, nullptr, VOCALITH_CODEC_GSM610, bytes, 330,
                                   VOCALITH_CODEC_ULAW));
    EXPECT_EQ(-1, vocalith_convert(pHandle, pfnIgnore, nullptr, VOCALITH_CODEC_GSM610, bytes, 330,
                                   VOCALITH_CODEC_GSM610));
    EXPECT_EQ(nullptr, codec::factory::instance().create_decoder(codec::id_gsm_610));
    EXPECT_EQ(nullptr, codec::factory::instance().create_encoder(codec::id_gsm_610));
    g_bGsmFails = false;
    EXPECT_EQ("[ERROR] vocalith_convert: no codec found for nInCodec=6, nOutCodec=5\n"
              "[ERROR] vocalith_convert: no codec found for nInCodec=6, nOutCodec=6\n",
              testing::internal::GetCapturedStderr());
    // Memory again: the same handle decodes GSM.
    EXPECT_EQ(0, vocalith_convert(pHandle, pfnIgnore, nullptr, VOCALITH_CODEC_GSM610, bytes, 330,
                                  VOCALITH_CODEC_ULAW));
    vocalith_fini(pHandle);
}

// A preset whose external entity names a file: the file is never opened.
TEST(Api, APresetsExternalEntityOpensNoOtherFile)
{
    const globals_guard keep;
    app::s_Global.strLadspaDir = VOCALITH_BINARY_DIR "/no-plugins-here";
    app::s_Global.nLogLevel = 0;
    const std::string strData = VOCALITH_SOURCE_DIR "/tests/data/presets/bad/";
    const int fdWatch = inotify_init1(IN_NONBLOCK);
    ASSERT_LE(0, inotify_add_watch(fdWatch, (strData + "external_entity_target.txt").c_str(), IN_OPEN | IN_ACCESS));
    vocalith_fini(vocalith_init(1, 8000, (strData + "external_entity.xml").c_str()));
    char buffer[4096];
    EXPECT_GT(0, read(fdWatch, buffer, sizeof buffer)) << "the external entity's file was read";
    close(fdWatch);
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
    const globals_guard keep;
    app::s_Global.nLogLevel = 0;
    for (const char* pszLibrary : {"caps.so", "cmt.so", "notch_iir_1894.so", "butterworth_1902.so", "tap_echo.so"}) {
        ASSERT_EQ(0, access((std::string(VOCALITH_SYSTEM_PLUGIN_DIR "/") + pszLibrary).c_str(), R_OK)) << pszLibrary;
    }
    std::vector<std::pair<unsigned long, std::string>> plugins;
    {
        const ladspa::plugin_factory system(VOCALITH_SYSTEM_PLUGIN_DIR);
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
    // Two children at a time: under an emulator the FFT plugins' planning
    // alone takes minutes, which the other plugins' children can overlap.
    struct child {
        pid_t nPid;
        int fdLog;
        std::string strLog;
        const std::pair<unsigned long, std::string>* pPlugin;
    };
    std::vector<child> running;
    for (std::size_t nNext = 0; nNext < plugins.size() || !running.empty();) {
        if (nNext < plugins.size() && running.size() < 2) {
            const auto& plugin = plugins[nNext++];
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
            running.push_back({nChild, aPipe[0], std::string(), &plugin});
            continue;
        }
        // A child's log ends when it exits: read whichever has more.
        std::vector<pollfd> fds;
        for (const child& c : running) fds.push_back({c.fdLog, POLLIN, 0});
        ASSERT_LT(0, poll(fds.data(), fds.size(), -1));
        for (std::size_t i = fds.size(); i-- > 0;) {
            if (fds[i].revents == 0) continue;
            child& c = running[i];
            char aText[512];
            const ssize_t n = read(c.fdLog, aText, sizeof aText);
            if (n > 0) {
                c.strLog.append(aText, static_cast<std::size_t>(n));
                continue;
            }
            close(c.fdLog);
            int nStatus = 0;
            ASSERT_EQ(c.nPid, waitpid(c.nPid, &nStatus, 0));
            SCOPED_TRACE(::testing::Message() << "plugin " << c.pPlugin->first << " of " << c.pPlugin->second);
            EXPECT_TRUE(WIFEXITED(nStatus)) << "ended by signal " << WTERMSIG(nStatus);
            EXPECT_EQ(0, WIFEXITED(nStatus) ? WEXITSTATUS(nStatus) : 0) << "10: not refused, 11: old preset changed";
            EXPECT_THAT(c.strLog, ::testing::MatchesRegex("\\[ERROR\\] vocalith_change_preset_string exception: "
                                                          "[^\n]*id=77501 [^\n]*cannot be instantiated[^\n]*\n"));
            running.erase(running.begin() + static_cast<std::ptrdiff_t>(i));
        }
    }
    vocalith_fini(pHandle);
}

}  // namespace
