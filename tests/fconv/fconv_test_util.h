// Temporary directories, whole-file helpers and a RIFF/WAVE byte builder
// for the sound-file tests.
#ifndef VOCALITH_TESTS_FCONV_TEST_UTIL_H
#define VOCALITH_TESTS_FCONV_TEST_UTIL_H

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <stdexcept>
#include <string>
#include <vector>

namespace fconv_test {

using bytes = std::vector<std::uint8_t>;

class temp_dir {
public:
    temp_dir()
    {
        std::string strTemplate =
            (std::filesystem::temp_directory_path() / "vocalith-fconv-XXXXXX").string();
        if (::mkdtemp(strTemplate.data()) == nullptr) throw std::runtime_error("mkdtemp failed");
        m_path = strTemplate;
    }
    ~temp_dir()
    {
        std::error_code ec;
        std::filesystem::remove_all(m_path, ec);
    }
    temp_dir(const temp_dir&) = delete;
    temp_dir& operator=(const temp_dir&) = delete;

    std::string file(const std::string& strName) const { return (m_path / strName).string(); }
    const std::filesystem::path& path() const { return m_path; }

private:
    std::filesystem::path m_path;
};

inline void write_file(const std::string& strPath, const bytes& data)
{
    std::ofstream out(strPath, std::ios::binary);
    out.write(reinterpret_cast<const char*>(data.data()), static_cast<std::streamsize>(data.size()));
}

inline bytes read_file(const std::string& strPath)
{
    std::ifstream in(strPath, std::ios::binary);
    return bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

inline std::uint16_t le16(const bytes& b, std::size_t nAt)
{
    return static_cast<std::uint16_t>(b.at(nAt) | (b.at(nAt + 1) << 8));
}

inline std::uint32_t le32(const bytes& b, std::size_t nAt)
{
    return std::uint32_t(le16(b, nAt)) | (std::uint32_t(le16(b, nAt + 2)) << 16);
}

inline void append16(bytes& b, std::uint16_t n)
{
    b.push_back(static_cast<std::uint8_t>(n));
    b.push_back(static_cast<std::uint8_t>(n >> 8));
}

inline void append32(bytes& b, std::uint32_t n)
{
    append16(b, static_cast<std::uint16_t>(n));
    append16(b, static_cast<std::uint16_t>(n >> 16));
}

// One chunk: its id, its payload and the size its header declares (the
// payload's size unless given). Odd payloads get a pad byte unless told.
struct chunk {
    std::string strId;
    bytes payload;
    std::int64_t nDeclared = -1;
    bool bPad = true;
};

// A 16-byte format chunk payload, followed by the extra bytes given.
inline bytes fmt_payload(std::uint16_t nTag, std::uint16_t nChannels, std::uint32_t nRate,
                         std::uint16_t nBits, const bytes& extra = {})
{
    bytes b;
    const std::uint16_t nAlign = static_cast<std::uint16_t>(nChannels * nBits / 8);
    append16(b, nTag);
    append16(b, nChannels);
    append32(b, nRate);
    append32(b, nRate * nAlign);
    append16(b, nAlign);
    append16(b, nBits);
    b.insert(b.end(), extra.begin(), extra.end());
    return b;
}

// WAVE_FORMAT_EXTENSIBLE: cbSize 22, valid bits, channel mask, then the
// sub-format GUID whose first two bytes are nSubTag.
inline bytes extensible_payload(std::uint16_t nSubTag, std::uint16_t nChannels,
                                std::uint32_t nRate, std::uint16_t nBits, bool bStandardGuid = true)
{
    bytes extra;
    append16(extra, 22);
    append16(extra, nBits);
    append32(extra, nChannels == 2 ? 3 : 4);
    append16(extra, nSubTag);
    const bytes tail = {0x00, 0x00, 0x00, 0x00, 0x10, 0x00, 0x80,
                        0x00, 0x00, 0xAA, 0x00, 0x38, 0x9B, 0x71};
    extra.insert(extra.end(), tail.begin(), tail.end());
    if (!bStandardGuid) extra.back() ^= 0xFF;
    return fmt_payload(0xFFFE, nChannels, nRate, nBits, extra);
}

// "RIFF", size, "WAVE" and the chunks.
inline bytes riff(const std::vector<chunk>& chunks)
{
    bytes body = {'W', 'A', 'V', 'E'};
    for (const chunk& c : chunks) {
        body.insert(body.end(), c.strId.begin(), c.strId.end());
        append32(body, c.nDeclared >= 0 ? static_cast<std::uint32_t>(c.nDeclared)
                                        : static_cast<std::uint32_t>(c.payload.size()));
        body.insert(body.end(), c.payload.begin(), c.payload.end());
        if (c.bPad && c.payload.size() % 2 == 1) body.push_back(0);
    }
    bytes file = {'R', 'I', 'F', 'F'};
    append32(file, static_cast<std::uint32_t>(body.size()));
    file.insert(file.end(), body.begin(), body.end());
    return file;
}

// n bytes counting up from nFirst, wrapping.
inline bytes ramp(std::size_t n, std::uint8_t nFirst = 0)
{
    bytes b(n);
    for (std::size_t i = 0; i < n; ++i) b[i] = static_cast<std::uint8_t>(nFirst + i);
    return b;
}

}  // namespace fconv_test

#endif
