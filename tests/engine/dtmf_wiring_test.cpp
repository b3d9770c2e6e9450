// Where the engine listens for DTMF keys, and the commands a key handler
// calls.
#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "engine_support.h"
#include "vocalith/app/command_processor.h"
#include "vocalith/sigtools/dtmf_frequencies.h"

namespace {

using namespace engine_test;
using app::command_processor;

class key_log : public sigtools::dtmf_event {
public:
    void on_tone(int nTone) override { keys += static_cast<char>(nTone); }
    std::string keys;
};

// Each key as two sines of -10 dBm0 (0 dBm0 = peak 22826) for nToneMs,
// followed by nPauseMs of silence; 8000 Hz.
std::vector<std::int16_t> keys_signal(const std::string& keys, unsigned int nToneMs, unsigned int nPauseMs)
{
    const double fAmplitude = 22826.0 * std::pow(10.0, -10.0 / 20.0);
    std::vector<std::int16_t> samples;
    for (char cKey : keys) {
        double fLo = 0;
        double fHi = 0;
        for (unsigned int r = 0; r < 4; ++r) {
            for (unsigned int c = 0; c < 4; ++c) {
                if (sigtools::dtmf::key_at(r, c) == cKey) {
                    fLo = sigtools::dtmf::c_loFreq[r];
                    fHi = sigtools::dtmf::c_hiFreq[c];
                }
            }
        }
        for (unsigned int i = 0; i < nToneMs * 8; ++i) {
            const double t = i / 8000.0;
            samples.push_back(static_cast<std::int16_t>(
                std::lround(fAmplitude * (std::sin(2 * M_PI * fLo * t) + std::sin(2 * M_PI * fHi * t)))));
        }
        samples.insert(samples.end(), nPauseMs * 8, 0);
    }
    return samples;
}

std::vector<std::int16_t> interleave_twice(const std::vector<std::int16_t>& samples)
{
    std::vector<std::int16_t> out;
    for (std::int16_t s : samples) {
        out.push_back(s);
        out.push_back(s);
    }
    return out;
}

class dtmf_wiring : public ::testing::Test {
protected:
    std::unique_ptr<codec::abstract_codec> m_codec = make_codec(codec::id_pcm_int16le, codec::id_pcm_int16le);
};

TEST_F(dtmf_wiring, mono_input_reports_each_key_once_however_it_is_cut)
{
    settings_scope settings(1);
    const std::vector<unsigned char> input = to_bytes(keys_signal("159#*0AD", 60, 60));
    // 20 ms frames, odd pieces that leave samples in every tail, and all at once.
    for (std::size_t nPiece : {320, 77, 1001, 0}) {
        SCOPED_TRACE("piece size " + std::to_string(nPiece));
        // The chain silences everything: the detector hears the input itself.
        command_processor engine(registry(), make_preset({plugin_xml(c_nProbeGainId, true, {0.0f})}));
        key_log log;
        engine.detect_dtmf(&log);
        convert(engine, *m_codec, input, nPiece);
        EXPECT_EQ(log.keys, "159#*0AD");
    }
}

TEST_F(dtmf_wiring, keys_are_heard_while_the_filter_stage_is_off)
{
    settings_scope settings(1);
    command_processor engine(registry(), nullptr);
    key_log log;
    engine.detect_dtmf(&log);
    engine.suspend();
    convert(engine, *m_codec, to_bytes(keys_signal("7", 80, 40)), 320);
    EXPECT_EQ(log.keys, "7");
}

TEST_F(dtmf_wiring, only_mono_input_is_analysed)
{
    settings_scope settings(2);
    command_processor engine(registry(), nullptr);
    key_log log;
    engine.detect_dtmf(&log);
    convert(engine, *m_codec, to_bytes(interleave_twice(keys_signal("123", 80, 80))), 640);
    EXPECT_EQ(log.keys, "");
}

TEST_F(dtmf_wiring, the_detector_hears_nothing_while_no_handler_is_registered)
{
    settings_scope settings(1);
    command_processor engine(registry(), nullptr);
    // 60 ms of the key before a handler exists, 60 ms after: had the first
    // part reached the detector, the key would count as already reported.
    const std::vector<unsigned char> input = to_bytes(keys_signal("5", 120, 60));
    byte_sink sink;
    engine.process(sink, input.data(), 960, m_codec.get());
    key_log log;
    engine.detect_dtmf(&log);
    engine.process(sink, input.data() + 960, static_cast<unsigned int>(input.size() - 960), m_codec.get());
    EXPECT_EQ(log.keys, "5");

    engine.detect_dtmf(nullptr);
    engine.process(sink, to_bytes(keys_signal("9", 80, 40)).data(), 1920, m_codec.get());
    EXPECT_EQ(log.keys, "5");
}

// Turns keys into engine commands, as a host would.
class commander : public sigtools::dtmf_event {
public:
    explicit commander(command_processor& engine) : m_engine(engine) {}
    void on_tone(int nTone) override
    {
        if (nTone == 'A') {
            m_engine.suspend();
        } else if (nTone == 'B') {
            m_engine.resume();
        } else if (nTone == '#') {
            m_engine.stop();
        }
    }

private:
    command_processor& m_engine;
};

TEST_F(dtmf_wiring, a_handler_can_switch_the_filter_stage_and_stop)
{
    settings_scope settings(1);
    command_processor engine(registry(), make_preset({plugin_xml(c_nProbeGainId, true, {2.0f})}));
    commander handler(engine);
    engine.detect_dtmf(&handler);
    const std::vector<std::int16_t> noise = noise16(256, 41, 1000);
    byte_sink sink;

    const auto block_after = [&](const char* pszKey) {
        const std::vector<unsigned char> key = to_bytes(keys_signal(pszKey, 64, 0));  // two whole blocks
        engine.process(sink, key.data(), static_cast<unsigned int>(key.size()), m_codec.get());
        sink.bytes.clear();
        engine.process(sink, to_bytes(noise).data(), 512, m_codec.get());
        return from_bytes16(sink.bytes);
    };
    std::vector<std::int16_t> doubled(noise);
    for (std::int16_t& s : doubled) {
        s = static_cast<std::int16_t>(s * 2);
    }
    EXPECT_EQ(block_after("A"), noise);
    EXPECT_EQ(block_after("B"), doubled);
    EXPECT_FALSE(engine.isQuit());
    block_after("#");
    EXPECT_TRUE(engine.isQuit());
}

TEST(engine_commands, stop_is_process_wide_and_noted_from_level_3)
{
    for (std::uint32_t nLevel : {2u, 3u}) {
        settings_scope settings(1, 256, nLevel);
        command_processor engine(registry(), nullptr);
        command_processor other(registry(), nullptr);
        EXPECT_FALSE(other.isQuit());
        stderr_capture capture;
        engine.stop();
        EXPECT_EQ(capture.text(), nLevel >= 3 ? "[NOTE ] Stop command has been received\n" : "");
        EXPECT_TRUE(engine.isQuit());
        EXPECT_TRUE(other.isQuit());
        EXPECT_TRUE(app::s_Global.bQuit);
    }
}

TEST(engine_commands, an_engine_starts_bypassed_when_the_settings_say_so)
{
    settings_scope settings(1);
    app::s_Global.bBypass = true;
    command_processor engine(registry(), make_preset({plugin_xml(c_nProbeGainId, true, {2.0f})}));
    auto codec = make_codec(codec::id_pcm_int16le, codec::id_pcm_int16le);
    const std::vector<std::int16_t> samples = noise16(256, 42, 1000);
    byte_sink sink;
    engine.process(sink, to_bytes(samples).data(), 512, codec.get());
    EXPECT_EQ(from_bytes16(sink.bytes), samples);
    engine.resume();
    sink.bytes.clear();
    engine.process(sink, to_bytes(samples).data(), 512, codec.get());
    EXPECT_EQ(from_bytes16(sink.bytes)[5], samples[5] * 2);
}

}  // namespace
