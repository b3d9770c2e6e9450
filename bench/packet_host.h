// What the packet benchmarks share: the presets, the input, a byte-counting
// callback, and the hand-written floor they are compared with (µ-law decode,
// one SDK amp, µ-law encode, in 256-sample blocks, no library code at all).
#ifndef VOCALITH_BENCH_PACKET_HOST_H
#define VOCALITH_BENCH_PACKET_HOST_H

#include <dlfcn.h>
#include <ladspa.h>
#if defined(__SSE__)
#include <xmmintrin.h>
#endif

#include <cmath>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

namespace bench_host {

const char* const c_pszLadspaDir = "/usr/lib/ladspa";
const unsigned int c_nPacketBytes = 160;  // 20 ms of µ-law at 8000 Hz
const float c_fGain = 0.5f;

// An empty preset, the SDK amp, or the amp followed by a Butterworth high-pass
// and low-pass (a telephone band).
inline std::string chain_preset(unsigned int nPlugins)
{
    auto plugin = [](const char* pszId, const std::string& strControls) {
        return std::string("<plugin><id>") + pszId +
               "</id><enabled>true</enabled><wet_dry_enabled>false</wet_dry_enabled>" + strControls +
               "</plugin>";
    };
    auto row = [](const char* pszValue) { return std::string("<controlrow><value>") + pszValue + "</value></controlrow>"; };
    std::string strXml = "<?xml version=\"1.0\"?>\n<jackrack><channels>1</channels><samplerate>8000</samplerate>";
    if (nPlugins >= 1) {
        strXml += plugin("1048", row("0.5"));
    }
    if (nPlugins >= 3) {
        strXml += plugin("1904", row("300") + row("0.707"));
        strXml += plugin("1903", row("3400") + row("0.707"));
    }
    return strXml + "</jackrack>\n";
}

// The swh AM pitch shifter up by half, a plugin of hundreds of instructions per sample.
inline std::string pitch_preset()
{
    return "<?xml version=\"1.0\"?>\n<jackrack><channels>1</channels><samplerate>8000</samplerate>"
           "<plugin><id>1433</id><enabled>true</enabled><wet_dry_enabled>false</wet_dry_enabled>"
           "<controlrow><value>1.5</value></controlrow><controlrow><value>3</value></controlrow>"
           "</plugin></jackrack>\n";
}

// TAP's pitch shifter up seven semitones, wet only.
inline std::string tap_pitch_preset()
{
    return "<?xml version=\"1.0\"?>\n<jackrack><channels>1</channels><samplerate>8000</samplerate>"
           "<plugin><id>2150</id><enabled>true</enabled><wet_dry_enabled>false</wet_dry_enabled>"
           "<controlrow><value>7</value></controlrow><controlrow><value>0</value></controlrow>"
           "<controlrow><value>-90</value></controlrow><controlrow><value>0</value></controlrow>"
           "</plugin></jackrack>\n";
}

// One second of µ-law codes from a fixed generator: every code occurs.
inline std::vector<unsigned char> ulaw_input(std::size_t nBytes = 8000)
{
    std::vector<unsigned char> input(nBytes);
    std::uint32_t nState = 12345;
    for (unsigned char& b : input) {
        nState = nState * 1664525u + 1013904223u;
        b = static_cast<unsigned char>(nState >> 24);
    }
    return input;
}

// The host's output callback: counts bytes and keeps the last one.
struct byte_counter {
    std::uint64_t nBytes = 0;
    unsigned char nLast = 0;

    static int write(void* pUser, const void* pData, unsigned int nSize)
    {
        byte_counter& self = *static_cast<byte_counter*>(pUser);
        self.nBytes += nSize;
        self.nLast = static_cast<const unsigned char*>(pData)[nSize - 1];
        return 0;
    }
};

// Decode, the SDK's amp_mono through its own run(), encode, each a table
// look-up per sample: the least a converter can do for this job on one core
// without vector code.
class hand_floor {
public:
    static const unsigned int c_nBlock = 256;

    hand_floor() : m_pLibrary(nullptr), m_pDesc(nullptr), m_handle(nullptr), m_fGain(c_fGain)
    {
        for (unsigned int i = 0; i < 256; ++i) {
            m_decode[i] = static_cast<float>(ulaw_to_pcm(static_cast<unsigned char>(i))) / 32768.0f;
        }
        m_encode.resize(65536);
        for (int i = -32768; i < 32768; ++i) {
            m_encode[static_cast<std::uint16_t>(i)] = pcm_to_ulaw(i);
        }
        m_pLibrary = dlopen((std::string(c_pszLadspaDir) + "/amp.so").c_str(), RTLD_NOW | RTLD_LOCAL);
        auto pfnDescriptor =
            m_pLibrary ? reinterpret_cast<LADSPA_Descriptor_Function>(dlsym(m_pLibrary, "ladspa_descriptor")) : nullptr;
        m_pDesc = pfnDescriptor ? pfnDescriptor(0) : nullptr;  // amp_mono: gain, input, output
        if (m_pDesc != nullptr && m_pDesc->UniqueID == 1048) {
            m_handle = m_pDesc->instantiate(m_pDesc, 8000);
        }
        if (m_handle != nullptr) {
            m_pDesc->connect_port(m_handle, 0, &m_fGain);
            m_pDesc->connect_port(m_handle, 1, m_in);
            m_pDesc->connect_port(m_handle, 2, m_out);
        }
    }
    ~hand_floor()
    {
        if (m_handle != nullptr) {
            m_pDesc->cleanup(m_handle);
        }
        if (m_pLibrary != nullptr) {
            dlclose(m_pLibrary);
        }
    }
    hand_floor(const hand_floor&) = delete;
    hand_floor& operator=(const hand_floor&) = delete;

    bool ready() const { return m_handle != nullptr; }

    // nCount must be a multiple of c_nBlock.
    void process(const unsigned char* pIn, unsigned char* pOut, std::size_t nCount)
    {
        for (std::size_t nAt = 0; nAt < nCount; nAt += c_nBlock) {
            for (unsigned int i = 0; i < c_nBlock; ++i) {
                m_in[i] = m_decode[pIn[nAt + i]];
            }
            m_pDesc->run(m_handle, c_nBlock);
            for (unsigned int i = 0; i < c_nBlock; ++i) {
                pOut[nAt + i] = m_encode[static_cast<std::uint16_t>(to_int16(m_out[i]))];
            }
        }
    }

    static int ulaw_to_pcm(unsigned char nCode)
    {
        int u = ~nCode & 0xFF;
        int t = (((u & 0x0F) << 3) + 0x84) << ((u & 0x70) >> 4);
        return (u & 0x80) ? 0x84 - t : t - 0x84;
    }

    // The code's position on the signed scale of 255 levels (both zeros at 0).
    static int ulaw_level(unsigned char nCode)
    {
        int u = ~nCode & 0xFF;
        return (u & 0x80) ? -(u & 0x7F) : (u & 0x7F);
    }

    static unsigned char pcm_to_ulaw(int nPcm)
    {
        int nMask = 0xFF;
        if (nPcm < 0) {
            nPcm = -nPcm;
            nMask = 0x7F;
        }
        int v = nPcm >> 2;
        v = (v > 8158 ? 8158 : v) + 33;
        int nSeg = 31 - __builtin_clz(static_cast<unsigned int>(v)) - 5;
        return static_cast<unsigned char>(((nSeg << 4) | ((v >> (nSeg + 1)) & 0x0F)) ^ nMask);
    }

    static int to_int16(float f)
    {
        f *= 32768.0f;
        f = f < -32768.0f ? -32768.0f : (f > 32767.0f ? 32767.0f : f);
#if defined(__SSE__)
        return _mm_cvtss_si32(_mm_set_ss(f));  // rounds to nearest, no library call
#else
        return static_cast<int>(std::lrintf(f));
#endif
    }

private:
    void* m_pLibrary;
    const LADSPA_Descriptor* m_pDesc;
    LADSPA_Handle m_handle;
    LADSPA_Data m_fGain;
    std::vector<unsigned char> m_encode;  // by the 16-bit value's bits
    alignas(32) float m_decode[256];
    alignas(32) LADSPA_Data m_in[c_nBlock];
    alignas(32) LADSPA_Data m_out[c_nBlock];
};

}  // namespace bench_host

#endif
