// 200 converters in one process, mono and stereo mixed, each with a chain
// of three plugins, driven from two threads (each converter by one thread,
// the calls of the converters of a thread interleaved). Every converter must
// produce exactly the bytes it produces when it runs alone.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <thread>
#include <vector>

#include "harden_support.h"

namespace {

constexpr unsigned c_nConverters = 200;
constexpr unsigned c_nThreads = 2;
constexpr unsigned c_nFrames = 4000;  // half a second at 8 kHz

const unsigned c_aOutCodecs[] = {VOCALITH_CODEC_PCM16LE, VOCALITH_CODEC_GSM610, VOCALITH_CODEC_ULAW,
                                 VOCALITH_CODEC_FLOAT32, VOCALITH_CODEC_ALAW};

// Gain, a 1->2 split and a 2->1 mix: every instance kind takes part, and
// the gain differs per converter.
std::string chain_for(unsigned nIndex)
{
    return "<jackrack>"
           "<plugin><id>77001</id><enabled>true</enabled><controlrow><value>" +
           std::to_string(0.05 + 0.004 * nIndex) +
           "</value></controlrow></plugin>"
           "<plugin><id>77003</id><enabled>true</enabled></plugin>"
           "<plugin><id>77004</id><enabled>true</enabled></plugin>"
           "</jackrack>";
}

struct job {
    unsigned nIndex;
    unsigned nChannels;
    unsigned nOutCodec;
    unsigned nChunkBytes;  // whole frames, different per converter
    harden::bytes input;
    void* pHandle = nullptr;
    std::size_t nFed = 0;
    harden::bytes output;
};

std::vector<job> make_jobs()
{
    std::vector<job> jobs(c_nConverters);
    for (unsigned i = 0; i < c_nConverters; ++i) {
        job& j = jobs[i];
        j.nIndex = i;
        j.nChannels = 1 + (i / 3) % 2;
        j.nOutCodec = c_aOutCodecs[i % 5];
        j.nChunkBytes = (37 + 29 * (i % 11)) * 2 * j.nChannels;
        j.input = harden::tone_pcm16le(j.nChannels, c_nFrames, 200.0 + 7.0 * i);
    }
    return jobs;
}

void* create(const job& j)
{
    return vocalith_init_string(j.nChannels, 8000, chain_for(j.nIndex).c_str());
}

// Feeds the next chunk; false once all input is in.
bool feed(job& j)
{
    if (j.nFed >= j.input.size()) {
        return false;
    }
    const std::size_t nSize = std::min<std::size_t>(j.nChunkBytes, j.input.size() - j.nFed);
    const int nResult = vocalith_convert(j.pHandle, harden::append, &j.output, VOCALITH_CODEC_PCM16LE,
                                         j.input.data() + j.nFed, static_cast<unsigned>(nSize), j.nOutCodec);
    if (nResult != 0) {
        ADD_FAILURE() << "converter " << j.nIndex << " failed";
        j.nFed = j.input.size();
        return false;
    }
    j.nFed += nSize;
    return true;
}

// Round-robin over the converters given to one thread, one chunk each.
void drive(std::vector<job*> mine)
{
    bool bAny = true;
    while (bAny) {
        bAny = false;
        for (job* pJob : mine) {
            bAny = feed(*pJob) || bAny;
        }
    }
}

TEST(ManyConverters, TwoThreadsGiveEveryConverterItsSoloOutput)
{
    harden::use_test_plugins(VOCALITH_HARDEN_PLUGIN_DIR);

    // Alone: one converter at a time, start to end.
    std::vector<job> solo = make_jobs();
    for (job& j : solo) {
        j.pHandle = create(j);
        ASSERT_NE(nullptr, j.pHandle) << "converter " << j.nIndex;
        while (feed(j)) {
        }
        vocalith_fini(j.pHandle);
        // A constant stream (silence) would make the comparison below weak.
        ASSERT_NE(j.output.end(), std::adjacent_find(j.output.begin(), j.output.end(), std::not_equal_to<>()))
            << "converter " << j.nIndex;
    }

    // Together: all created first (creation sets process-wide values, so it
    // happens on one thread), then driven from two threads at once.
    std::vector<job> together = make_jobs();
    for (job& j : together) {
        j.pHandle = create(j);
        ASSERT_NE(nullptr, j.pHandle) << "converter " << j.nIndex;
    }
    std::vector<std::vector<job*>> shares(c_nThreads);
    for (job& j : together) {
        shares[j.nIndex % c_nThreads].push_back(&j);
    }
    std::vector<std::thread> threads;
    for (auto& share : shares) {
        threads.emplace_back(drive, share);
    }
    for (std::thread& t : threads) {
        t.join();
    }
    for (job& j : together) {
        vocalith_fini(j.pHandle);
    }

    for (unsigned i = 0; i < c_nConverters; ++i) {
        ASSERT_EQ(solo[i].output.size(), together[i].output.size()) << "converter " << i;
        EXPECT_TRUE(solo[i].output == together[i].output) << "converter " << i << " differs";
    }
}

}  // namespace
