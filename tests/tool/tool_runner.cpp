#include "tool_runner.h"

#include <dirent.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>

namespace tool_test {

std::string sample(const std::string& strName) { return std::string(VOCALITH_SOURCE_DIR) + "/samples/" + strName; }
std::string preset_dir() { return std::string(VOCALITH_SOURCE_DIR) + "/presets"; }

void scratch::SetUp()
{
    char name[] = "/tmp/vocalith_tool_XXXXXX";
    ASSERT_NE(::mkdtemp(name), nullptr);
    m_strDir = name;
}

void scratch::TearDown()
{
    if (!m_strDir.empty()) {
        std::system(("rm -rf '" + m_strDir + "'").c_str());
    }
}

result scratch::run(const std::string& strArgs, const std::string& strStdin) const
{
    std::string strOut = path(".stdout"), strErr = path(".stderr");
    std::string strCommand = std::string("cd '") + m_strDir + "' && '" VOCALITH_TOOL "' " + strArgs + " >'" +
                             strOut + "' 2>'" + strErr + "'";
    if (!strStdin.empty()) {
        strCommand += " <'" + strStdin + "'";
    }
    int nRaw = std::system(strCommand.c_str());
    result res;
    res.nStatus = (nRaw != -1 && WIFEXITED(nRaw)) ? WEXITSTATUS(nRaw) : -1;
    res.strOut = read_file(strOut);
    res.strErr = read_file(strErr);
    std::remove(strOut.c_str());
    std::remove(strErr.c_str());
    return res;
}

std::vector<std::string> scratch::files() const
{
    std::vector<std::string> names;
    DIR* pDir = ::opendir(m_strDir.c_str());
    if (!pDir) {
        return names;
    }
    while (dirent* pEntry = ::readdir(pDir)) {
        if (std::strcmp(pEntry->d_name, ".") != 0 && std::strcmp(pEntry->d_name, "..") != 0) {
            names.push_back(pEntry->d_name);
        }
    }
    ::closedir(pDir);
    return names;
}

bool exists(const std::string& strPath) { return ::access(strPath.c_str(), F_OK) == 0; }

std::string read_file(const std::string& strPath)
{
    std::ifstream in(strPath, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

void write_file(const std::string& strPath, const std::string& strData)
{
    std::ofstream out(strPath, std::ios::binary);
    out << strData;
}

std::string shell(const std::string& strCommand)
{
    std::string strOut;
    FILE* pPipe = ::popen(strCommand.c_str(), "r");
    if (!pPipe) {
        return strOut;
    }
    char buf[4096];
    std::size_t n;
    while ((n = std::fread(buf, 1, sizeof(buf), pPipe)) > 0) {
        strOut.append(buf, n);
    }
    ::pclose(pPipe);
    while (!strOut.empty() && (strOut.back() == '\n' || strOut.back() == ' ')) {
        strOut.pop_back();
    }
    return strOut;
}

static std::uint32_t le32(const std::string& s, std::size_t n)
{
    return static_cast<std::uint8_t>(s[n]) | static_cast<std::uint8_t>(s[n + 1]) << 8 |
           static_cast<std::uint8_t>(s[n + 2]) << 16 | static_cast<std::uint32_t>(static_cast<std::uint8_t>(s[n + 3])) << 24;
}

static std::uint16_t le16(const std::string& s, std::size_t n)
{
    return static_cast<std::uint16_t>(static_cast<std::uint8_t>(s[n]) | static_cast<std::uint8_t>(s[n + 1]) << 8);
}

static std::vector<std::int16_t> to_samples(const std::string& s, std::size_t nBegin, std::size_t nSize)
{
    std::vector<std::int16_t> samples(nSize / 2);
    for (std::size_t i = 0; i < samples.size(); ++i) {
        samples[i] = static_cast<std::int16_t>(le16(s, nBegin + 2 * i));
    }
    return samples;
}

std::vector<std::int16_t> wav_samples(const std::string& strPath)
{
    std::string s = read_file(strPath);
    EXPECT_GE(s.size(), 12u) << strPath;
    if (s.size() < 12 || s.compare(0, 4, "RIFF") != 0 || s.compare(8, 4, "WAVE") != 0) {
        ADD_FAILURE() << strPath << " is no RIFF/WAVE file";
        return {};
    }
    bool bPcm16 = false;
    for (std::size_t n = 12; n + 8 <= s.size();) {
        std::uint32_t nSize = le32(s, n + 4);
        if (s.compare(n, 4, "fmt ") == 0 && n + 24 <= s.size()) {
            bPcm16 = le16(s, n + 8) == 1 && le16(s, n + 22) == 16;
        } else if (s.compare(n, 4, "data") == 0) {
            EXPECT_TRUE(bPcm16) << strPath << " does not hold 16-bit PCM";
            EXPECT_LE(n + 8 + nSize, s.size()) << strPath << ": data chunk larger than the file";
            return to_samples(s, n + 8, std::min<std::size_t>(nSize, s.size() - n - 8));
        }
        n += 8 + nSize + (nSize & 1);
    }
    ADD_FAILURE() << strPath << " has no data chunk";
    return {};
}

std::vector<std::int16_t> raw_samples(const std::string& strPath)
{
    std::string s = read_file(strPath);
    return to_samples(s, 0, s.size());
}

double rms(const std::vector<std::int16_t>& samples)
{
    if (samples.empty()) {
        return 0.0;
    }
    double fSum = 0.0;
    for (std::int16_t v : samples) {
        fSum += static_cast<double>(v) * v;
    }
    return std::sqrt(fSum / samples.size());
}

::testing::AssertionResult same_samples(const std::vector<std::int16_t>& actual,
                                        const std::vector<std::int16_t>& expected)
{
    if (actual.size() != expected.size()) {
        return ::testing::AssertionFailure() << actual.size() << " samples instead of " << expected.size();
    }
    for (std::size_t i = 0; i < actual.size(); ++i) {
        if (actual[i] != expected[i]) {
            return ::testing::AssertionFailure() << "sample " << i << " is " << actual[i] << " instead of " << expected[i];
        }
    }
    return ::testing::AssertionSuccess();
}

}  // namespace tool_test
