// vocalith convert: runs a sound file through a preset with the engine.
#include <unistd.h>

#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include <CLI/CLI.hpp>

#include "commands.h"
#include "common.h"
#include "input_file.h"
#include "output_file.h"
#include "preset_source.h"
#include "vocalith/app/command_processor.h"
#include "vocalith/app/data_sink.h"
#include "vocalith/app/globals.h"
#include "vocalith/app/preset.h"
#include "vocalith/codec/factory.h"
#include "vocalith/ladspa/plugin_factory.h"

namespace tool {

namespace {

struct convert_options {
    std::string strPreset;
    std::string strInput;
    std::string strOutput;
    input_options input;
    std::string strOutCodec;
    unsigned int nBlock = 256;
    host_options host;
};

// Hands the engine's output bytes to the output file.
class file_sink : public app::data_sink {
public:
    explicit file_sink(output_file& out) : m_out(out) {}
    void write(const void* pData, unsigned int nSize) override { m_out.write(pData, nSize); }

private:
    output_file& m_out;
};

// "\r... NN%" on a terminal, only when the input is long enough to wait for.
class progress {
public:
    progress(double fSeconds, std::uint64_t nTotalBytes)
        : m_bShow(fSeconds > 10.0 && nTotalBytes > 0 && ::isatty(STDERR_FILENO)),
          m_nTotal(nTotalBytes),
          m_nShown(-1)
    {
    }
    ~progress()
    {
        if (m_bShow && m_nShown >= 0) {
            std::fputc('\n', stderr);
        }
    }
    void update(std::uint64_t nDone)
    {
        if (!m_bShow) {
            return;
        }
        int nPercent = static_cast<int>(nDone >= m_nTotal ? 100 : nDone * 100 / m_nTotal);
        if (nPercent != m_nShown) {
            m_nShown = nPercent;
            std::fprintf(stderr, "\rconverting: %3d%%", nPercent);
            std::fflush(stderr);
        }
    }

private:
    bool m_bShow;
    std::uint64_t m_nTotal;
    int m_nShown;
};

codec::id output_codec(const convert_options& opt, codec::id nInput)
{
    if (!opt.strOutCodec.empty()) {
        return parse_codec(opt.strOutCodec, "--out-codec");
    }
    if (opt.strOutput != "-" && !has_wav_extension(opt.strOutput)) {
        codec::id nFromName = codec_from_extension(opt.strOutput);
        if (nFromName != codec::id_none) {
            return nFromName;
        }
    }
    return nInput;
}

int run_convert(const convert_options& opt)
{
    apply_log_level(opt.host);
    if (opt.nBlock < 1 || opt.nBlock > 16384) {
        throw error(format("--block %u: 1 to 16384 samples are supported", opt.nBlock));
    }
    input_file in(opt.strInput, opt.input);
    codec::id nOutCodec = output_codec(opt, in.codec());
    if (is_mono_codec(nOutCodec) && in.channels() != 1) {
        throw error(format("%s: codec %s carries one channel, not %u", opt.strOutput.c_str(),
                           codec::factory::instance().name(nOutCodec, "?"), in.channels()));
    }

    // Instances and the engine are sized from these when they are built.
    app::s_Global.nChannelCount = in.channels();
    app::s_Global.nSampleRate = in.rate();
    app::s_Global.nBlockSize = opt.nBlock;

    ladspa::plugin_factory plugins(opt.host.strLadspaPath);
    std::shared_ptr<app::preset> preset = load_preset(
        opt.strPreset, opt.host.strPresetDir.empty() ? bundled_preset_dir() : opt.host.strPresetDir, plugins);
    std::unique_ptr<codec::abstract_codec> pCodec = codec::factory::instance().create_codec(in.codec(), nOutCodec);
    if (!pCodec) {
        throw error("no codec for this pair of formats");
    }

    output_file out(opt.strOutput, nOutCodec, in.channels(), in.rate());
    file_sink sink(out);
    std::uint64_t nSamples = 0;
    {
        app::command_processor engine(plugins, preset);
        progress shown(in.duration(), in.data_bytes());
        std::vector<unsigned char> chunk(16384);
        std::uint64_t nRead = 0;
        unsigned int n;
        while ((n = in.read(chunk.data(), static_cast<unsigned int>(chunk.size()))) > 0) {
            nSamples += engine.process(sink, chunk.data(), n, pCodec.get());
            nRead += n;
            shown.update(nRead);
        }
        nSamples += engine.process_tail(sink, pCodec.get());
    }
    out.commit(nSamples);
    return 0;
}

}  // namespace

command add_convert(CLI::App& app)
{
    auto opt = std::make_shared<convert_options>();
    CLI::App* sub = app.add_subcommand("convert", "Run a sound file through a preset");
    sub->add_option("-p,--preset", opt->strPreset, "preset file, or the name of a bundled preset (robot, robot.xml)")
        ->required();
    sub->add_option("INPUT", opt->strInput, "WAV (recognised by content) or raw input; - for standard input")
        ->required();
    sub->add_option("OUTPUT", opt->strOutput, "WAV when named *.wav, raw otherwise; - for standard output")
        ->required();
    input_option_set inputs;
    inputs.add(*sub, opt->input);
    sub->add_option("--block", opt->nBlock, "filter block in samples per channel (default 256)");
    sub->add_option("--out-codec", opt->strOutCodec,
                    "output codec (default: a raw output's extension, else the input codec)");
    add_host_options(*sub, opt->host, true);
    return command{sub, [opt, inputs]() {
                       inputs.note_given(opt->input);
                       return run_convert(*opt);
                   }};
}

}  // namespace tool
