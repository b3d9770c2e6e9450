// Helpers of the codec tests: buffers with known contents, temporary
// directories and outside tools.
#ifndef VOCALITH_TESTS_CODEC_TEST_SUPPORT_H
#define VOCALITH_TESTS_CODEC_TEST_SUPPORT_H

#include <cstdint>
#include <memory>
#include <ostream>
#include <string>
#include <vector>

#include "vocalith/app/multibuffer.h"
#include "vocalith/codec/factory.h"

namespace codec {

// Whole result records compare and print in one assertion.
inline bool operator==(const decode_result& a, const decode_result& b)
{
    return a.nSampleCount == b.nSampleCount && a.nRestByteCount == b.nRestByteCount && a.bMore == b.bMore;
}

inline bool operator==(const encode_result& a, const encode_result& b)
{
    return a.nByteCount == b.nByteCount && a.nRestSampleCount == b.nRestSampleCount && a.bMore == b.bMore;
}

inline std::ostream& operator<<(std::ostream& os, const decode_result& r)
{
    return os << "{samples " << r.nSampleCount << ", rest bytes " << r.nRestByteCount << ", more " << r.bMore << "}";
}

inline std::ostream& operator<<(std::ostream& os, const encode_result& r)
{
    return os << "{bytes " << r.nByteCount << ", rest samples " << r.nRestSampleCount << ", more " << r.bMore << "}";
}

}  // namespace codec

namespace codec_test {

inline std::unique_ptr<codec::decoder> make_decoder(codec::id nId)
{
    return codec::factory::instance().create_decoder(nId);
}

inline std::unique_ptr<codec::encoder> make_encoder(codec::id nId)
{
    return codec::factory::instance().create_encoder(nId);
}

// A private directory, removed with everything in it.
class temp_dir {
public:
    temp_dir();
    ~temp_dir();
    temp_dir(const temp_dir&) = delete;
    temp_dir& operator=(const temp_dir&) = delete;

    std::string path(const std::string& strName) const { return m_strPath + "/" + strName; }

private:
    std::string m_strPath;
};

// True when the program is on the PATH.
bool have_tool(const char* pszName);
// Runs a shell command; true when it exits with status 0.
bool run(const std::string& strCommand);

std::vector<std::uint8_t> read_file(const std::string& strPath);
void write_file(const std::string& strPath, const void* pData, std::size_t nSize);

// Host-order 16-bit samples of a file, as tools write "-e signed -b 16".
std::vector<std::int16_t> read_s16(const std::string& strPath);

// Sample i of channel c, distinct for every (c, i) and exact in 16 bits.
float pattern(std::uint32_t nChannel, std::uint32_t nIndex);
// Fills every channel from the offset with pattern() over nCount samples.
void fill_pattern(app::sample_buffer& buf, std::uint32_t nCount);
// Fills every sample of every channel (whole capacity) with fValue.
void fill_all(app::sample_buffer& buf, float fValue);

// Deterministic white noise in [-nAmplitude, nAmplitude].
std::vector<std::int16_t> noise(std::size_t nCount, int nAmplitude, std::uint32_t nSeed);

}  // namespace codec_test

#endif
