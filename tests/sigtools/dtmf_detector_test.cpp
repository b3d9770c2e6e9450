// The detector's contract: set-up, key characters, receivers, one report per
// press, independence from how the input is cut, end of stream, bad samples,
// and no allocation while detecting.
#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <limits>
#include <new>
#include <string>
#include <vector>

#include "dtmf_signal.h"
#include "vocalith/sigtools/dtmf_detector.h"

// Sanitizers bring their own allocator; there the count is not taken.
#if !defined(__SANITIZE_ADDRESS__) && !defined(__SANITIZE_THREAD__)
#define VOCALITH_COUNT_ALLOCATIONS 1
#endif

namespace {

std::atomic<long> s_nAllocations{0};

}  // namespace

#ifdef VOCALITH_COUNT_ALLOCATIONS
// Counts every allocation of this test program; the standard library's operator
// delete frees with free, and operator new[] comes here too.
void* operator new(std::size_t nSize)
{
    ++s_nAllocations;
    if (void* p = std::malloc(nSize != 0 ? nSize : 1)) {
        return p;
    }
    throw std::bad_alloc();
}
#endif

namespace {

using dtmf_test::detect_keys;
using dtmf_test::key_log;
using dtmf_test::signal_builder;
using dtmf_test::tone_shape;
using sigtools::dtmf_detector;

// Every key of the pad twice, 40 ms each, with pauses of 40 to 53 ms.
std::string all_keys_twice(signal_builder& sig, const tone_shape& shape = tone_shape())
{
    std::string strKeys;
    sig.random_pause(40, 53);
    for (int nRound = 0; nRound < 2; ++nRound) {
        for (char c : std::string(dtmf_test::c_szKeys)) {
            sig.key(c, 40, shape).random_pause(40, 53);
            strKeys += c;
        }
    }
    return strKeys;
}

TEST(DtmfSetup, CoefficientsAreTheQ16CosinesOfTheKeypadFrequencies)
{
    // cos(2 pi f / 8000) * 65536, truncated, for 697 .. 941 and 1209 .. 1633 Hz.
    const std::int32_t anExpected[8] = {55959, 53912, 51402, 48437, 38145, 32649, 26169, 18629};
    dtmf_detector<float> detector(nullptr);
    for (unsigned int k = 0; k < 8; ++k) {
        EXPECT_EQ(anExpected[k], detector.coefficient(k)) << "filter " << k;
    }
}

TEST(DtmfSetup, FrequencyTablesAndKeypadLayout)
{
    const float afLow[4] = {697, 770, 852, 941};
    const float afHigh[4] = {1209, 1336, 1477, 1633};
    for (unsigned int k = 0; k < 4; ++k) {
        EXPECT_EQ(afLow[k], sigtools::dtmf::c_loFreq[k]);
        EXPECT_EQ(afHigh[k], sigtools::dtmf::c_hiFreq[k]);
    }
    EXPECT_EQ('1', sigtools::dtmf::key_at(0, 0));
    EXPECT_EQ('A', sigtools::dtmf::key_at(0, 3));
    EXPECT_EQ('0', sigtools::dtmf::key_at(3, 1));
    EXPECT_EQ('#', sigtools::dtmf::key_at(3, 2));
    EXPECT_EQ(0, sigtools::dtmf::key_at(4, 0));
    EXPECT_EQ(0, sigtools::dtmf::key_at(0, 4));
}

TEST(DtmfKeys, ALongPressIsReportedOnceAndAPauseOf40msEndsIt)
{
    signal_builder sig(2);
    sig.pause(20).key('5', 2000).pause(40).key('5', 45).pause(100).key('9', 1500).pause(20);
    // An interruption of 10 ms does not split a press.
    sig.key('9', 100).pause(10).key('9', 100).pause(10).key('9', 100).pause(40);
    EXPECT_EQ("5599", detect_keys(sig.samples()));
}

TEST(DtmfKeys, AKeyFollowingAnotherWithoutPauseIsReported)
{
    signal_builder sig(3);
    sig.pause(20).key('1', 100).key('2', 100).pause(50);
    EXPECT_EQ("12", detect_keys(sig.samples()));
}

TEST(DtmfReceiver, KeysGoToTheCallsReceiverOrElseToTheConstructionOne)
{
    signal_builder sig(4);
    sig.pause(20).key('7', 60).pause(60);
    const std::vector<float>& af = sig.samples();
    unsigned int nCount = static_cast<unsigned int>(af.size());

    key_log built;
    key_log given;
    dtmf_detector<float> detector(&built);
    EXPECT_EQ(&built, detector.receiver());
    detector.detect(&given, af.data(), nCount, false);
    detector.detect(nullptr, af.data(), nCount, false);
    EXPECT_EQ("7", given.keys());
    EXPECT_EQ("7", built.keys());

    // Without any receiver the key is simply not reported.
    dtmf_detector<float> silent(nullptr);
    silent.detect(nullptr, af.data(), nCount, false);
}

TEST(DtmfStream, PiecesOfAnySizeGiveTheSameKeys)
{
    const std::uint32_t nSeed = 5;
    SCOPED_TRACE(testing::Message() << "seed " << nSeed);
    signal_builder sig(nSeed);
    std::string strWant = all_keys_twice(sig);
    sig.noise(dtmf_test::key_power(tone_shape()) / 31.6);  // 15 dB below the keys
    for (unsigned int nPiece : {1u, 7u, 102u, 160u, 1000u}) {
        EXPECT_EQ(strWant, detect_keys(sig.samples(), nPiece)) << "pieces of " << nPiece;
    }
}

TEST(DtmfStream, EndOfStreamForgetsAKeyInProgressAndAHeldKey)
{
    signal_builder sig(6);
    sig.key('3', 18);  // only part of a key before the end
    std::vector<float> afHead = sig.samples();
    signal_builder rest(7);
    rest.key('3', 18).pause(60);
    key_log log;
    dtmf_detector<float> detector(&log);
    detector.detect(nullptr, afHead.data(), static_cast<unsigned int>(afHead.size()), true);
    detector.detect(nullptr, rest.samples().data(), static_cast<unsigned int>(rest.samples().size()), false);
    EXPECT_EQ("", log.keys()) << "two halves of different streams made a key";

    // A key held at the end of one stream is reported again in the next.
    signal_builder held(8);
    held.pause(10).key('C', 300);
    for (int n = 0; n < 2; ++n) {
        detector.detect(nullptr, held.samples().data(), static_cast<unsigned int>(held.samples().size()), true);
    }
    EXPECT_EQ("CC", log.keys());
}

TEST(DtmfStream, ResetForgetsAHeldKey)
{
    signal_builder sig(9);
    sig.pause(10).key('#', 300);
    key_log log;
    dtmf_detector<float> detector(&log);
    const unsigned int nCount = static_cast<unsigned int>(sig.samples().size());
    detector.detect(nullptr, sig.samples().data(), nCount, false);
    detector.detect(nullptr, sig.samples().data(), nCount, false);
    EXPECT_EQ("#", log.keys()) << "a key going on across calls is one press";
    detector.reset();
    detector.detect(nullptr, sig.samples().data(), nCount, false);
    EXPECT_EQ("##", log.keys());
}

TEST(DtmfStream, InvalidSamplesGiveNoKeyAndDoNotStopDetection)
{
    signal_builder sig(10);
    sig.pause(10).key('8', 60).pause(60);
    std::size_t nBad = sig.samples().size();
    sig.pause(200).key('2', 60).pause(60);
    std::vector<float>& af = sig.samples();
    // A burst of NaN, infinities and huge values between the two keys.
    for (std::size_t i = nBad; i < nBad + 1000; ++i) {
        switch (i % 4) {
        case 0: af[i] = std::numeric_limits<float>::quiet_NaN(); break;
        case 1: af[i] = std::numeric_limits<float>::infinity(); break;
        case 2: af[i] = -std::numeric_limits<float>::infinity(); break;
        default: af[i] = 1e30f; break;
        }
    }
    EXPECT_EQ("82", detect_keys(af));
}

TEST(DtmfStream, DetectDoesNotAllocate)
{
#ifndef VOCALITH_COUNT_ALLOCATIONS
    GTEST_SKIP() << "allocations are not counted under a sanitizer";
#endif
    {
        // The counter works: a string beyond the small-string buffer allocates.
        long nBefore = s_nAllocations.load();
        std::string str(100, 'x');
        EXPECT_LT(nBefore, s_nAllocations.load()) << str;
    }
    signal_builder sig(11);
    std::string strWant = all_keys_twice(sig);
    key_log log;
    dtmf_detector<float> detector(&log);
    log.reserve(strWant.size());  // the receiver's own storage, not the detector's
    long nBefore = s_nAllocations.load();
    const std::vector<float>& af = sig.samples();
    for (std::size_t i = 0; i < af.size(); i += 77) {
        unsigned int n = static_cast<unsigned int>(std::min<std::size_t>(77, af.size() - i));
        detector.detect(nullptr, af.data() + i, n, (i + n) % 5000 < 77);
    }
    long nAfter = s_nAllocations.load();
    EXPECT_EQ(nBefore, nAfter);
    EXPECT_FALSE(log.keys().empty());
}

}  // namespace
