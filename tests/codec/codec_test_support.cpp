#include "codec_test_support.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <random>
#include <stdexcept>

#include <unistd.h>

namespace codec_test {

temp_dir::temp_dir()
{
    char szTemplate[] = "/tmp/vocalith_codec_XXXXXX";
    if (mkdtemp(szTemplate) == nullptr) {
        throw std::runtime_error("mkdtemp failed");
    }
    m_strPath = szTemplate;
}

temp_dir::~temp_dir()
{
    run("rm -rf '" + m_strPath + "'");
}

bool have_tool(const char* pszName)
{
    return run(std::string("command -v ") + pszName + " >/dev/null 2>&1");
}

bool run(const std::string& strCommand)
{
    return std::system(strCommand.c_str()) == 0;
}

std::vector<std::uint8_t> read_file(const std::string& strPath)
{
    std::ifstream file(strPath, std::ios::binary);
    return std::vector<std::uint8_t>(std::istreambuf_iterator<char>(file),
                                     std::istreambuf_iterator<char>());
}

void write_file(const std::string& strPath, const void* pData, std::size_t nSize)
{
    std::ofstream file(strPath, std::ios::binary);
    file.write(static_cast<const char*>(pData), static_cast<std::streamsize>(nSize));
    if (!file) {
        throw std::runtime_error("cannot write " + strPath);
    }
}

std::vector<std::int16_t> read_s16(const std::string& strPath)
{
    const std::vector<std::uint8_t> bytes = read_file(strPath);
    std::vector<std::int16_t> samples(bytes.size() / 2);
    if (!samples.empty()) {
        std::memcpy(samples.data(), bytes.data(), samples.size() * 2);
    }
    return samples;
}

float pattern(std::uint32_t nChannel, std::uint32_t nIndex)
{
    // Odd step: the samples of one channel are distinct for 65536 indices,
    // and every value is an exact 16-bit sample.
    const int nValue = static_cast<int>((nChannel * 1009u + nIndex * 7u) & 0xFFFFu) - 32768;
    return static_cast<float>(nValue) / 32768.0f;
}

void fill_pattern(app::sample_buffer& buf, std::uint32_t nCount)
{
    for (std::uint32_t c = 0; c < buf.channel_count(); ++c) {
        for (std::uint32_t i = 0; i < nCount; ++i) {
            buf.data(c)[i] = pattern(c, i);
        }
    }
}

void fill_all(app::sample_buffer& buf, float fValue)
{
    for (std::uint32_t c = 0; c < buf.channel_count(); ++c) {
        std::fill(buf.channels()[c].pBegin, buf.channels()[c].pEnd, fValue);
    }
}

std::vector<std::int16_t> noise(std::size_t nCount, int nAmplitude, std::uint32_t nSeed)
{
    std::mt19937 engine(nSeed);
    std::uniform_int_distribution<int> dist(-nAmplitude, nAmplitude);
    std::vector<std::int16_t> samples(nCount);
    for (std::int16_t& s : samples) {
        s = static_cast<std::int16_t>(dist(engine));
    }
    return samples;
}

}  // namespace codec_test
