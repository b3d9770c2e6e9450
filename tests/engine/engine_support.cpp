#include "engine_support.h"

#include <dlfcn.h>
#include <gtest/gtest.h>

#include <cstring>
#include <stdexcept>

#include "vocalith/app/preset_xml_parser.h"
#include "vocalith/codec/factory.h"

namespace engine_test {

settings_scope::settings_scope(std::uint32_t nChannels, std::uint32_t nBlockSize, std::uint32_t nLogLevel)
    : m_saved(app::s_Global)
{
    app::s_Global.nChannelCount = nChannels;
    app::s_Global.nSampleRate = 8000;
    app::s_Global.nBlockSize = nBlockSize;
    app::s_Global.nLogLevel = nLogLevel;
    app::s_Global.bBypass = false;
}

settings_scope::~settings_scope() { app::s_Global = m_saved; }

void byte_sink::write(const void* pData, unsigned int nSize)
{
    ++nCalls;
    const unsigned char* p = static_cast<const unsigned char*>(pData);
    bytes.insert(bytes.end(), p, p + nSize);
}

ladspa::plugin_factory& registry()
{
    static ladspa::plugin_factory s_registry(VOCALITH_ENGINE_PLUGIN_DIR);
    return s_registry;
}

engine_probe_state& probe()
{
    registry();
    void* pLibrary = dlopen(VOCALITH_ENGINE_PLUGIN_DIR "/engine_probe.so", RTLD_NOW | RTLD_NOLOAD);
    if (pLibrary == nullptr) {
        throw std::runtime_error("the registry has not loaded the probe library");
    }
    auto pfnProbe = reinterpret_cast<engine_probe_state* (*)()>(dlsym(pLibrary, "engine_probe"));
    dlclose(pLibrary);
    return *pfnProbe();
}

std::string plugin_xml(unsigned long nId, bool bEnabled, const std::vector<float>& controls)
{
    std::string strXml = "<plugin><id>" + std::to_string(nId) + "</id><enabled>" +
                         (bEnabled ? "true" : "false") + "</enabled>";
    for (float fValue : controls) {
        strXml += "<controlrow><value>" + std::to_string(fValue) + "</value></controlrow>";
    }
    return strXml + "</plugin>";
}

std::string rack_xml(const std::vector<std::string>& plugins)
{
    std::string strXml = "<?xml version=\"1.0\"?>\n<jackrack><channels>1</channels><samplerate>8000</samplerate>";
    for (const std::string& strPlugin : plugins) {
        strXml += strPlugin;
    }
    return strXml + "</jackrack>";
}

std::shared_ptr<app::preset> make_preset(const std::vector<std::string>& plugins)
{
    app::preset_xml_parser parser(registry());
    return parser.load_from_string(rack_xml(plugins));
}

std::unique_ptr<codec::abstract_codec> make_codec(codec::id nIn, codec::id nOut)
{
    return codec::factory::instance().create_codec(nIn, nOut);
}

std::vector<std::int16_t> noise16(std::size_t nCount, std::uint32_t nSeed, int nAmplitude)
{
    std::vector<std::int16_t> samples(nCount);
    std::uint32_t nState = nSeed * 2654435761u + 1;
    for (std::int16_t& s : samples) {
        nState = nState * 1664525u + 1013904223u;
        s = static_cast<std::int16_t>(static_cast<int>(nState >> 16) % (2 * nAmplitude + 1) - nAmplitude);
    }
    return samples;
}

std::vector<unsigned char> to_bytes(const std::vector<std::int16_t>& samples)
{
    std::vector<unsigned char> bytes(samples.size() * 2);
    for (std::size_t i = 0; i < samples.size(); ++i) {
        const std::uint16_t n = static_cast<std::uint16_t>(samples[i]);
        bytes[2 * i] = static_cast<unsigned char>(n & 0xff);
        bytes[2 * i + 1] = static_cast<unsigned char>(n >> 8);
    }
    return bytes;
}

std::vector<unsigned char> to_bytes(const std::vector<float>& samples)
{
    std::vector<unsigned char> bytes(samples.size() * sizeof(float));
    std::memcpy(bytes.data(), samples.data(), bytes.size());
    return bytes;
}

std::vector<std::int16_t> from_bytes16(const std::vector<unsigned char>& bytes)
{
    std::vector<std::int16_t> samples(bytes.size() / 2);
    for (std::size_t i = 0; i < samples.size(); ++i) {
        samples[i] = static_cast<std::int16_t>(bytes[2 * i] | (bytes[2 * i + 1] << 8));
    }
    return samples;
}

std::vector<unsigned char> convert(app::command_processor& engine, codec::abstract_codec& codec,
                                   const std::vector<unsigned char>& input, std::size_t nPiece,
                                   std::uint64_t* pnSamples)
{
    byte_sink sink;
    std::uint64_t nSamples = 0;
    const std::size_t nStep = nPiece == 0 ? input.size() : nPiece;
    for (std::size_t nAt = 0; nAt < input.size(); nAt += nStep) {
        const std::size_t nSize = std::min(nStep, input.size() - nAt);
        nSamples += engine.process(sink, input.data() + nAt, static_cast<unsigned int>(nSize), &codec);
    }
    nSamples += engine.process_tail(sink, &codec);
    if (pnSamples != nullptr) {
        *pnSamples += nSamples;
    }
    return sink.bytes;
}

stderr_capture::stderr_capture() : m_bDone(false) { testing::internal::CaptureStderr(); }

stderr_capture::~stderr_capture() { text(); }

std::string stderr_capture::text()
{
    if (!m_bDone) {
        m_strText = testing::internal::GetCapturedStderr();
        m_bDone = true;
    }
    return m_strText;
}

}  // namespace engine_test
