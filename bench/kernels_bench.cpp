// Every vector kernel beside memcpy. Items are samples; the byte rate counts
// the float side of a conversion (4 bytes per sample), which is the side
// memcpy is run with: BM_memcpy/1024 pairs with the 256-sample kernels and
// BM_memcpy/32768 with the 8192-sample ones. swap16 moves 2 bytes per value
// and pairs with BM_memcpy/512 and /16384.
#include <cmath>
#include <cstring>
#include <vector>

#include <benchmark/benchmark.h>

#include "vocalith/veckern/veckern.h"

namespace {

constexpr std::int64_t c_nSmall = 256;
constexpr std::int64_t c_nLarge = 8192;

std::vector<float> bench_samples(std::size_t n)
{
    std::vector<float> samples(n);
    for (std::size_t i = 0; i < n; ++i) {
        samples[i] = 0.9f * static_cast<float>(std::sin(0.01 * static_cast<double>(i) * (1.0 + i % 7)));
    }
    return samples;
}

std::vector<std::uint8_t> bench_bytes(std::size_t n)
{
    std::vector<std::uint8_t> bytes(n);
    for (std::size_t i = 0; i < n; ++i) {
        bytes[i] = static_cast<std::uint8_t>(i * 131 + 17);
    }
    return bytes;
}

void set_rates(benchmark::State& state, std::int64_t nItems, std::int64_t nBytesPerItem)
{
    state.SetItemsProcessed(state.iterations() * nItems);
    state.SetBytesProcessed(state.iterations() * nItems * nBytesPerItem);
}

void BM_memcpy(benchmark::State& state)
{
    const std::size_t nBytes = static_cast<std::size_t>(state.range(0));
    std::vector<char> src(nBytes, 'x');
    std::vector<char> dst(nBytes);
    for (auto _ : state) {
        std::memcpy(dst.data(), src.data(), nBytes);
        benchmark::DoNotOptimize(dst.data());
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_memcpy)->Arg(512)->Arg(4 * c_nSmall)->Arg(16384)->Arg(4 * c_nLarge);

void BM_scale(benchmark::State& state)
{
    const std::uint32_t n = static_cast<std::uint32_t>(state.range(0));
    std::vector<float> dst = bench_samples(n);
    for (auto _ : state) {
        veckern::scale(dst.data(), 1.0f, n);
        benchmark::ClobberMemory();
    }
    set_rates(state, n, 4);
}
BENCHMARK(BM_scale)->Arg(c_nSmall)->Arg(c_nLarge);

void BM_mul_add(benchmark::State& state)
{
    const std::uint32_t n = static_cast<std::uint32_t>(state.range(0));
    std::vector<float> dst = bench_samples(n);
    const std::vector<float> src = bench_samples(n);
    for (auto _ : state) {
        veckern::mul_add(dst.data(), src.data(), 1e-6f, n);
        benchmark::ClobberMemory();
    }
    set_rates(state, n, 4);
}
BENCHMARK(BM_mul_add)->Arg(c_nSmall)->Arg(c_nLarge);

void BM_swap16(benchmark::State& state)
{
    const std::uint32_t n = static_cast<std::uint32_t>(state.range(0));
    const std::vector<std::uint8_t> src = bench_bytes(2 * n);
    std::vector<std::uint8_t> dst(2 * n);
    for (auto _ : state) {
        veckern::swap16(dst.data(), src.data(), n);
        benchmark::ClobberMemory();
    }
    set_rates(state, n, 2);
}
BENCHMARK(BM_swap16)->Arg(c_nSmall)->Arg(c_nLarge);

void BM_swap16_in_place(benchmark::State& state)
{
    const std::uint32_t n = static_cast<std::uint32_t>(state.range(0));
    std::vector<std::uint8_t> data = bench_bytes(2 * n);
    for (auto _ : state) {
        veckern::swap16(data.data(), data.data(), n);
        benchmark::ClobberMemory();
    }
    set_rates(state, n, 2);
}
BENCHMARK(BM_swap16_in_place)->Arg(c_nSmall)->Arg(c_nLarge);

template <void (*toFloat)(float*, const void*, std::uint32_t)>
void BM_s16_to_f32(benchmark::State& state)
{
    const std::uint32_t n = static_cast<std::uint32_t>(state.range(0));
    const std::vector<std::uint8_t> src = bench_bytes(2 * n);
    std::vector<float> dst(n);
    for (auto _ : state) {
        toFloat(dst.data(), src.data(), n);
        benchmark::ClobberMemory();
    }
    set_rates(state, n, 4);
}
BENCHMARK_TEMPLATE(BM_s16_to_f32, veckern::s16le_to_f32)
    ->Name("BM_s16le_to_f32")
    ->Arg(c_nSmall)
    ->Arg(c_nLarge);
BENCHMARK_TEMPLATE(BM_s16_to_f32, veckern::s16be_to_f32)
    ->Name("BM_s16be_to_f32")
    ->Arg(c_nSmall)
    ->Arg(c_nLarge);

template <void (*fromFloat)(void*, const float*, std::uint32_t)>
void BM_f32_to_s16(benchmark::State& state)
{
    const std::uint32_t n = static_cast<std::uint32_t>(state.range(0));
    const std::vector<float> src = bench_samples(n);
    std::vector<std::uint8_t> dst(2 * n);
    for (auto _ : state) {
        fromFloat(dst.data(), src.data(), n);
        benchmark::ClobberMemory();
    }
    set_rates(state, n, 4);
}
BENCHMARK_TEMPLATE(BM_f32_to_s16, veckern::f32_to_s16le)
    ->Name("BM_f32_to_s16le")
    ->Arg(c_nSmall)
    ->Arg(c_nLarge);
BENCHMARK_TEMPLATE(BM_f32_to_s16, veckern::f32_to_s16be)
    ->Name("BM_f32_to_s16be")
    ->Arg(c_nSmall)
    ->Arg(c_nLarge);

template <void (*decode)(float*, const std::uint8_t*, std::uint32_t)>
void BM_g711_decode(benchmark::State& state)
{
    const std::uint32_t n = static_cast<std::uint32_t>(state.range(0));
    const std::vector<std::uint8_t> src = bench_bytes(n);
    std::vector<float> dst(n);
    for (auto _ : state) {
        decode(dst.data(), src.data(), n);
        benchmark::ClobberMemory();
    }
    set_rates(state, n, 4);
}
BENCHMARK_TEMPLATE(BM_g711_decode, veckern::ulaw_to_f32)
    ->Name("BM_ulaw_to_f32")
    ->Arg(c_nSmall)
    ->Arg(c_nLarge);
BENCHMARK_TEMPLATE(BM_g711_decode, veckern::alaw_to_f32)
    ->Name("BM_alaw_to_f32")
    ->Arg(c_nSmall)
    ->Arg(c_nLarge);

template <void (*encode)(std::uint8_t*, const float*, std::uint32_t)>
void BM_g711_encode(benchmark::State& state)
{
    const std::uint32_t n = static_cast<std::uint32_t>(state.range(0));
    const std::vector<float> src = bench_samples(n);
    std::vector<std::uint8_t> dst(n);
    for (auto _ : state) {
        encode(dst.data(), src.data(), n);
        benchmark::ClobberMemory();
    }
    set_rates(state, n, 4);
}
BENCHMARK_TEMPLATE(BM_g711_encode, veckern::f32_to_ulaw)
    ->Name("BM_f32_to_ulaw")
    ->Arg(c_nSmall)
    ->Arg(c_nLarge);
BENCHMARK_TEMPLATE(BM_g711_encode, veckern::f32_to_alaw)
    ->Name("BM_f32_to_alaw")
    ->Arg(c_nSmall)
    ->Arg(c_nLarge);

// GSM works in whole frames: 8192 samples are 51 frames (8160 samples).
std::uint32_t whole_frames(std::int64_t nSamples)
{
    return static_cast<std::uint32_t>(nSamples) / veckern::c_nGsmFrameSamples;
}

void BM_gsm610_encode(benchmark::State& state)
{
    const std::uint32_t nFrames = whole_frames(state.range(0));
    const std::vector<float> src = bench_samples(nFrames * veckern::c_nGsmFrameSamples);
    std::vector<std::uint8_t> dst(nFrames * veckern::c_nGsmFrameBytes);
    veckern::gsm_610_state coder;
    for (auto _ : state) {
        veckern::gsm_610_progress progress =
            veckern::gsm610_encode(coder, dst.data(), static_cast<std::uint32_t>(dst.size()), src.data(),
                                   static_cast<std::uint32_t>(src.size()));
        benchmark::DoNotOptimize(progress);
    }
    set_rates(state, static_cast<std::int64_t>(src.size()), 4);
}
BENCHMARK(BM_gsm610_encode)->Arg(c_nSmall)->Arg(c_nLarge);

void BM_gsm610_decode(benchmark::State& state)
{
    const std::uint32_t nFrames = whole_frames(state.range(0));
    const std::vector<float> samples = bench_samples(nFrames * veckern::c_nGsmFrameSamples);
    std::vector<std::uint8_t> frames(nFrames * veckern::c_nGsmFrameBytes);
    {
        veckern::gsm_610_state encoder;
        veckern::gsm610_encode(encoder, frames.data(), static_cast<std::uint32_t>(frames.size()),
                               samples.data(), static_cast<std::uint32_t>(samples.size()));
    }
    std::vector<float> dst(samples.size());
    veckern::gsm_610_state coder;
    for (auto _ : state) {
        veckern::gsm_610_progress progress =
            veckern::gsm610_decode(coder, dst.data(), static_cast<std::uint32_t>(dst.size()), frames.data(),
                                   static_cast<std::uint32_t>(frames.size()));
        benchmark::DoNotOptimize(progress);
    }
    set_rates(state, static_cast<std::int64_t>(dst.size()), 4);
}
BENCHMARK(BM_gsm610_decode)->Arg(c_nSmall)->Arg(c_nLarge);

}  // namespace
