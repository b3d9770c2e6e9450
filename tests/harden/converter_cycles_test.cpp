// A host that creates, uses and destroys converters for hours must not grow.
// Leaks themselves are found by LeakSanitizer in the sanitizer build; here
// the resident set is watched over many cycles.
#include <gtest/gtest.h>

#include "harden_support.h"

#if defined(__SANITIZE_ADDRESS__)
#define VOCALITH_UNDER_ASAN 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define VOCALITH_UNDER_ASAN 1
#endif
#endif

namespace {

// Three plugins: fixture gain, SDK amplifier, fixture gain again.
const char* const c_pszChain =
    "<jackrack>"
    "<plugin><id>77001</id><enabled>true</enabled><controlrow><value>0.5</value></controlrow></plugin>"
    "<plugin><id>1048</id><enabled>true</enabled><controlrow><value>1.5</value></controlrow></plugin>"
    "<plugin><id>77001</id><enabled>true</enabled><controlrow><value>1.25</value></controlrow></plugin>"
    "</jackrack>";

// One converter's life: create, convert a few chunks through every codec
// pair family, switch the preset once, destroy. Returns the bytes produced.
std::size_t one_cycle(unsigned nChannels, const harden::bytes& input)
{
    void* pHandle = vocalith_init_string(nChannels, 8000, c_pszChain);
    EXPECT_NE(nullptr, pHandle);
    if (pHandle == nullptr) {
        return 0;
    }
    harden::bytes out;
    const unsigned aOut[] = {VOCALITH_CODEC_PCM16LE, VOCALITH_CODEC_GSM610, VOCALITH_CODEC_ULAW};
    for (unsigned nOut : aOut) {
        EXPECT_EQ(0, vocalith_convert(pHandle, harden::append, &out, VOCALITH_CODEC_PCM16LE, input.data(),
                                      static_cast<unsigned>(input.size()), nOut));
    }
    EXPECT_EQ(0, vocalith_change_preset_string(pHandle, c_pszChain));
    EXPECT_EQ(0, vocalith_convert(pHandle, harden::append, &out, VOCALITH_CODEC_PCM16LE, input.data(),
                                  static_cast<unsigned>(input.size()), VOCALITH_CODEC_FLOAT32));
    vocalith_fini(pHandle);
    return out.size();
}

TEST(ConverterCycles, ThousandCyclesKeepResidentMemoryFlat)
{
    harden::use_test_plugins(VOCALITH_HARDEN_PLUGIN_DIR);
    const harden::bytes mono = harden::tone_pcm16le(1, 1000, 440.0);
    const harden::bytes stereo = harden::tone_pcm16le(2, 1000, 440.0);

    // Warm-up: allocator pools, the loader's caches, libxml2's globals.
    for (int i = 0; i < 100; ++i) {
        ASSERT_GT(one_cycle(1 + i % 2, i % 2 ? stereo : mono), 0u);
    }
    const long nBefore = harden::resident_bytes();
    ASSERT_GT(nBefore, 0);
    for (int i = 0; i < 1000; ++i) {
        ASSERT_GT(one_cycle(1 + i % 2, i % 2 ? stereo : mono), 0u) << "cycle " << i;
    }
    const long nAfter = harden::resident_bytes();
#ifdef VOCALITH_UNDER_ASAN
    // AddressSanitizer holds freed memory in quarantine; LeakSanitizer
    // checks this run for leaks at exit instead.
    (void)nAfter;
#else
    // One leaked block of a few hundred bytes per cycle would show as well
    // over the slack allowed for allocator noise.
    EXPECT_LT(nAfter - nBefore, 256L * 1024) << "before " << nBefore << ", after " << nAfter;
#endif
}

}  // namespace
