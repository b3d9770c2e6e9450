// A fixed amount of packet work for instruction counting under callgrind,
// where Google Benchmark's adaptive iteration counts would not do:
//
//   vocalith_packets convert|engine PRESET PACKETS   20 ms µ-law packets, µ-law out
//   vocalith_packets floor PACKETS                   the hand-written floor, same samples
//   vocalith_packets memory                          bytes an engine allocates when built
//
// PRESET is none, amp, chain3, pitch (swh) or tappitch (TAP). Two runs with different packet counts,
// subtracted, give the instructions of the packets alone.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <new>
#include <string>
#include <vector>

#include "packet_host.h"
#include "vocalith/app/command_processor.h"
#include "vocalith/app/globals.h"
#include "vocalith/app/preset.h"
#include "vocalith/app/preset_xml_parser.h"
#include "vocalith/codec/factory.h"
#include "vocalith/ladspa/plugin_factory.h"
#include "vocalith/vocalith.h"

namespace {

std::size_t s_nAllocated = 0;

void* counted(std::size_t nSize, std::size_t nAlign)
{
    s_nAllocated += nSize;
    void* p = nullptr;
    if (posix_memalign(&p, nAlign < sizeof(void*) ? sizeof(void*) : nAlign, nSize ? nSize : 1) != 0) {
        throw std::bad_alloc();
    }
    return p;
}

}  // namespace

void* operator new(std::size_t n) { return counted(n, alignof(std::max_align_t)); }
void* operator new[](std::size_t n) { return counted(n, alignof(std::max_align_t)); }
void* operator new(std::size_t n, std::align_val_t a) { return counted(n, static_cast<std::size_t>(a)); }
void* operator new[](std::size_t n, std::align_val_t a) { return counted(n, static_cast<std::size_t>(a)); }
void operator delete(void* p) noexcept { std::free(p); }
void operator delete[](void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }
void operator delete[](void* p, std::size_t) noexcept { std::free(p); }
void operator delete(void* p, std::align_val_t) noexcept { std::free(p); }
void operator delete[](void* p, std::align_val_t) noexcept { std::free(p); }
void operator delete(void* p, std::size_t, std::align_val_t) noexcept { std::free(p); }
void operator delete[](void* p, std::size_t, std::align_val_t) noexcept { std::free(p); }

namespace {

using bench_host::c_nPacketBytes;

std::string preset_xml(const std::string& strName)
{
    if (strName == "none") {
        return bench_host::chain_preset(0);
    }
    if (strName == "amp") {
        return bench_host::chain_preset(1);
    }
    if (strName == "chain3") {
        return bench_host::chain_preset(3);
    }
    if (strName == "pitch") {
        return bench_host::pitch_preset();
    }
    if (strName == "tappitch") {
        return bench_host::tap_pitch_preset();
    }
    std::fprintf(stderr, "unknown preset %s (none, amp, chain3, pitch, tappitch)\n", strName.c_str());
    std::exit(2);
}

void settings(unsigned int nChannels)
{
    const std::int32_t nLevel = 0;
    vocalith_set_property(VOCALITH_PROP_LOG_LEVEL, &nLevel);
    vocalith_set_property(VOCALITH_PROP_LADSPA_DIR, bench_host::c_pszLadspaDir);
    app::s_Global.nChannelCount = nChannels;
    app::s_Global.nSampleRate = 8000;
    app::s_Global.nBlockSize = 256;
}

int run_convert(const std::string& strPreset, unsigned long nPackets)
{
    settings(1);
    void* pHandle = vocalith_init_string(1, 8000, preset_xml(strPreset).c_str());
    if (pHandle == nullptr) {
        std::fprintf(stderr, "no converter\n");
        return 1;
    }
    const std::vector<unsigned char> input = bench_host::ulaw_input();
    bench_host::byte_counter counter;
    std::size_t nAt = 0;
    for (unsigned long i = 0; i < nPackets; ++i) {
        vocalith_convert(pHandle, &bench_host::byte_counter::write, &counter, VOCALITH_CODEC_ULAW,
                         input.data() + nAt, c_nPacketBytes, VOCALITH_CODEC_ULAW);
        nAt = nAt + c_nPacketBytes < input.size() ? nAt + c_nPacketBytes : 0;
    }
    vocalith_fini(pHandle);
    std::printf("%llu bytes out\n", static_cast<unsigned long long>(counter.nBytes));
    return 0;
}

class counting_sink : public app::data_sink {
public:
    void write(const void* pData, unsigned int nSize) override
    {
        bench_host::byte_counter::write(&m_counter, pData, nSize);
    }
    bench_host::byte_counter m_counter;
};

int run_engine(const std::string& strPreset, unsigned long nPackets)
{
    settings(1);
    ladspa::plugin_factory registry(bench_host::c_pszLadspaDir);
    app::preset_xml_parser parser(registry);
    std::shared_ptr<app::preset> preset = parser.load_from_string(preset_xml(strPreset));
    app::command_processor engine(registry, preset);
    auto pCodec = codec::factory::instance().create_codec(codec::id_g711_ulaw, codec::id_g711_ulaw);
    const std::vector<unsigned char> input = bench_host::ulaw_input();
    counting_sink sink;
    std::size_t nAt = 0;
    for (unsigned long i = 0; i < nPackets; ++i) {
        engine.process(sink, input.data() + nAt, c_nPacketBytes, pCodec.get());
        nAt = nAt + c_nPacketBytes < input.size() ? nAt + c_nPacketBytes : 0;
    }
    std::printf("%llu bytes out\n", static_cast<unsigned long long>(sink.m_counter.nBytes));
    return 0;
}

int run_floor(unsigned long nPackets)
{
    bench_host::hand_floor floor;
    if (!floor.ready()) {
        std::fprintf(stderr, "the SDK amp is not installed\n");
        return 1;
    }
    // The same samples as the packets, in the floor's 256-sample blocks.
    const std::size_t nChunk = 256 * 25;  // 0.8 s
    const std::vector<unsigned char> input = bench_host::ulaw_input(nChunk);
    std::vector<unsigned char> output(nChunk);
    std::size_t nLeft = static_cast<std::size_t>(nPackets) * c_nPacketBytes / 256 * 256;
    unsigned long nSum = 0;
    while (nLeft > 0) {
        std::size_t n = nLeft < nChunk ? nLeft : nChunk;
        floor.process(input.data(), output.data(), n);
        nSum += output[n - 1];
        nLeft -= n;
    }
    std::printf("%lu\n", nSum);
    return 0;
}

std::size_t engine_bytes(unsigned int nChannels)
{
    settings(nChannels);
    ladspa::plugin_factory registry(bench_host::c_pszLadspaDir);
    app::preset_xml_parser parser(registry);
    std::shared_ptr<app::preset> preset = parser.load_from_string(preset_xml("none"));
    std::size_t nBefore = s_nAllocated;
    app::command_processor engine(registry, preset);
    return s_nAllocated - nBefore;
}

int run_memory()
{
    std::size_t n1 = engine_bytes(1);
    std::size_t n2 = engine_bytes(2);
    std::printf("engine buffers at block 256: %zu bytes for 1 channel, %zu for 2, %zu per added channel\n", n1,
                n2, n2 - n1);
    return 0;
}

}  // namespace

int main(int argc, char** argv)
{
    std::string strMode = argc > 1 ? argv[1] : "";
    if ((strMode == "convert" || strMode == "engine") && argc == 4) {
        unsigned long nPackets = std::strtoul(argv[3], nullptr, 10);
        return strMode == "convert" ? run_convert(argv[2], nPackets) : run_engine(argv[2], nPackets);
    }
    if (strMode == "floor" && argc == 3) {
        return run_floor(std::strtoul(argv[2], nullptr, 10));
    }
    if (strMode == "memory" && argc == 2) {
        return run_memory();
    }
    std::fprintf(stderr, "usage: vocalith_packets convert|engine PRESET PACKETS | floor PACKETS | memory\n");
    return 2;
}
