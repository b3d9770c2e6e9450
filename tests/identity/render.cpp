// Renders the bundled speech sample through presets on the LADSPA SDK's
// example plugins into every codec, and each coded stream back to 16-bit
// PCM, one file per stream, for check.cmake to compare their digests with
// the list made on Linux x86-64. Only the C interface is used, as a host
// would use it.
//
//   identity_render SPEECH.wav SDK_PLUGIN_DIR OUT_DIR
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "vocalith/vocalith.h"

namespace {

struct preset {
    const char* pszName;
    const char* pszPlugin;  // <id> and <controlrow>s of the one plugin
};

// amp_mono at half gain; delay_5s 0.1 s at an even mix; the low-pass at 1 kHz.
const preset c_presets[] = {
    {"amp", "<id>1048</id><enabled>true</enabled><controlrow><value>0.5</value></controlrow>"},
    {"delay", "<id>1043</id><enabled>true</enabled><controlrow><value>0.1</value></controlrow>"
              "<controlrow><value>0.5</value></controlrow>"},
    {"filter", "<id>1041</id><enabled>true</enabled><controlrow><value>1000</value></controlrow>"},
};

struct codec {
    const char* pszName;
    int nId;
    std::size_t nPacket;  // bytes per 20 ms packet at 8 kHz
};

const codec c_codecs[] = {
    {"alaw", VOCALITH_CODEC_ALAW, 160},
    {"ulaw", VOCALITH_CODEC_ULAW, 160},
    {"gsm", VOCALITH_CODEC_GSM610, 33},
    {"pcm16", VOCALITH_CODEC_PCM16LE, 320},
};

int g_nProblems = 0;

// A plugin that is missing or refused would leave its stage out silently.
void count_warnings(void*, int nLevel, const char* pszLine)
{
    if (nLevel <= 2) {
        std::fprintf(stderr, "%s\n", pszLine);
        ++g_nProblems;
    }
}

int append(void* pUser, const void* pData, unsigned int nSize)
{
    static_cast<std::string*>(pUser)->append(static_cast<const char*>(pData), nSize);
    return 0;
}

// The 16-bit samples of a canonical WAV file: what follows its "data" id.
std::string wav_data(const char* pszPath)
{
    std::ifstream file(pszPath, std::ios::binary);
    const std::string strFile((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
    const std::size_t nData = strFile.find("data", 12);
    return nData == std::string::npos ? std::string() : strFile.substr(nData + 8);
}

// strIn (in nInCodec) through strXml in packets of nPacket bytes, flushed at the end.
std::string convert(const std::string& strXml, const std::string& strIn, int nInCodec, std::size_t nPacket,
                    int nOutCodec)
{
    std::string strOut;
    void* pHandle = vocalith_init_string(1, 8000, strXml.c_str());
    if (pHandle == nullptr) {
        ++g_nProblems;
        return strOut;
    }
    for (std::size_t nAt = 0; nAt + nPacket <= strIn.size(); nAt += nPacket) {
        if (vocalith_convert(pHandle, append, &strOut, nInCodec, strIn.data() + nAt,
                             static_cast<unsigned int>(nPacket), nOutCodec) != 0) {
            ++g_nProblems;
        }
    }
    if (vocalith_flush(pHandle, append, &strOut) != 0) ++g_nProblems;
    vocalith_fini(pHandle);
    return strOut;
}

void write(const std::string& strPath, const std::string& strBytes)
{
    std::ofstream file(strPath, std::ios::binary);
    file.write(strBytes.data(), static_cast<std::streamsize>(strBytes.size()));
    if (!file) ++g_nProblems;
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc != 4) {
        std::fprintf(stderr, "usage: identity_render SPEECH.wav SDK_PLUGIN_DIR OUT_DIR\n");
        return 2;
    }
    const std::string strSpeech = wav_data(argv[1]), strOut = argv[3];
    if (strSpeech.empty()) {
        std::fprintf(stderr, "no samples in %s\n", argv[1]);
        return 1;
    }
    vocalith_set_property(VOCALITH_PROP_LADSPA_DIR, argv[2]);
    vocalith_set_log_handler(count_warnings, nullptr);
    for (const preset& p : c_presets) {
        const std::string strXml = std::string("<jackrack><channels>1</channels><samplerate>8000</samplerate><plugin>") +
                                   p.pszPlugin + "</plugin></jackrack>";
        // The command renders the same preset from a file.
        write(strOut + "/" + p.pszName + ".xml", strXml);
        for (const codec& c : c_codecs) {
            const std::string strCoded = convert(strXml, strSpeech, VOCALITH_CODEC_PCM16LE, 320, c.nId);
            write(strOut + "/" + p.pszName + "." + c.pszName, strCoded);
            // Decoded again through no plugin (PCM would give the same bytes).
            if (c.nId == VOCALITH_CODEC_PCM16LE) continue;
            write(strOut + "/" + p.pszName + "." + c.pszName + ".pcm16",
                  convert("<jackrack></jackrack>", strCoded, c.nId, c.nPacket, VOCALITH_CODEC_PCM16LE));
        }
    }
    return g_nProblems == 0 ? 0 : 1;
}
