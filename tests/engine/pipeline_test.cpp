// The block pipeline: decoding across calls, filter blocks, encoder blocks
// and the three tails.
#include <gtest/gtest.h>

#include <cstring>
#include <tuple>

#include "engine_support.h"
#include "vocalith/app/command_processor.h"
#include "vocalith/codec/factory.h"

#if defined(__x86_64__)
#include <xmmintrin.h>
#endif

namespace {

using namespace engine_test;
using app::command_processor;

std::vector<std::int16_t> scaled(const std::vector<std::int16_t>& samples, int nFactor)
{
    std::vector<std::int16_t> out(samples.size());
    for (std::size_t i = 0; i < samples.size(); ++i) {
        out[i] = static_cast<std::int16_t>(samples[i] * nFactor);
    }
    return out;
}

std::shared_ptr<app::preset> doubling() { return make_preset({plugin_xml(c_nProbeGainId, true, {2.0f})}); }

// ---------------------------------------------------------------------------
// The same interleaved stream fed whole and in small pieces.

struct stream_case {
    codec::id nCodec;
    std::uint32_t nChannels;
};

class piecewise : public ::testing::TestWithParam<stream_case> {};

TEST_P(piecewise, pieces_of_any_size_give_the_whole_stream_result)
{
    const stream_case param = GetParam();
    settings_scope settings(param.nChannels);
    // 1001 frames: neither whole filter blocks nor a round number of bytes per piece.
    const std::size_t nFrames = 1001;
    const std::vector<std::int16_t> samples = noise16(nFrames * param.nChannels, 7, 8000);
    std::vector<unsigned char> input;
    std::vector<unsigned char> expected;
    if (param.nCodec == codec::id_pcm_float32) {
        std::vector<float> floats(samples.size());
        std::vector<float> doubled(samples.size());
        for (std::size_t i = 0; i < samples.size(); ++i) {
            floats[i] = samples[i] / 32768.0f;
            doubled[i] = floats[i] * 2.0f;
        }
        input = to_bytes(floats);
        expected = to_bytes(doubled);
    } else {
        input = to_bytes(samples);
        expected = to_bytes(scaled(samples, 2));
    }

    for (std::size_t nPiece : {0, 1, 3, 5, 7}) {
        SCOPED_TRACE("piece size " + std::to_string(nPiece));
        command_processor engine(registry(), doubling());
        auto codec = make_codec(param.nCodec, param.nCodec);
        std::uint64_t nSamples = 0;
        EXPECT_EQ(convert(engine, *codec, input, nPiece, &nSamples), expected);
        EXPECT_EQ(nSamples, nFrames);
        EXPECT_EQ(engine.tail_input_size(), 0u);
    }
}

INSTANTIATE_TEST_SUITE_P(engine, piecewise,
                         ::testing::Values(stream_case{codec::id_pcm_int16le, 2},
                                           stream_case{codec::id_pcm_int16le, 3},
                                           stream_case{codec::id_pcm_float32, 2},
                                           stream_case{codec::id_pcm_float32, 3}));

// ---------------------------------------------------------------------------
// Tails carried from call to call.

class pipeline : public ::testing::Test {
protected:
    std::unique_ptr<codec::abstract_codec> pcm16 = make_codec(codec::id_pcm_int16le, codec::id_pcm_int16le);
};

TEST_F(pipeline, filter_tail_waits_for_a_whole_block)
{
    settings_scope settings(1, 256, 5);
    command_processor engine(registry(), doubling());
    const std::vector<std::int16_t> samples = noise16(512, 1, 8000);
    const std::vector<unsigned char> input = to_bytes(samples);

    byte_sink sink;
    stderr_capture capture;
    EXPECT_EQ(engine.process(sink, input.data(), 1000, pcm16.get()), 256u);
    EXPECT_EQ(sink.bytes.size(), 512u);
    EXPECT_EQ(engine.process(sink, input.data() + 1000, 0, pcm16.get()), 0u);
    EXPECT_EQ(sink.nCalls, 1u);
    EXPECT_EQ(engine.process(sink, input.data() + 1000, 24, pcm16.get()), 256u);
    EXPECT_EQ(engine.tail_filter_count(), 0u);
    EXPECT_EQ(from_bytes16(sink.bytes), scaled(samples, 2));

    const std::string strLog = capture.text();
    EXPECT_EQ(strLog.substr(0, strLog.find("input byte size=24")),
              "[DEBUG] process: on start: input byte size=1000, m_tailInput=0, m_tailFilter=0, m_tailOutput=0\n"
              "[DEBUG] process: iteration: input byte size=1000, m_tailInput=0, m_tailFilter=0, m_tailOutput=0\n"
              "[DEBUG] process: after decoder: decodeResult.nSampleCount=500, decodeResult.nRestByteCount=0, "
              "m_tailInput=0, m_tailFilter=0, m_tailOutput=0\n"
              "[DEBUG] process: after filter: nPassCount=1, nStepSampleCount=256, nRestSize=244, "
              "nSampeCountForEncoding=256 m_tailInput=0, m_tailFilter=244, m_tailOutput=0\n"
              "[DEBUG] process: after encoder: nProcessedSampleCount=256, encodeResult.nRestSampleCount=0, "
              "m_tailInput=0, m_tailFilter=244, m_tailOutput=0\n"
              "[DEBUG] process: on end: m_tailInput=0, m_tailFilter=244, m_tailOutput=0\n"
              "[DEBUG] process: on start: input byte size=0, m_tailInput=0, m_tailFilter=244, m_tailOutput=0\n"
              "[DEBUG] process: on end: m_tailInput=0, m_tailFilter=244, m_tailOutput=0\n"
              "[DEBUG] process: on start: ");
}

TEST_F(pipeline, partial_frames_wait_in_the_input_tail)
{
    const std::vector<std::int16_t> samples = noise16(2000, 3, 8000);
    const std::vector<unsigned char> input = to_bytes(samples);
    {
        settings_scope settings(1);
        command_processor engine(registry(), doubling());
        byte_sink sink;
        engine.process(sink, input.data(), 1001, pcm16.get());
        EXPECT_EQ(engine.tail_input_size(), 1u);
        EXPECT_EQ(engine.tail_filter_count(), 244u);
        engine.process(sink, input.data() + 1001, 1, pcm16.get());
        EXPECT_EQ(engine.tail_input_size(), 0u);
        EXPECT_EQ(engine.tail_filter_count(), 245u);
        engine.process(sink, input.data() + 1002, 2998, pcm16.get());
        engine.process_tail(sink, pcm16.get());
        EXPECT_EQ(from_bytes16(sink.bytes), scaled(samples, 2));
    }
    {
        // Stereo: 7 bytes are one frame and three bytes of the next, which
        // hold a whole sample but not a whole frame.
        settings_scope settings(2);
        command_processor engine(registry(), doubling());
        byte_sink sink;
        engine.process(sink, input.data(), 7, pcm16.get());
        EXPECT_EQ(engine.tail_input_size(), 3u);
        EXPECT_EQ(engine.tail_filter_count(), 1u);
        engine.process(sink, input.data() + 7, 1, pcm16.get());
        EXPECT_EQ(engine.tail_input_size(), 0u);
        EXPECT_EQ(engine.tail_filter_count(), 2u);
    }
}

TEST_F(pipeline, float_samples_gather_byte_by_byte)
{
    settings_scope settings(1);
    command_processor engine(registry(), doubling());
    auto float32 = make_codec(codec::id_pcm_float32, codec::id_pcm_float32);
    const std::vector<float> samples = {0.25f, -0.5f, 0.125f};
    const std::vector<unsigned char> input = to_bytes(samples);
    byte_sink sink;
    for (std::size_t i = 0; i < input.size(); ++i) {
        EXPECT_EQ(engine.process(sink, &input[i], 1, float32.get()), 0u);
        EXPECT_EQ(engine.tail_input_size(), (i + 1) % 4);
        EXPECT_EQ(engine.tail_filter_count(), (i + 1) / 4);
    }
    EXPECT_EQ(engine.process_tail(sink, float32.get()), 3u);
    EXPECT_EQ(sink.bytes, to_bytes(std::vector<float>{0.5f, -1.0f, 0.25f}));
}

TEST_F(pipeline, gsm_output_is_padded_to_a_whole_frame_at_the_end)
{
    settings_scope settings(1);
    command_processor engine(registry(), make_preset({}));
    auto codec = make_codec(codec::id_pcm_int16le, codec::id_gsm_610);
    std::vector<std::int16_t> samples = noise16(1000, 4, 6000);
    const std::vector<unsigned char> input = to_bytes(samples);

    byte_sink sink;
    // 768 samples filtered, of which 640 make four frames.
    EXPECT_EQ(engine.process(sink, input.data(), 2000, codec.get()), 640u);
    EXPECT_EQ(engine.tail_output_count(), 128u);
    EXPECT_EQ(engine.tail_filter_count(), 232u);
    EXPECT_EQ(sink.bytes.size(), 4u * 33u);
    EXPECT_EQ(engine.process_tail(sink, codec.get()), 360u);
    EXPECT_EQ(engine.tail_output_count(), 0u);
    EXPECT_EQ(engine.tail_filter_count(), 0u);

    // The same samples, zero-padded to seven frames, through a fresh encoder.
    samples.resize(7 * 160, 0);
    app::sample_buffer buffer(1, 7 * 160);
    for (std::size_t i = 0; i < samples.size(); ++i) {
        buffer.data(0)[i] = samples[i] / 32768.0f;
    }
    auto encoder = codec::factory::instance().create_encoder(codec::id_gsm_610);
    std::vector<unsigned char> expected(7 * 33);
    const codec::encode_result result = encoder->encode(expected.data(), 7 * 33, buffer, 7 * 160);
    ASSERT_EQ(result.nByteCount, 7u * 33u);
    EXPECT_EQ(sink.bytes, expected);
}

TEST_F(pipeline, large_inputs_run_in_bounded_iterations)
{
    settings_scope settings(1, 256, 5);
    command_processor engine(registry(), make_preset({}));
    const std::vector<std::int16_t> samples = noise16(20000, 5, 20000);
    const std::vector<unsigned char> input = to_bytes(samples);
    byte_sink sink;
    std::string strLog;
    {
        stderr_capture capture;
        EXPECT_EQ(engine.process(sink, input.data(), 40000, pcm16.get()), 19968u);
        strLog = capture.text();
    }
    std::size_t nIterations = 0;
    for (std::size_t at = strLog.find("iteration:"); at != std::string::npos; at = strLog.find("iteration:", at + 1)) {
        ++nIterations;
    }
    EXPECT_EQ(nIterations, 5u);  // 8192 bytes at most per iteration
    EXPECT_GE(sink.nCalls, 5u);  // 8192 bytes at most per encode
    engine.process_tail(sink, pcm16.get());
    EXPECT_EQ(sink.bytes, input);
}

TEST_F(pipeline, a_full_working_buffer_hands_the_rest_back_to_the_input)
{
    // One byte per sample: 8192 bytes decode to more samples than fit
    // behind the carried filter tail, so the decoder stops early.
    settings_scope settings(1);
    command_processor engine(registry(), make_preset({}));
    auto ulaw = make_codec(codec::id_g711_ulaw, codec::id_g711_ulaw);
    std::vector<unsigned char> input(20100);
    std::uint32_t nState = 99;
    for (unsigned char& b : input) {
        nState = nState * 1664525u + 1013904223u;
        b = static_cast<unsigned char>(nState >> 24);
        if (b == 0x7f) {
            b = 0xff;  // the negative zero does not survive a round trip
        }
    }
    byte_sink sink;
    engine.process(sink, input.data(), 100, ulaw.get());
    EXPECT_EQ(engine.tail_filter_count(), 100u);
    EXPECT_EQ(engine.process(sink, input.data() + 100, 20000, ulaw.get()), 19968u);
    engine.process_tail(sink, ulaw.get());
    EXPECT_EQ(sink.bytes, input);
}

TEST_F(pipeline, a_suspended_engine_encodes_everything_unfiltered)
{
    settings_scope settings(1);
    command_processor engine(registry(), doubling());
    const std::vector<std::int16_t> samples = noise16(1100, 6, 8000);
    const std::vector<unsigned char> input = to_bytes(samples);
    byte_sink sink;
    EXPECT_EQ(engine.process(sink, input.data(), 600, pcm16.get()), 256u);  // 44 samples wait
    engine.suspend();
    EXPECT_EQ(engine.process(sink, input.data() + 600, 1000, pcm16.get()), 544u);
    EXPECT_EQ(engine.tail_filter_count(), 0u);
    engine.resume();
    EXPECT_EQ(engine.process(sink, input.data() + 1600, 600, pcm16.get()), 256u);
    EXPECT_EQ(engine.tail_filter_count(), 44u);
    // With the filter stage off the padded block is not filtered either.
    engine.suspend();
    EXPECT_EQ(engine.process_tail(sink, pcm16.get()), 44u);

    std::vector<std::int16_t> expected = samples;
    for (std::size_t i = 0; i < 256; ++i) {
        expected[i] *= 2;
        expected[800 + i] *= 2;
    }
    EXPECT_EQ(from_bytes16(sink.bytes), expected);
}

TEST_F(pipeline, without_codec_the_input_passes_through)
{
    settings_scope settings(1, 256, 1);
    command_processor engine(registry(), doubling());
    const std::vector<unsigned char> input = {1, 2, 3, 4, 5};
    byte_sink sink;
    stderr_capture capture;
    EXPECT_EQ(engine.process(sink, input.data(), 5, nullptr), 0u);
    EXPECT_EQ(capture.text(), "[ERROR] No codec defined\n");
    EXPECT_EQ(sink.bytes, input);
    EXPECT_EQ(engine.process_tail(sink, nullptr), 0u);
    EXPECT_EQ(sink.nCalls, 1u);
}

TEST_F(pipeline, ending_a_stream_without_pending_samples_does_nothing)
{
    settings_scope settings(1, 256, 5);
    command_processor engine(registry(), doubling());
    byte_sink sink;
    stderr_capture capture;
    EXPECT_EQ(engine.process_tail(sink, pcm16.get()), 0u);
    EXPECT_EQ(sink.nCalls, 0u);
    EXPECT_EQ(capture.text(), "");
}

TEST_F(pipeline, chain_results_are_fitted_to_the_engine_channels)
{
    const std::vector<std::int16_t> samples = noise16(512, 8, 8000);
    {
        // A 1-in/2-out plugin on a mono engine: the first output stays.
        settings_scope settings(1);
        command_processor engine(registry(), make_preset({plugin_xml(c_nProbeSplitId, true, {3.0f})}));
        EXPECT_EQ(from_bytes16(convert(engine, *pcm16, to_bytes(samples), 0)), scaled(samples, 3));
    }
    {
        // A preset made for one channel on a stereo engine: the second
        // channel becomes silence.
        std::shared_ptr<app::preset> preset;
        {
            settings_scope mono(1);
            preset = doubling();
        }
        settings_scope settings(2);
        command_processor engine(registry(), preset);
        std::vector<std::int16_t> expected = samples;
        for (std::size_t i = 0; i < expected.size(); i += 2) {
            expected[i] = static_cast<std::int16_t>(expected[i] * 2);
            expected[i + 1] = 0;
        }
        EXPECT_EQ(from_bytes16(convert(engine, *pcm16, to_bytes(samples), 0)), expected);
    }
}

TEST_F(pipeline, without_a_preset_samples_pass_unfiltered)
{
    settings_scope settings(1);
    command_processor engine(registry(), nullptr);
    const std::vector<unsigned char> input = to_bytes(noise16(700, 9, 8000));
    EXPECT_EQ(convert(engine, *pcm16, input, 0), input);
}

#if defined(__x86_64__)
// Records the floating-point control word that the sink sees.
class mode_sink : public app::data_sink {
public:
    void write(const void*, unsigned int) override { nMode = _mm_getcsr(); }
    unsigned int nMode = 0;
};

TEST_F(pipeline, denormals_are_flushed_inside_and_the_callers_mode_restored)
{
    settings_scope settings(1);
    command_processor engine(registry(), doubling());
    const unsigned int nFlush = 0x8040;
    const unsigned int nCaller = _mm_getcsr();
    ASSERT_EQ(nCaller & nFlush, 0u);
    const std::vector<unsigned char> input = to_bytes(noise16(300, 10, 8000));
    mode_sink sink;
    engine.process(sink, input.data(), 600, pcm16.get());
    EXPECT_EQ(sink.nMode & nFlush, nFlush);
    EXPECT_EQ(_mm_getcsr(), nCaller);
    sink.nMode = 0;
    engine.process_tail(sink, pcm16.get());
    EXPECT_EQ(sink.nMode & nFlush, nFlush);
    EXPECT_EQ(_mm_getcsr(), nCaller);
}
#endif

}  // namespace
