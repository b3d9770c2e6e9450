// The block pipeline with its three tails, the filter stage's switches, the
// DTMF detector's input, and a control thread beside the processing thread.
#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <thread>
#include <tuple>

#include "engine/fp_mode.h"
#include "vocalith/app/exception.h"
#include "engine_support.h"

namespace {

using namespace engine_test;

// No whole number of filter blocks, pieces that split samples and frames, and
// pieces that leave a filter tail in front of more than fits the working buffer.
TEST_F(engine, pieces_of_any_size_give_the_whole_stream_result)
{
    for (const auto& [nCodec, nChannels, nGain] : {std::make_tuple(codec::id_pcm_int16le, 1u, 2),
                                                   std::make_tuple(codec::id_pcm_int16le, 3u, 2),
                                                   std::make_tuple(codec::id_g711_ulaw, 1u, 1)}) {
        app::s_Global.nChannelCount = nChannels;
        auto codec = codec::factory::instance().create_codec(nCodec, nCodec);
        std::vector<char> input = noise16(10001 * nChannels, 7, 8000);
        std::replace(input.begin(), input.end(), '\x7f', '\xff');  // mu-law's negative zero comes back positive
        for (std::size_t nPiece : {1, 3, 5, 7, 8291}) {
            SCOPED_TRACE(::testing::Message() << nCodec << ", " << nChannels << " channels, pieces of " << nPiece);
            command_processor engine(registry(), gain(static_cast<float>(nGain)));
            byte_sink sink;
            std::size_t nSamples = feed(engine, sink, input, nPiece, codec.get());
            nSamples += engine.process_tail(sink, codec.get());
            EXPECT_EQ(sink.bytes, scale(input, 0, input.size() / 2, nGain));
            EXPECT_EQ(nSamples, input.size() / codec->decoder_format().nBlockBytes / nChannels);
        }
    }
}

class every_pair : public engine, public ::testing::WithParamInterface<std::uint32_t> {};

// Every codec pair: the stream cut in pieces (a byte, a few, around the input
// tail, more than a decode chunk) converts as the whole does at once.
TEST_P(every_pair, pieces_of_any_size_convert_as_the_whole_stream)
{
    const std::uint32_t nChannels = GetParam();
    app::s_Global.nChannelCount = nChannels;
    app::s_Global.nBlockSize = 100;  // no divisor of a GSM frame
    const codec::id ids[] = {codec::id_pcm_float32, codec::id_pcm_int16be, codec::id_pcm_int16le,
                             codec::id_g711_alaw,   codec::id_g711_ulaw,    codec::id_gsm_610};
    // Two GSM frames and a piece of a third, in every channel.
    app::sample_buffer signal(nChannels, 330);
    std::vector<char> noise = noise16(330 * nChannels, nChannels, 16000);
    for (std::uint32_t i = 0; i < 330 * nChannels; ++i) {
        std::int16_t n;
        std::memcpy(&n, &noise[2 * i], 2);
        signal.data(i % nChannels)[i / nChannels] = n / 32768.0f;
    }
    for (const codec::id nIn : ids) {
        std::vector<char> input(330 * nChannels * 4 + 64);
        input.resize(codec::factory::instance().create_encoder(nIn)->encode(input.data(), input.size(), signal, 330)
                         .nByteCount);
        for (const codec::id nOut : ids) {
            SCOPED_TRACE(::testing::Message() << codec::factory::instance().name(nIn, "?") << " to "
                                              << codec::factory::instance().name(nOut, "?"));
            std::vector<char> whole;
            for (std::size_t nPiece : {input.size(), std::size_t(1), std::size_t(7), std::size_t(4095),
                                       std::size_t(4097), std::size_t(65536)}) {
                auto codec = codec::factory::instance().create_codec(nIn, nOut);
                command_processor engine(registry(), gain(0.5f));
                byte_sink sink;
                feed(engine, sink, input, nPiece, codec.get());
                engine.process_tail(sink, codec.get());
                if (whole.empty()) {
                    whole = sink.bytes;
                    ASSERT_GT(whole.size(), 60u);
                    ASSERT_NE(std::vector<char>(whole.size()), whole);
                } else {
                    ASSERT_EQ(whole, sink.bytes) << "pieces of " << nPiece;
                }
            }
        }
    }
}

INSTANTIATE_TEST_SUITE_P(engine, every_pair, ::testing::Values(1u, 2u, 3u, 64u, 256u));

TEST_F(engine, the_filter_stage_switches_between_blocks_and_stop_is_process_wide)
{
    app::s_Global.bBypass = true;
    app::s_Global.nLogLevel = 3;
    command_processor engine(registry(), gain(2.0f));
    command_processor other(registry(), nullptr);
    const std::vector<char> input = noise16(1200, 6, 8000);
    byte_sink sink;
    // Bypassed from the start; then 44 samples of each filtered call wait
    // for a block, and go out unfiltered when the stage is switched off.
    const unsigned int encoded[] = {300, 256, 344, 256};
    for (unsigned int i = 0; i < 4; ++i) {
        EXPECT_EQ(engine.process(sink, input.data() + 600 * i, 600, m_pcm16.get()), encoded[i]);
        i % 2 == 0 ? engine.resume() : engine.suspend();
    }
    EXPECT_EQ(engine.process_tail(sink, m_pcm16.get()), 44u);
    EXPECT_EQ(sink.bytes, scale(scale(input, 300, 556, 2), 900, 1156, 2));

    testing::internal::CaptureStderr();
    engine.stop();
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "[NOTE ] Stop command has been received\n");
    EXPECT_TRUE(other.isQuit());
}

std::uint64_t g_nRunMode = 0;
// A product below the smallest normal float: zero only where results flush.
volatile float g_fTiny = 1e-37f;
float g_fRunTinyProduct = 0.0f;

struct mode_sink : byte_sink {
    void write(const void* pData, unsigned int nSize) override
    {
        modes.push_back(app::flush_denormals_scope::read() & app::flush_denormals_scope::c_nFlushBits);
        byte_sink::write(pData, nSize);
    }
    std::vector<std::uint64_t> modes;
};

// Plugins run with denormals flushed (the bits set, and a denormal product
// coming out as zero); the host's callback, in the middle of the same call,
// sees the host's own mode, which is also what the call leaves.
TEST_F(engine, only_the_plugins_run_with_denormals_flushed)
{
    constexpr std::uint64_t nFlush = app::flush_denormals_scope::c_nFlushBits;
    if (nFlush == 0) {
        GTEST_SKIP() << "no flush-to-zero mode on this processor";
    }
    ASSERT_EQ(0u, app::flush_denormals_scope::read() & nFlush);
    command_processor engine(registry(), gain(2.0f));
    const std::vector<char> input = noise16(1000, 5, 8000);
    mode_sink sink;
    probe().pfnRunHook = [] {
        g_nRunMode = app::flush_denormals_scope::read();
        g_fRunTinyProduct = g_fTiny * 1e-3f;
    };
    for (int i = 0; i < 2; ++i) {
        g_nRunMode = 0;
        g_fRunTinyProduct = 1.0f;
        i == 0 ? engine.process(sink, input.data(), 2000, m_pcm16.get()) : engine.process_tail(sink, m_pcm16.get());
        EXPECT_EQ(nFlush, g_nRunMode & nFlush) << i;
        EXPECT_EQ(0.0f, g_fRunTinyProduct) << i;
        EXPECT_NE(0.0f, g_fTiny * 1e-3f) << i;
        EXPECT_EQ(0u, app::flush_denormals_scope::read() & nFlush) << i;
    }
    probe().pfnRunHook = nullptr;
    ASSERT_EQ(2u, sink.modes.size());
    EXPECT_EQ(std::vector<std::uint64_t>(2, 0), sink.modes);
    EXPECT_EQ(sink.bytes, scale(input, 0, 1000, 2));
}

// Values that would size buffers of no or of wrapped length are refused.
TEST_F(engine, stream_parameters_out_of_range_are_refused)
{
    for (const app::stream_format format : {app::stream_format{0, 8000, 256}, app::stream_format{257, 8000, 256},
                                            app::stream_format{1, 0, 256}, app::stream_format{1, 768001, 256},
                                            app::stream_format{1, 8000, 0}, app::stream_format{1, 8000, 0xFFFFFFFFu}}) {
        EXPECT_THROW(command_processor e(registry(), nullptr, format), app::exception)
            << format.nChannelCount << " " << format.nSampleRate << " " << format.nBlockSize;
    }
    app::s_Global.nBlockSize = 0;
    EXPECT_THROW(command_processor e(registry(), nullptr), app::exception);
}

struct key_log : sigtools::dtmf_event {
    void on_tone(int nTone) override { keys += static_cast<char>(nTone); }
    std::string keys;
};

// Each key of "123A456B789C*0#D" as two sines of -10 dBm0 (0 dBm0 is a peak
// of 22826) for 60 ms, then 60 ms of silence; in nChannels equal channels.
std::vector<char> keys_signal(const std::string& keys, unsigned int nChannels)
{
    const double lo[] = {697, 770, 852, 941}, hi[] = {1209, 1336, 1477, 1633}, fPeak = 22826 / std::sqrt(10.0);
    std::vector<char> bytes;
    for (char cKey : keys) {
        const std::size_t nKey = std::string("123A456B789C*0#D").find(cKey);
        const double fLo = 2 * M_PI * lo[nKey / 4] / 8000, fHi = 2 * M_PI * hi[nKey % 4] / 8000;
        for (unsigned int i = 0; i < 960 * nChannels; ++i) {
            const unsigned int t = i / nChannels;
            const auto n =
                static_cast<std::int16_t>(t < 480 ? std::lround(fPeak * (std::sin(fLo * t) + std::sin(fHi * t))) : 0);
            bytes.insert(bytes.end(), reinterpret_cast<const char*>(&n), reinterpret_cast<const char*>(&n) + 2);
        }
    }
    return bytes;
}

TEST_F(engine, each_key_of_mono_input_is_reported_once_however_the_input_is_cut)
{
    // 20 ms frames, odd pieces that leave samples in every tail, all at once; the
    // chain silences everything and is switched off once: the detector hears the input.
    for (unsigned int nChannels : {1, 2}) {
        app::s_Global.nChannelCount = nChannels;
        for (std::size_t nPiece : {320, 77, 1001, 100000}) {
            command_processor engine(registry(), gain(0.0f));
            key_log log;
            engine.detect_dtmf(&log);
            nPiece == 1001 ? engine.suspend() : engine.resume();
            byte_sink sink;
            feed(engine, sink, keys_signal("159#*0AD", nChannels), nPiece, m_pcm16.get());
            // Only mono input is analysed.
            EXPECT_EQ(log.keys, nChannels == 1 ? "159#*0AD" : "") << "pieces of " << nPiece;
        }
    }
}

// 0: open, 1: a plugin run is held, 2: released.
std::atomic<int> g_nGate(0);

void hold_first_run()
{
    int nOpen = 0;
    if (g_nGate.compare_exchange_strong(nOpen, 1)) {
        while (g_nGate.load() != 2) {
            std::this_thread::yield();
        }
    }
}

TEST_F(engine, a_block_running_during_a_change_finishes_with_the_old_preset)
{
    const std::vector<char> input = noise16(768, 21, 2000);
    std::shared_ptr<app::preset> old = gain(2.0f);
    const std::weak_ptr<app::preset> oldAlive = old;
    const int nActivations = probe().nActivations;
    command_processor engine(registry(), std::move(old));
    byte_sink sink;
    bool bReleasedInBlock = false;
    g_nGate = 0;
    probe().pfnRunHook = hold_first_run;
    std::thread processing([&] {
        engine.process(sink, input.data(), 512, m_pcm16.get());
        bReleasedInBlock = oldAlive.expired();
    });
    while (g_nGate.load() != 1) {
        std::this_thread::yield();
    }
    // Plugins run outside the engine's lock: neither call waits for the block.
    engine.change(gain(3.0f));
    EXPECT_TRUE(engine.set_plugin_port_value(0, 0, 5.0f));
    EXPECT_FALSE(oldAlive.expired());
    g_nGate = 2;
    processing.join();
    probe().pfnRunHook = nullptr;
    // Both presets were activated; the processing thread dropped the old one as its block ended.
    EXPECT_EQ(probe().nActivations, nActivations + 2);
    EXPECT_TRUE(bReleasedInBlock);
    engine.change(nullptr);  // ignored
    engine.process(sink, input.data() + 512, 1024, m_pcm16.get());
    EXPECT_EQ(sink.bytes, scale(scale(input, 0, 256, 2), 256, 768, 5));
}

// One thread converts while the other swaps presets and reads the current
// one in a tight loop: every block comes out whole through one of the two.
// The threads meet on the preset reference thousands of times, so a swap
// made outside the lock is reported by ThreadSanitizer in every run.
TEST_F(engine, presets_swapped_while_converting_give_whole_blocks_of_either)
{
    app::s_Global.nBlockSize = 64;
    const std::shared_ptr<app::preset> two = gain(2.0f), three = gain(3.0f);
    command_processor engine(registry(), two);
    const std::vector<char> input = noise16(64 * 50, 9, 8000);
    const std::vector<char> twice = scale(input, 0, 3200, 2), thrice = scale(input, 0, 3200, 3);
    // The changes go on until the output has shown both presets (the
    // threads may not run side by side at once on a busy machine).
    std::atomic<bool> bDone(false), bSeenBoth(false);
    int nChanges = 0, nMissed = 0;
    std::thread control([&] {
        const auto limit = std::chrono::steady_clock::now() + std::chrono::seconds(60);
        for (int& i = nChanges; (i < 20000 || !bSeenBoth) && std::chrono::steady_clock::now() < limit; ++i) {
            engine.change(i % 2 == 0 ? three : two);
            // No second plugin: this only reads the current preset.
            nMissed += engine.set_plugin_port_value(1, 0, 1.0f) ? 0 : 1;
        }
        bDone = true;
    });
    byte_sink sink;
    std::size_t nTwice = 0, nThrice = 0, nOther = 0, nLast = 0;
    for (int nAfter = 0; nAfter < 2; nAfter += bDone ? 1 : 0) {
        engine.process(sink, input.data(), static_cast<unsigned int>(input.size()), m_pcm16.get());
        for (std::size_t n = sink.bytes.size() - input.size(); n < sink.bytes.size(); n += 128) {
            const auto block = sink.bytes.begin() + static_cast<std::ptrdiff_t>(n);
            const auto at = static_cast<std::ptrdiff_t>(n % input.size());
            nLast = std::equal(block, block + 128, thrice.begin() + at)  ? 3
                    : std::equal(block, block + 128, twice.begin() + at) ? 2
                                                                         : 0;
            ++(nLast == 3 ? nThrice : nLast == 2 ? nTwice : nOther);
        }
        bSeenBoth = nTwice > 0 && nThrice > 0;
    }
    control.join();
    EXPECT_EQ(nChanges, nMissed);
    EXPECT_GE(nChanges, 20000);
    EXPECT_EQ(0u, nOther);
    EXPECT_TRUE(bSeenBoth);
    // The last change's preset makes the calls after it.
    EXPECT_EQ(nChanges % 2 == 0 ? 2u : 3u, nLast);
}

}  // namespace
