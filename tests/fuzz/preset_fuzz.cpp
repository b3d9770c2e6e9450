// Preset documents from random text, loaded through a registry over the
// fixture plugins and the hostile plugins, with a random channel count, rate
// and block size; a loaded preset is activated and run over a block after a
// random control change. Nothing but app::exception may leave the loader
// (anything else ends the program), and the chain gives at least the
// stream's channels.
#include "fuzz_input.h"
#include "vocalith/app/exception.h"
#include "vocalith/app/globals.h"
#include "vocalith/app/preset.h"
#include "vocalith/app/preset_xml_parser.h"
#include "vocalith/ladspa/plugin_factory.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* pData, std::size_t nSize)
{
    app::s_Global.nLogLevel = 0;
    static ladspa::plugin_factory s_plugins(VOCALITH_TEST_PLUGIN_DIR ";" VOCALITH_HOSTILE_PLUGIN_DIR);
    const unsigned c_aRates[] = {8000, 16000, 48000, 1}, c_aBlockSizes[] = {1, 7, 64, 256};
    fuzz::input in(pData, nSize);
    const unsigned nChannels = app::s_Global.nChannelCount = in.range(1, 4);
    app::s_Global.nSampleRate = c_aRates[in.range(0, 3)];
    const unsigned nBlock = app::s_Global.nBlockSize = c_aBlockSizes[in.range(0, 3)];
    const std::uint32_t nControl = in.u32();
    const fuzz::bytes text = in.take(nSize);
    std::shared_ptr<app::preset> pPreset;
    try {
        pPreset = app::preset_xml_parser(s_plugins).load_from_string(std::string(text.begin(), text.end()));
    } catch (const app::exception&) {
        return 0;
    }
    app::sample_buffer buffer(nChannels, nBlock);
    std::fill(buffer.channels()[0].pBegin, buffer.channels()[0].pEnd, 0.5f);
    pPreset->activate();
    pPreset->set_control_port_value(nControl & 0xF, (nControl >> 4) & 0x3FF, 0.5f);
    FUZZ_CHECK(pPreset->apply(buffer, nBlock).channel_count() >= nChannels);
    return 0;
}
