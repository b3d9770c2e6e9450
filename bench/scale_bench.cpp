// A softswitch's load: a converter made per answered call, and many calls in
// one process, each fed a 20 ms µ-law packet in turn (block 160), through the
// SDK amp and through the bundled robot preset. channels_per_core is 8 kHz
// channels one core keeps up with; KiB_per_converter is the growth of the
// resident set per converter after every converter converted once.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "packet_host.h"
#include "vocalith/ladspa/plugin_factory.h"
#include "vocalith/vocalith.h"

namespace {

using bench_host::c_nPacketBytes;

void quiet_settings(unsigned int nBlockSize)
{
    const std::int32_t nLevel = 0;
    const std::int32_t nBlock = static_cast<std::int32_t>(nBlockSize);
    vocalith_set_property(VOCALITH_PROP_LOG_LEVEL, &nLevel);
    vocalith_set_property(VOCALITH_PROP_BLOCK_SIZE, &nBlock);
    vocalith_set_property(VOCALITH_PROP_LADSPA_DIR, bench_host::c_pszLadspaDir);
}

// Resident set in KiB (Linux).
double resident_kib()
{
    unsigned long nPages = 0, nResident = 0;
    FILE* pFile = std::fopen("/proc/self/statm", "r");
    if (pFile != nullptr) {
        if (std::fscanf(pFile, "%lu %lu", &nPages, &nResident) != 2) nResident = 0;
        std::fclose(pFile);
    }
    return static_cast<double>(nResident) * 4.0;
}

// What the first converter of a process pays: a scan of the whole directory.
void registry_scan(benchmark::State& state)
{
    quiet_settings(256);
    for (auto _ : state) {
        ladspa::plugin_factory registry(bench_host::c_pszLadspaDir);
        benchmark::DoNotOptimize(registry.plugins().size());
    }
}
BENCHMARK(registry_scan)->Unit(benchmark::kMillisecond);

void many_converters(benchmark::State& state)
{
    const std::size_t nCount = static_cast<std::size_t>(state.range(0));
    const bool bRobot = state.range(1) != 0;
    quiet_settings(160);
    const std::string strAmp = bench_host::chain_preset(1);
    const std::string strRobot = VOCALITH_SOURCE_DIR "/presets/robot.xml";
    // One converter made first, so that the scan is not counted as memory
    // of the converters measured.
    void* pWarm = bRobot ? vocalith_init(1, 8000, strRobot.c_str()) : vocalith_init_string(1, 8000, strAmp.c_str());
    const std::vector<unsigned char> input = bench_host::ulaw_input();
    bench_host::byte_counter counter;
    const double fBefore = resident_kib();
    std::vector<void*> converters;
    for (std::size_t i = 0; i < nCount; ++i) {
        void* pHandle =
            bRobot ? vocalith_init(1, 8000, strRobot.c_str()) : vocalith_init_string(1, 8000, strAmp.c_str());
        if (pHandle == nullptr) {
            state.SkipWithError("no converter (are the SDK and swh plugins installed?)");
            break;
        }
        converters.push_back(pHandle);
        vocalith_convert(pHandle, &bench_host::byte_counter::write, &counter, VOCALITH_CODEC_ULAW, input.data(),
                         c_nPacketBytes, VOCALITH_CODEC_ULAW);
    }
    const double fPerConverter = (resident_kib() - fBefore) / static_cast<double>(nCount);
    std::size_t nAt = 0;
    for (auto _ : state) {
        for (void* pHandle : converters) {
            vocalith_convert(pHandle, &bench_host::byte_counter::write, &counter, VOCALITH_CODEC_ULAW,
                             input.data() + nAt, c_nPacketBytes, VOCALITH_CODEC_ULAW);
        }
        nAt = nAt + c_nPacketBytes < input.size() ? nAt + c_nPacketBytes : 0;
    }
    for (void* pHandle : converters) vocalith_fini(pHandle);
    vocalith_fini(pWarm);
    const double fSamples = static_cast<double>(state.iterations()) * static_cast<double>(nCount) * c_nPacketBytes;
    state.SetItemsProcessed(static_cast<std::int64_t>(fSamples));
    state.counters["channels_per_core"] = benchmark::Counter(fSamples / 8000.0, benchmark::Counter::kIsRate);
    state.counters["KiB_per_converter"] = fPerConverter;
}
BENCHMARK(many_converters)
    ->ArgsProduct({{1, 100, 1000}, {0, 1}})
    ->ArgNames({"converters", "robot"})
    ->Unit(benchmark::kMicrosecond);

}  // namespace
