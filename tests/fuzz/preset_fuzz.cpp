// Preset documents from random text, loaded through a registry over the
// fixture plugins and the hostile plugins, with a random channel count, rate
// and block size; a loaded preset is described, activated and run over a
// block after a random control change. Checks that begin and end nodes of
// the description pair up and that nothing but app::exception leaves the
// loader (anything else ends the program).
#include "fuzz_input.h"
#include "vocalith/app/exception.h"
#include "vocalith/app/globals.h"
#include "vocalith/app/preset.h"
#include "vocalith/app/preset_formatter.h"
#include "vocalith/app/preset_xml_parser.h"
#include "vocalith/ladspa/plugin_factory.h"

namespace {

class nesting_formatter : public app::preset_formatter {
public:
    void begin_node(bool, const char* pszName) override { m_open.push_back(pszName); }
    void end_node(bool, const char* pszName) override { FUZZ_CHECK(!m_open.empty() && m_open.back() == pszName), m_open.pop_back(); }
    void write_string(const char*, const char* pszValue) override { FUZZ_CHECK(pszValue != nullptr); }
    void write_uint(const char*, unsigned int) override {}
    void write_ulong(const char*, unsigned long) override {}
    void write_float(const char*, float) override {}
    void write_bool(const char*, bool) override {}
    std::vector<std::string> m_open;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* pData, std::size_t nSize)
{
    static ladspa::plugin_factory* s_pPlugins = [] {
        app::s_Global.nLogLevel = 0;
        return new ladspa::plugin_factory(VOCALITH_TEST_PLUGIN_DIR ";" VOCALITH_HOSTILE_PLUGIN_DIR);
    }();
    const unsigned c_aRates[] = {8000, 16000, 48000, 1};
    const unsigned c_aBlockSizes[] = {1, 7, 64, 256};
    fuzz::input in(pData, nSize);
    const unsigned nChannels = app::s_Global.nChannelCount = in.range(1, 4);
    app::s_Global.nSampleRate = c_aRates[in.range(0, 3)];
    const unsigned nBlock = app::s_Global.nBlockSize = c_aBlockSizes[in.range(0, 3)];
    const std::uint32_t nControl = in.u32();
    const fuzz::bytes text = in.take(nSize);
    std::shared_ptr<app::preset> pPreset;
    try {
        pPreset = app::preset_xml_parser(*s_pPlugins).load_from_string(std::string(text.begin(), text.end()));
    } catch (const app::exception&) {
        return 0;
    }
    nesting_formatter formatter;
    pPreset->describe(formatter);
    FUZZ_CHECK(formatter.m_open.empty());
    app::sample_buffer buffer(nChannels, nBlock);
    std::fill(buffer.channels()[0].pBegin, buffer.channels()[0].pEnd, 0.5f);
    pPreset->activate();
    pPreset->set_control_port_value(nControl & 0xF, (nControl >> 4) & 0x3FF, 0.5f);
    FUZZ_CHECK(pPreset->apply(buffer, nBlock).channel_count() >= nChannels);
    return 0;
}
