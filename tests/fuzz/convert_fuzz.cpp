// Converters through the C interface: a preset from a small set (fixture
// plugins, the SDK amplifier and hostile plugins), random channel count,
// rate and block size, then a random sequence of conversions with random
// codec pairs and chunk sizes, control changes (NaN included) and preset
// switches. Checks the return values, that every piece handed to the
// callback is 1 to 8192 bytes and that each call's output is whole frames
// of its codec.
#include "fuzz_input.h"
#include "vocalith/vocalith.h"

namespace {

// An enabled plugin element.
std::string on(int nId, const std::string& strRest = "")
{
    return "<plugin><id>" + std::to_string(nId) + "</id><enabled>true</enabled>" + strRest + "</plugin>";
}

const std::string c_aPresets[] = {
    "<jackrack></jackrack>",
    // fixture gain, then 1->2 and 2->1 plugins that force channel adaptation
    "<jackrack>" + on(77001, "<controlrow><value>0.5</value></controlrow>") + on(77003) + on(77004) + "</jackrack>",
    // fixture stereo plugin with a wet/dry mix, SDK mono amplifier
    "<jackrack>" +
        on(77002, "<wet_dry_enabled>true</wet_dry_enabled><wet_dry_values><value>0.25</value></wet_dry_values>") +
        on(1048, "<controlrow><value>2</value></controlrow>") + "</jackrack>",
    // NaN and infinities from a plugin, no lifecycle calls
    "<jackrack>" + on(77503) + on(77502) + "</jackrack>",
    // a thousand controls, controls read at activation only, a nameless plugin
    "<jackrack>" + on(77505) + on(77508, "<controlrow><value>3</value></controlrow>") + on(77506) + "</jackrack>",
    // damaged documents, and a plugin that never instantiates
    "<jackrack><plugin><enabled>true</enabled><id>77001</id>",
    "<jackrack><plugin><id>-1</id><controlrow><value>nan</value></controlrow></plugin></jackrack>",
    "<jackrack>" + on(77501) + "</jackrack>",
};
const std::uint32_t c_nPresets = sizeof c_aPresets / sizeof c_aPresets[0];

int collect(void* pUser, const void* pData, unsigned int nSize)
{
    FUZZ_CHECK(nSize >= 1 && nSize <= 8192);
    // Copied, so that a bad pointer or size is caught by AddressSanitizer.
    const std::uint8_t* p = static_cast<const std::uint8_t*>(pData);
    static_cast<fuzz::bytes*>(pUser)->insert(static_cast<fuzz::bytes*>(pUser)->end(), p, p + nSize);
    return 0;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* pData, std::size_t nSize)
{
    const unsigned c_aRates[] = {8000, 16000, 44100, 1};
    const std::int32_t c_aBlockSizes[] = {1, 7, 64, 160, 256, 1024}, nQuiet = 0;
    vocalith_set_property(VOCALITH_PROP_LOG_LEVEL, &nQuiet);
    vocalith_set_property(VOCALITH_PROP_LADSPA_DIR, VOCALITH_FUZZ_LADSPA_DIR);
    fuzz::input in(pData, nSize);
    const std::uint32_t nPreset = in.range(0, c_nPresets - 1);
    const unsigned nChannels = in.range(1, 3), nRate = c_aRates[in.range(0, 3)];
    vocalith_set_property(VOCALITH_PROP_BLOCK_SIZE, &c_aBlockSizes[in.range(0, 5)]);
    void* pHandle = vocalith_init_string(nChannels, nRate, c_aPresets[nPreset].c_str());
    // Only the document that is not well-formed and the plugin that never
    // instantiates may be refused.
    FUZZ_CHECK(pHandle != nullptr || nPreset == 5 || nPreset == 7);
    for (int nOp = 0; pHandle != nullptr && nOp < 24 && in.left() > 0; ++nOp) {
        const std::uint8_t nKind = in.byte();
        if (nKind < 200) {
            const unsigned nInCodec = in.range(0, 7), nOutCodec = in.range(0, 7);
            const fuzz::bytes chunk = in.take(in.range(0, 4000));
            fuzz::bytes out;
            const int nResult = vocalith_convert(pHandle, collect, &out, nInCodec, chunk.data(),
                                                 static_cast<unsigned>(chunk.size()), nOutCodec);
            const bool bKnown = nInCodec >= 1 && nInCodec <= 6 && nOutCodec >= 1 && nOutCodec <= 6;
            const unsigned nFrame = nOutCodec == VOCALITH_CODEC_GSM610 ? 33
                                    : nOutCodec < 4                    ? nChannels * (nOutCodec == 1 ? 4 : 2)
                                                                       : 1;
            FUZZ_CHECK(nResult == (bKnown ? 0 : -1) && (bKnown || out.empty()) && out.size() % nFrame == 0);
        } else if (nKind < 240) {
            const float fValue = in.f32();
            const unsigned nPlugin = in.range(0, 4), nPort = in.range(0, 1001);
            vocalith_set_preset_property(pHandle, nPlugin, nPort, fValue);
        } else {
            vocalith_change_preset_string(pHandle, c_aPresets[in.range(0, c_nPresets - 1)].c_str());
        }
    }
    vocalith_fini(pHandle);
    return 0;
}
