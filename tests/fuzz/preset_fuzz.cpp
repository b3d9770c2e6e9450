// Preset documents from random text, loaded through a registry over the
// fixture plugins and the hostile plugins, with a random channel count, rate
// and block size; a loaded preset is described, activated and run over a
// block with random control changes. Checks that begin and end nodes of the
// description pair up and that nothing but app::exception leaves the loader.
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "fuzz_input.h"
#include "vocalith/app/exception.h"
#include "vocalith/app/globals.h"
#include "vocalith/app/multibuffer.h"
#include "vocalith/app/preset.h"
#include "vocalith/app/preset_formatter.h"
#include "vocalith/app/preset_xml_parser.h"
#include "vocalith/ladspa/plugin_factory.h"

namespace {

// Counts what the description writes and checks that nodes nest.
class counting_formatter : public app::preset_formatter {
public:
    void begin_node(bool, const char* pszName) override
    {
        FUZZ_CHECK(pszName != nullptr);
        m_open.push_back(pszName);
    }
    void end_node(bool, const char* pszName) override
    {
        FUZZ_CHECK(!m_open.empty() && m_open.back() == pszName);
        m_open.pop_back();
    }
    void write_string(const char* pszKey, const char* pszValue) override
    {
        FUZZ_CHECK(pszKey != nullptr && pszValue != nullptr);
    }
    void write_uint(const char* pszKey, unsigned int) override { FUZZ_CHECK(pszKey != nullptr); }
    void write_ulong(const char* pszKey, unsigned long) override { FUZZ_CHECK(pszKey != nullptr); }
    void write_float(const char* pszKey, float) override { FUZZ_CHECK(pszKey != nullptr); }
    void write_bool(const char* pszKey, bool) override { FUZZ_CHECK(pszKey != nullptr); }

    bool balanced() const { return m_open.empty(); }

private:
    std::vector<std::string> m_open;
};

ladspa::plugin_factory& registry()
{
    static ladspa::plugin_factory* s_pRegistry = [] {
        app::s_Global.nLogLevel = 0;
        return new ladspa::plugin_factory(std::string(VOCALITH_TEST_PLUGIN_DIR) + ";" + VOCALITH_HOSTILE_PLUGIN_DIR);
    }();
    return *s_pRegistry;
}

const unsigned c_aRates[] = {8000, 16000, 48000, 1};
const unsigned c_aBlockSizes[] = {1, 7, 64, 256};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* pData, std::size_t nSize)
{
    ladspa::plugin_factory& plugins = registry();
    fuzz::input in(pData, nSize);
    app::s_Global.nChannelCount = in.range(1, 4);
    app::s_Global.nSampleRate = c_aRates[in.range(0, 3)];
    app::s_Global.nBlockSize = c_aBlockSizes[in.range(0, 3)];
    const std::uint32_t nControl = in.u32();
    std::size_t nText = 0;
    const std::uint8_t* pText = in.take(nSize, nText);
    const std::string xml(reinterpret_cast<const char*>(pText), nText);

    std::shared_ptr<app::preset> pPreset;
    try {
        pPreset = app::preset_xml_parser(plugins).load_from_string(xml);
    } catch (const app::exception&) {
        return 0;
    }
    FUZZ_CHECK(pPreset != nullptr);

    counting_formatter formatter;
    pPreset->describe(formatter);
    FUZZ_CHECK(formatter.balanced());

    const unsigned nChannels = app::s_Global.nChannelCount;
    const unsigned nBlock = app::s_Global.nBlockSize;
    app::sample_buffer buffer(nChannels, nBlock);
    for (unsigned c = 0; c < nChannels; ++c) {
        for (unsigned i = 0; i < nBlock; ++i) {
            buffer.data(c)[i] = 0.01f * static_cast<float>((i * 7 + c) % 100) - 0.5f;
        }
    }
    pPreset->activate();
    pPreset->set_control_port_value(nControl & 0xF, (nControl >> 4) & 0x3FF, 0.5f);
    const app::sample_buffer& out = pPreset->apply(buffer, nBlock);
    FUZZ_CHECK(out.channel_count() >= nChannels);
    return 0;
}
