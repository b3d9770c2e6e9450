// Shared by the engine suites: a fixture that restores the settings, a byte
// sink, the registry over the probe and the SDK amp (1048), presets, signals.
#ifndef VOCALITH_TESTS_ENGINE_ENGINE_SUPPORT_H
#define VOCALITH_TESTS_ENGINE_ENGINE_SUPPORT_H

#include <gtest/gtest.h>

#include <cstring>

#include "probe_plugin.h"
#include "vocalith/app/command_processor.h"
#include "vocalith/app/preset_xml_parser.h"
#include "vocalith/codec/factory.h"
#include "vocalith/ladspa/plugin_factory.h"
#include "vocalith/sysport/shared_library.h"

namespace engine_test {

using app::command_processor;

class engine : public ::testing::Test {
protected:
    ~engine() override { app::s_Global = m_saved; }
    app::Globals m_saved = app::s_Global;
    std::unique_ptr<codec::abstract_codec> m_pcm16 =
        codec::factory::instance().create_codec(codec::id_pcm_int16le, codec::id_pcm_int16le);
};

struct byte_sink : app::data_sink {
    void write(const void* pData, unsigned int nSize) override
    {
        bytes.insert(bytes.end(), static_cast<const char*>(pData), static_cast<const char*>(pData) + nSize);
    }
    std::vector<char> bytes;
};

inline ladspa::plugin_factory& registry()
{
    static ladspa::plugin_factory s_registry(VOCALITH_ENGINE_PLUGIN_DIR);
    return s_registry;
}

// The state of the probe library, once the registry has loaded it.
inline engine_probe_state& probe()
{
    // Opening the loaded library again reaches the same copy of its state.
    static sysport::shared_library s_library;
    std::string strError;
    if (!s_library.is_open() && !s_library.open(VOCALITH_ENGINE_PLUGIN_DIR "/engine_probe.so", strError)) {
        throw std::runtime_error(strError);
    }
    return *reinterpret_cast<engine_probe_state* (*)()>(s_library.symbol("engine_probe", strError))();
}

// A chain of enabled plugins, as {id, value of the one control}.
inline std::shared_ptr<app::preset> make_preset(const std::vector<std::pair<unsigned long, float>>& chain)
{
    std::string strXml = "<jackrack>";
    for (const auto& plugin : chain) {
        strXml += "<plugin><id>" + std::to_string(plugin.first) + "</id><enabled>true</enabled><controlrow><value>" +
                  std::to_string(plugin.second) + "</value></controlrow></plugin>";
    }
    return app::preset_xml_parser(registry()).load_from_string(strXml + "</jackrack>");
}

inline std::shared_ptr<app::preset> gain(float fGain) { return make_preset({{c_nProbeId, fGain}}); }

// Pseudo-random 16-bit samples within +-nAmplitude, as native-order bytes.
inline std::vector<char> noise16(std::size_t nCount, std::uint32_t nSeed, int nAmplitude)
{
    std::vector<char> bytes(2 * nCount);
    for (std::size_t i = 0; i < nCount; ++i) {
        nSeed = nSeed * 1664525u + 1013904223u;
        const auto n = static_cast<std::int16_t>(static_cast<int>(nSeed >> 16) % (2 * nAmplitude + 1) - nAmplitude);
        std::memcpy(&bytes[2 * i], &n, 2);
    }
    return bytes;
}

// The bytes with 16-bit samples nFrom to nTo - 1 times nFactor.
inline std::vector<char> scale(std::vector<char> bytes, std::size_t nFrom, std::size_t nTo, int nFactor)
{
    for (std::size_t i = nFrom; i < nTo; ++i) {
        std::int16_t n;
        std::memcpy(&n, &bytes.at(2 * i), 2);
        n = static_cast<std::int16_t>(n * nFactor);
        std::memcpy(&bytes[2 * i], &n, 2);
    }
    return bytes;
}

// Feeds input to the engine in pieces of nPiece bytes; returns the samples encoded.
inline std::size_t feed(command_processor& engine, app::data_sink& sink, const std::vector<char>& input,
                        std::size_t nPiece, codec::abstract_codec* pCodec)
{
    std::size_t nSamples = 0;
    for (std::size_t nAt = 0; nAt < input.size(); nAt += nPiece) {
        const unsigned int nSize = static_cast<unsigned int>(std::min(nPiece, input.size() - nAt));
        nSamples += engine.process(sink, input.data() + nAt, nSize, pCodec);
    }
    return nSamples;
}

}  // namespace engine_test

#endif
