// Helpers of the hardening tests: converters through the C interface over a
// plugin directory of our own, test signals, and the process's memory.
#ifndef VOCALITH_TESTS_HARDEN_HARDEN_SUPPORT_H
#define VOCALITH_TESTS_HARDEN_HARDEN_SUPPORT_H

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include <unistd.h>

#include "vocalith/vocalith.h"

namespace harden {

typedef std::vector<std::uint8_t> bytes;

// Process-wide settings every converter of these tests uses: the plugin
// directory (fixture plugins and the SDK amplifier), block size 256, quiet.
inline void use_test_plugins(const char* pszDir)
{
    const std::int32_t nQuiet = 0;
    const std::int32_t nBlock = 256;
    vocalith_set_property(VOCALITH_PROP_LOG_LEVEL, &nQuiet);
    vocalith_set_property(VOCALITH_PROP_LADSPA_DIR, pszDir);
    vocalith_set_property(VOCALITH_PROP_BLOCK_SIZE, &nBlock);
}

inline int append(void* pUser, const void* pData, unsigned int nSize)
{
    const std::uint8_t* p = static_cast<const std::uint8_t*>(pData);
    static_cast<bytes*>(pUser)->insert(static_cast<bytes*>(pUser)->end(), p, p + nSize);
    return 0;
}

// nFrames interleaved 16-bit little-endian frames of a tone per channel
// (frequency fHz times the channel number plus one), at 8 kHz.
inline bytes tone_pcm16le(unsigned nChannels, unsigned nFrames, double fHz, double fLevel = 0.4)
{
    bytes out;
    out.reserve(static_cast<std::size_t>(nFrames) * nChannels * 2);
    for (unsigned i = 0; i < nFrames; ++i) {
        for (unsigned c = 0; c < nChannels; ++c) {
            const double x = fLevel * std::sin(2.0 * M_PI * fHz * (c + 1) * i / 8000.0);
            const auto n = static_cast<std::int16_t>(std::lround(x * 32767.0));
            out.push_back(static_cast<std::uint8_t>(n & 0xFF));
            out.push_back(static_cast<std::uint8_t>((n >> 8) & 0xFF));
        }
    }
    return out;
}

// Resident set of this process in bytes, from /proc/self/statm.
inline long resident_bytes()
{
    std::FILE* pFile = std::fopen("/proc/self/statm", "r");
    if (pFile == nullptr) {
        return -1;
    }
    long nSize = 0;
    long nResident = -1;
    if (std::fscanf(pFile, "%ld %ld", &nSize, &nResident) != 2) {
        nResident = -1;
    }
    std::fclose(pFile);
    return nResident < 0 ? -1 : nResident * sysconf(_SC_PAGESIZE);
}

}  // namespace harden

#endif
