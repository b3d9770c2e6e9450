// Helpers shared by the engine tests: settings scope, a byte sink, the probe
// registry, preset documents and test signals.
#ifndef VOCALITH_TESTS_ENGINE_ENGINE_SUPPORT_H
#define VOCALITH_TESTS_ENGINE_ENGINE_SUPPORT_H

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "probe_plugin.h"
#include "vocalith/app/command_processor.h"
#include "vocalith/app/data_sink.h"
#include "vocalith/app/globals.h"
#include "vocalith/codec/abstract_codec.h"
#include "vocalith/ladspa/plugin_factory.h"

namespace engine_test {

// Sets the engine-relevant settings for one test and restores them after.
class settings_scope {
public:
    settings_scope(std::uint32_t nChannels, std::uint32_t nBlockSize = 256, std::uint32_t nLogLevel = 0);
    ~settings_scope();

private:
    app::Globals m_saved;
};

class byte_sink : public app::data_sink {
public:
    void write(const void* pData, unsigned int nSize) override;

    std::vector<unsigned char> bytes;
    unsigned int nCalls = 0;
};

// The registry over the probe library and the SDK amp (ids 1048, 1049),
// built once per test program.
ladspa::plugin_factory& registry();
// The probe library's counters and run hook.
engine_probe_state& probe();

// One "plugin" element: id, enabled flag and control values in order.
std::string plugin_xml(unsigned long nId, bool bEnabled, const std::vector<float>& controls);
// A whole document around the given plugin elements.
std::string rack_xml(const std::vector<std::string>& plugins);
// Loads a preset for the current settings from plugin elements.
std::shared_ptr<app::preset> make_preset(const std::vector<std::string>& plugins);

std::unique_ptr<codec::abstract_codec> make_codec(codec::id nIn, codec::id nOut);

// Deterministic pseudo-random 16-bit samples within +-nAmplitude.
std::vector<std::int16_t> noise16(std::size_t nCount, std::uint32_t nSeed, int nAmplitude);
std::vector<unsigned char> to_bytes(const std::vector<std::int16_t>& samples);
std::vector<unsigned char> to_bytes(const std::vector<float>& samples);
std::vector<std::int16_t> from_bytes16(const std::vector<unsigned char>& bytes);

// Feeds input in pieces of nPiece bytes (0: all at once), then ends the
// stream. Returns everything the sink received; adds the samples the engine
// reported to *pnSamples when given.
std::vector<unsigned char> convert(app::command_processor& engine, codec::abstract_codec& codec,
                                   const std::vector<unsigned char>& input, std::size_t nPiece,
                                   std::uint64_t* pnSamples = nullptr);

// Captures standard error for the scope's life.
class stderr_capture {
public:
    stderr_capture();
    ~stderr_capture();
    std::string text();

private:
    bool m_bDone;
    std::string m_strText;
};

}  // namespace engine_test

#endif
