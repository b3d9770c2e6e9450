// The converter driven as a telephony host drives it: one call per 20 ms
// packet of µ-law (160 bytes), µ-law back, through an empty preset, the SDK
// amp, and a chain of three, the amp also with the DTMF detector on; the same packets straight through the engine;
// the hand-written floor for the amp job; and the cost of creating and
// destroying a converter with Debian's whole plugin directory on the path.
// Items are samples: compare items_per_second within one run only.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <memory>
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

using bench_host::c_nPacketBytes;

void quiet_settings(unsigned int nBlockSize = 256)
{
    const std::int32_t nLevel = 0;
    const std::int32_t nBlock = static_cast<std::int32_t>(nBlockSize);
    vocalith_set_property(VOCALITH_PROP_LOG_LEVEL, &nLevel);
    vocalith_set_property(VOCALITH_PROP_BLOCK_SIZE, &nBlock);
    vocalith_set_property(VOCALITH_PROP_LADSPA_DIR, bench_host::c_pszLadspaDir);
}

void ignore_key(void*, char, unsigned long long, unsigned long long) {}

// Packets through a chain of nPlugins; with bDtmf a DTMF handler is set, so
// the detector runs on every packet too.
void run_packets(benchmark::State& state, unsigned int nPlugins, bool bDtmf)
{
    quiet_settings();
    void* pHandle = vocalith_init_string(1, 8000, bench_host::chain_preset(nPlugins).c_str());
    if (pHandle == nullptr) {
        state.SkipWithError("no converter (are the SDK and swh plugins installed?)");
        return;
    }
    if (bDtmf) {
        vocalith_set_dtmf_handler(pHandle, &ignore_key, nullptr);
    }
    const std::vector<unsigned char> input = bench_host::ulaw_input();
    bench_host::byte_counter counter;
    std::size_t nAt = 0;
    for (auto _ : state) {
        vocalith_convert(pHandle, &bench_host::byte_counter::write, &counter, VOCALITH_CODEC_ULAW,
                         input.data() + nAt, c_nPacketBytes, VOCALITH_CODEC_ULAW);
        nAt = nAt + c_nPacketBytes < input.size() ? nAt + c_nPacketBytes : 0;
    }
    vocalith_fini(pHandle);
    // Every byte in comes out, less what waits for the next block.
    if (counter.nBytes + 256 < static_cast<std::uint64_t>(state.iterations()) * c_nPacketBytes) {
        state.SkipWithError("the converter lost output");
    }
    state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations()) * c_nPacketBytes);
}

void convert_packets(benchmark::State& state) { run_packets(state, static_cast<unsigned int>(state.range(0)), false); }
BENCHMARK(convert_packets)->Arg(0)->Arg(1)->Arg(3)->ArgName("plugins");

// convert_packets/plugins:1 with the DTMF detector on.
void convert_packets_dtmf(benchmark::State& state) { run_packets(state, 1, true); }
BENCHMARK(convert_packets_dtmf);

class counting_sink : public app::data_sink {
public:
    void write(const void* pData, unsigned int nSize) override
    {
        bench_host::byte_counter::write(&m_counter, pData, nSize);
    }
    bench_host::byte_counter m_counter;
};

void engine_packets(benchmark::State& state)
{
    const unsigned int nPlugins = static_cast<unsigned int>(state.range(0));
    quiet_settings();
    app::s_Global.nChannelCount = 1;
    app::s_Global.nSampleRate = 8000;
    ladspa::plugin_factory registry(bench_host::c_pszLadspaDir);
    app::preset_xml_parser parser(registry);
    std::shared_ptr<app::preset> preset = parser.load_from_string(bench_host::chain_preset(nPlugins));
    if (preset->plugins().size() != nPlugins) {
        state.SkipWithError("a plugin of the chain is not installed");
        return;
    }
    app::command_processor engine(registry, preset);
    auto pCodec = codec::factory::instance().create_codec(codec::id_g711_ulaw, codec::id_g711_ulaw);
    const std::vector<unsigned char> input = bench_host::ulaw_input();
    counting_sink sink;
    std::size_t nAt = 0;
    for (auto _ : state) {
        engine.process(sink, input.data() + nAt, c_nPacketBytes, pCodec.get());
        nAt = nAt + c_nPacketBytes < input.size() ? nAt + c_nPacketBytes : 0;
    }
    if (sink.m_counter.nBytes + 256 < static_cast<std::uint64_t>(state.iterations()) * c_nPacketBytes) {
        state.SkipWithError("the engine lost output");
    }
    state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations()) * c_nPacketBytes);
}
BENCHMARK(engine_packets)->Arg(0)->Arg(1)->Arg(3)->ArgName("plugins");

// The floor works on the same second of input in 256-sample blocks; its
// output is checked against the library's codec once before timing.
void hand_floor_amp(benchmark::State& state)
{
    bench_host::hand_floor floor;
    if (!floor.ready()) {
        state.SkipWithError("the SDK amp is not installed");
        return;
    }
    const std::vector<unsigned char> input = bench_host::ulaw_input(256 * 32);
    std::vector<unsigned char> output(input.size());
    floor.process(input.data(), output.data(), input.size());

    auto pCodec = codec::factory::instance().create_codec(codec::id_g711_ulaw, codec::id_g711_ulaw);
    app::sample_buffer samples(1, static_cast<std::uint32_t>(input.size()));
    pCodec->decode(samples, static_cast<std::uint32_t>(input.size()), input.data(),
                   static_cast<std::uint32_t>(input.size()));
    for (std::size_t i = 0; i < input.size(); ++i) {
        samples.data(0)[i] *= bench_host::c_fGain;
    }
    std::vector<unsigned char> expected(input.size());
    pCodec->encode(expected.data(), static_cast<std::uint32_t>(expected.size()), samples,
                   static_cast<std::uint32_t>(input.size()));
    // The classic integer coder breaks ties between two levels the other way.
    for (std::size_t i = 0; i < output.size(); ++i) {
        int nStep = bench_host::hand_floor::ulaw_level(output[i]) - bench_host::hand_floor::ulaw_level(expected[i]);
        if (nStep < -1 || nStep > 1) {
            state.SkipWithError("the floor's codes are more than a level off the library's");
            return;
        }
    }

    for (auto _ : state) {
        floor.process(input.data(), output.data(), input.size());
        benchmark::DoNotOptimize(output.data());
    }
    state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations() * input.size()));
}
BENCHMARK(hand_floor_amp);

// Converters share the registry of their search path: after the first one
// (whose scan registry_scan measures), creation reads the preset, makes
// its instances and the engine, and checks the directory's date.
void init_fini(benchmark::State& state)
{
    const bool bFollowing = state.range(0) != 0;
    quiet_settings();
    const std::string strXml = bench_host::chain_preset(1);
    void* pFirst = bFollowing ? vocalith_init_string(1, 8000, strXml.c_str()) : nullptr;
    for (auto _ : state) {
        void* pHandle = vocalith_init_string(1, 8000, strXml.c_str());
        if (pHandle == nullptr) {
            state.SkipWithError("no converter");
            break;
        }
        vocalith_fini(pHandle);
    }
    vocalith_fini(pFirst);
}
BENCHMARK(init_fini)->Arg(0)->Arg(1)->ArgName("following")->Unit(benchmark::kMicrosecond);

}  // namespace
