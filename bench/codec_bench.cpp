// Decode and encode throughput of every codec, in samples per second
// (items_per_second counts the samples of all channels).
#include <cstdint>
#include <memory>
#include <random>
#include <vector>

#include <benchmark/benchmark.h>

#include "vocalith/codec/factory.h"

namespace {

// One engine-sized run: 4000 samples per channel (a multiple of GSM's 160).
const std::uint32_t c_nSamples = 4000;

void fill_speechlike(app::sample_buffer& buf)
{
    std::mt19937 engine(1);
    std::normal_distribution<float> dist(0.0f, 0.2f);
    for (std::uint32_t c = 0; c < buf.channel_count(); ++c) {
        for (std::uint32_t i = 0; i < c_nSamples; ++i) {
            buf.data(c)[i] = dist(engine);
        }
    }
}

void bm_encode(benchmark::State& state)
{
    const auto nId = static_cast<codec::id>(state.range(0));
    const auto nChannels = static_cast<std::uint32_t>(state.range(1));
    auto pEncoder = codec::factory::instance().create_encoder(nId);
    app::sample_buffer buf(nChannels, c_nSamples);
    fill_speechlike(buf);
    std::vector<std::uint8_t> out(c_nSamples * nChannels * 4);
    for (auto _ : state) {
        const codec::encode_result r =
            pEncoder->encode(out.data(), static_cast<std::uint32_t>(out.size()), buf, c_nSamples);
        benchmark::DoNotOptimize(r);
        benchmark::ClobberMemory();
    }
    // G.711 and GSM read channel 0 only.
    const std::uint32_t nCoded = pEncoder->format().bCompressed ? 1 : nChannels;
    state.SetItemsProcessed(state.iterations() * c_nSamples * nCoded);
    state.SetLabel(pEncoder->name());
}

void bm_decode(benchmark::State& state)
{
    const auto nId = static_cast<codec::id>(state.range(0));
    const auto nChannels = static_cast<std::uint32_t>(state.range(1));
    auto pEncoder = codec::factory::instance().create_encoder(nId);
    app::sample_buffer buf(nChannels, c_nSamples);
    fill_speechlike(buf);
    std::vector<std::uint8_t> coded(c_nSamples * nChannels * 4);
    const codec::encode_result e =
        pEncoder->encode(coded.data(), static_cast<std::uint32_t>(coded.size()), buf, c_nSamples);
    coded.resize(e.nByteCount);

    auto pDecoder = codec::factory::instance().create_decoder(nId);
    for (auto _ : state) {
        const codec::decode_result r =
            pDecoder->decode(buf, c_nSamples, coded.data(), static_cast<std::uint32_t>(coded.size()));
        benchmark::DoNotOptimize(r);
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations() * c_nSamples * nChannels);
    state.SetLabel(pDecoder->name());
}

void codec_args(benchmark::internal::Benchmark* pBench)
{
    pBench->ArgNames({"id", "channels"});
    for (const codec::id nId : {codec::id_pcm_float32, codec::id_pcm_int16le, codec::id_pcm_int16be}) {
        pBench->Args({nId, 1});
        pBench->Args({nId, 2});
    }
    for (const codec::id nId : {codec::id_g711_alaw, codec::id_g711_ulaw, codec::id_gsm_610}) {
        pBench->Args({nId, 1});
    }
}

BENCHMARK(bm_decode)->Apply(codec_args);
BENCHMARK(bm_encode)->Apply(codec_args);

}  // namespace
