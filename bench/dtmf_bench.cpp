// DTMF detector throughput in samples per second, on keys and on speech-like
// noise, fed in pieces of the given size; and its cost per sample at 8 and
// 48 kHz in 20 ms pieces, to set beside convert_packets/plugins:1 and
// convert_packets_dtmf (the same conversion with the detector on).
#include <benchmark/benchmark.h>

#include <cmath>
#include <random>
#include <vector>

#include "vocalith/sigtools/dtmf_detector.h"

namespace {

class count_keys : public sigtools::dtmf_event {
public:
    void on_tone(int) override { ++m_nKeys; }
    long m_nKeys = 0;
};

// Ten seconds at 8000 Hz: keys of 60 ms with 60 ms pauses, or white noise.
std::vector<float> make_input(bool bKeys)
{
    std::vector<float> af(80000);
    std::mt19937 rng(42);
    std::normal_distribution<float> noise(0.0f, 0.05f);
    for (std::size_t i = 0; i < af.size(); ++i) {
        if (!bKeys) {
            af[i] = noise(rng);
            continue;
        }
        std::size_t nKey = i / 960;
        bool bOn = i % 960 < 480;
        double dLow = sigtools::dtmf::c_loFreq[nKey % 4];
        double dHigh = sigtools::dtmf::c_hiFreq[(nKey / 4) % 4];
        double dT = static_cast<double>(i) / 8000.0;
        af[i] = bOn ? static_cast<float>(0.22 * std::sin(6.283185307179586 * dLow * dT) +
                                         0.22 * std::sin(6.283185307179586 * dHigh * dT))
                    : 0.0f;
    }
    return af;
}

void run(benchmark::State& state, bool bKeys)
{
    const std::vector<float> af = make_input(bKeys);
    const std::size_t nPiece = static_cast<std::size_t>(state.range(0));
    count_keys keys;
    sigtools::dtmf_detector<float> detector(&keys);
    for (auto _ : state) {
        for (std::size_t i = 0; i < af.size(); i += nPiece) {
            std::size_t n = std::min(nPiece, af.size() - i);
            detector.detect(nullptr, af.data() + i, static_cast<unsigned int>(n), false);
        }
        benchmark::DoNotOptimize(keys.m_nKeys);
    }
    state.counters["samples/s"] = benchmark::Counter(static_cast<double>(state.iterations()) * af.size(),
                                                    benchmark::Counter::kIsRate);
}

void BM_dtmf_detect_keys(benchmark::State& state) { run(state, true); }
void BM_dtmf_detect_noise(benchmark::State& state) { run(state, false); }

BENCHMARK(BM_dtmf_detect_keys)->Arg(160)->Arg(1024);
BENCHMARK(BM_dtmf_detect_noise)->Arg(1)->Arg(160)->Arg(1024);

// Ten seconds of noise at the given rate, in 20 ms pieces; reports the
// detector's CPU time per sample.
void BM_dtmf_cost_per_sample(benchmark::State& state)
{
    const unsigned int nRate = static_cast<unsigned int>(state.range(0));
    std::vector<float> af(static_cast<std::size_t>(nRate) * 10);
    std::mt19937 rng(7);
    std::normal_distribution<float> noise(0.0f, 0.05f);
    for (float& f : af) f = noise(rng);
    const std::size_t nPiece = nRate / 50;
    count_keys keys;
    sigtools::dtmf_detector<float> detector(&keys, nRate);
    for (auto _ : state) {
        for (std::size_t i = 0; i < af.size(); i += nPiece) {
            detector.detect(nullptr, af.data() + i, static_cast<unsigned int>(std::min(nPiece, af.size() - i)), false);
        }
        benchmark::DoNotOptimize(keys.m_nKeys);
    }
    // Seconds per sample, printed with an SI prefix (12.5n is 12.5 ns).
    state.counters["s/sample"] = benchmark::Counter(static_cast<double>(state.iterations()) * af.size(),
                                                   benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}
BENCHMARK(BM_dtmf_cost_per_sample)->Arg(8000)->Arg(48000)->ArgName("rate");

}  // namespace
