// vocalith dtmf: the DTMF keys in a recording, in time order, each with the
// time its tones began (and, with --json, ended).
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <iostream>
#include <memory>
#include <string>
#include <vector>

#include <CLI/CLI.hpp>
#include <nlohmann/json.hpp>

#include "commands.h"
#include "common.h"
#include "input_file.h"
#include "vocalith/app/multibuffer.h"
#include "vocalith/codec/factory.h"
#include "vocalith/sigtools/dtmf_detector.h"
#include "vocalith/sigtools/dtmf_event.h"

namespace tool {

namespace {

using json = nlohmann::ordered_json;

struct dtmf_options {
    std::string strInput;
    input_options input;
    bool bJson = false;
};

struct key_found {
    char key;
    std::uint64_t nOnset;  // samples
    std::uint64_t nEnd;
};

// Collects the detector's keys once each has ended, which is in time order.
class key_collector : public sigtools::dtmf_key_event {
public:
    void on_tone(int) override {}
    void on_key(int nTone, std::uint64_t nOnset, std::uint64_t nEnd) override
    {
        keys.push_back(key_found{static_cast<char>(nTone), nOnset, nEnd});
    }

    std::vector<key_found> keys;
};

// Decodes the whole input and runs channel 0 through a detector at its rate.
std::vector<key_found> find_keys(input_file& in)
{
    std::unique_ptr<codec::decoder> pDecoder = codec::factory::instance().create_decoder(in.codec());
    if (!pDecoder) {
        throw error("no decoder for the input codec");
    }
    key_collector keys;
    sigtools::dtmf_detector<float> detector(&keys, in.rate());

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
            detector.detect(nullptr, samples.data(0), res.nSampleCount, false);
        }
        nHeld = nAvail - nUsed;
        std::memmove(bytes.data(), bytes.data() + nUsed, nHeld);
    }
    // A key still sounding when the recording stops ends there.
    detector.detect(nullptr, samples.data(0), 0, true);
    return keys.keys;
}

int run_dtmf(const dtmf_options& opt)
{
    input_file in(opt.strInput, opt.input);
    if (in.rate() < sigtools::dtmf_detector<float>::c_nMinRate ||
        in.rate() > sigtools::dtmf_detector<float>::c_nMaxRate) {
        throw error(format("%s: %u Hz; DTMF keys are found at %u to %u Hz", opt.strInput.c_str(), in.rate(),
                           sigtools::dtmf_detector<float>::c_nMinRate, sigtools::dtmf_detector<float>::c_nMaxRate));
    }
    const std::vector<key_found> keys = find_keys(in);
    const double dRate = in.rate();
    if (opt.bJson) {
        json list = json::array();
        for (const key_found& k : keys) {
            list.push_back({{"key", std::string(1, k.key)}, {"onset", k.nOnset / dRate}, {"end", k.nEnd / dRate}});
        }
        std::cout << list.dump(2) << '\n';
    } else {
        for (const key_found& k : keys) {
            std::printf("%.3f %c\n", k.nOnset / dRate, k.key);
        }
    }
    finish_stdout();
    return 0;
}

}  // namespace

command add_dtmf(CLI::App& app)
{
    auto opt = std::make_shared<dtmf_options>();
    CLI::App* sub = app.add_subcommand("dtmf", "List the DTMF keys in a recording with their start times");
    sub->add_option("INPUT", opt->strInput, "WAV or raw recording at 4000 to 96000 Hz; - for standard input")
        ->required();
    sub->add_flag("--json", opt->bJson, "a JSON array of {key, onset, end}, times in seconds");
    input_option_set inputs;
    inputs.add(*sub, opt->input);
    return command{sub, [opt, inputs]() {
                       inputs.note_given(opt->input);
                       return run_dtmf(*opt);
                   }};
}

}  // namespace tool
