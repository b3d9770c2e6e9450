// vocalith dtmf: the DTMF keys in a recording, one line per key with the
// time it started.
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include <CLI/CLI.hpp>

#include "commands.h"
#include "common.h"
#include "input_file.h"
#include "key_onset.h"
#include "vocalith/app/multibuffer.h"
#include "vocalith/codec/factory.h"
#include "vocalith/sigtools/dtmf_detector.h"
#include "vocalith/sigtools/dtmf_event.h"

namespace tool {

namespace {

struct dtmf_options {
    std::string strInput;
    input_options input;
};

struct key_found {
    std::uint64_t nStart;  // sample index
    char key;
};

// Collects the detector's keys with their onsets.
class key_collector : public sigtools::dtmf_event {
public:
    explicit key_collector(const key_onset& onset) : m_onset(onset) {}
    void on_tone(int nTone) override
    {
        char key = static_cast<char>(nTone);
        keys.push_back(key_found{m_onset.find_start(key), key});
    }

    std::vector<key_found> keys;

private:
    const key_onset& m_onset;
};

// The detector's filters are tuned for this rate.
const unsigned int c_nDetectorRate = 8000;

int run_dtmf(const dtmf_options& opt)
{
    input_file in(opt.strInput, opt.input);
    if (in.rate() != c_nDetectorRate) {
        throw error(format("%s: %u Hz; DTMF keys are found in 8000 Hz recordings only", opt.strInput.c_str(),
                           in.rate()));
    }
    std::unique_ptr<codec::decoder> pDecoder = codec::factory::instance().create_decoder(in.codec());
    if (!pDecoder) {
        throw error("no decoder for the input codec");
    }

    key_onset onset(c_nDetectorRate);
    key_collector keys(onset);
    sigtools::dtmf_detector<float> detector(&keys);

    // Decoded samples in pieces; bytes short of a coded unit wait in front
    // of the next read.
    const std::uint32_t nCapacity = 4096;
    app::sample_buffer samples(in.channels(), nCapacity);
    std::vector<unsigned char> bytes(65536);
    std::size_t nHeld = 0;
    for (;;) {
        unsigned int nRead = in.read(bytes.data() + nHeld, static_cast<unsigned int>(bytes.size() - nHeld));
        if (nRead == 0) {
            break;
        }
        std::size_t nAvail = nHeld + nRead;
        std::size_t nUsed = 0;
        while (nUsed < nAvail) {
            samples.set_offset(0);
            codec::decode_result res =
                pDecoder->decode(samples, nCapacity, bytes.data() + nUsed, static_cast<std::uint32_t>(nAvail - nUsed));
            if (res.nSampleCount == 0) {
                break;
            }
            nUsed = nAvail - res.nRestByteCount;
            onset.feed(samples.data(0), res.nSampleCount);
            detector.detect(&keys, samples.data(0), res.nSampleCount, false);
        }
        nHeld = nAvail - nUsed;
        std::memmove(bytes.data(), bytes.data() + nUsed, nHeld);
    }

    for (const key_found& k : keys.keys) {
        std::printf("%.3f %c\n", static_cast<double>(k.nStart) / c_nDetectorRate, k.key);
    }
    finish_stdout();
    return 0;
}

}  // namespace

command add_dtmf(CLI::App& app)
{
    auto opt = std::make_shared<dtmf_options>();
    CLI::App* sub = app.add_subcommand("dtmf", "List the DTMF keys in a recording with their start times");
    sub->add_option("INPUT", opt->strInput, "WAV or raw recording at 8000 Hz; - for standard input")->required();
    input_option_set inputs;
    inputs.add(*sub, opt->input);
    return command{sub, [opt, inputs]() {
                       inputs.note_given(opt->input);
                       return run_dtmf(*opt);
                   }};
}

}  // namespace tool
