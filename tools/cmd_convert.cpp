// vocalith convert: runs a sound file through a preset with the engine.
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include <CLI/CLI.hpp>

#include "commands.h"
#include "common.h"
#include "inline_chain.h"
#include "input_file.h"
#include "output_file.h"
#include "preset_source.h"
#include "reshaper.h"
#include "sound_type.h"
#include "vocalith/app/command_processor.h"
#include "vocalith/app/data_sink.h"
#include "vocalith/app/globals.h"
#include "vocalith/app/preset.h"
#include "vocalith/app/preset_xml_parser.h"
#include "vocalith/codec/factory.h"
#include "vocalith/ladspa/plugin_factory.h"

namespace tool {

namespace {

struct convert_options {
    std::string strPreset;
    std::string strInput;
    std::string strOutput;
    input_options input;
    std::vector<std::string> types;  // -t values, in command-line order
    std::string strOutType;
    std::string strOutCodec;
    unsigned int nOutRate = 0;      // 0: the input's
    unsigned int nOutChannels = 0;  // 0: the input's
    std::string strQuality = "high";
    unsigned int nBlock = 256;
    host_options host;
    inline_chain chain;
};

// Hands the engine's output bytes to the output file.
class file_sink : public app::data_sink {
public:
    explicit file_sink(output_file& out) : m_out(out) {}
    void write(const void* pData, unsigned int nSize) override { m_out.write(pData, nSize); }

private:
    output_file& m_out;
};

// On a terminal only: "NN%" for an input of known length worth waiting for,
// else (a pipe) the elapsed time and the samples so far.
class progress {
public:
    progress(const input_file& in)
        : m_bShow(::isatty(STDERR_FILENO) && (in.is_pipe() || (in.duration() > 10.0 && in.data_bytes() > 0))),
          m_nTotal(in.is_pipe() ? 0 : in.data_bytes()),
          m_nShown(-1),
          m_start(std::chrono::steady_clock::now())
    {
    }
    ~progress()
    {
        if (m_bShow && m_nShown >= 0) {
            std::fputc('\n', stderr);
        }
    }
    void update(std::uint64_t nBytes, std::uint64_t nSamples)
    {
        if (!m_bShow) {
            return;
        }
        double fElapsed = std::chrono::duration<double>(std::chrono::steady_clock::now() - m_start).count();
        // Percent steps, or tenths of a second without a known length.
        int nStep = m_nTotal ? static_cast<int>(nBytes >= m_nTotal ? 100 : nBytes * 100 / m_nTotal)
                             : static_cast<int>(fElapsed * 10);
        if (nStep == m_nShown) {
            return;
        }
        m_nShown = nStep;
        if (m_nTotal) {
            std::fprintf(stderr, "\rconverting: %3d%%", nStep);
        } else {
            std::fprintf(stderr, "\rconverting: %02d:%05.2f  %llu samples", static_cast<int>(fElapsed / 60),
                         std::fmod(fElapsed, 60.0), static_cast<unsigned long long>(nSamples));
        }
        std::fflush(stderr);
    }

private:
    bool m_bShow;
    std::uint64_t m_nTotal;
    int m_nShown;
    std::chrono::steady_clock::time_point m_start;
};

// Each -t names the type of the file that follows it, as with sox.
void assign_types(convert_options& opt, const CLI::App& sub, const CLI::Option* pType, const CLI::Option* pInput)
{
    std::size_t nNext = 0;
    bool bInputSeen = false;
    for (const CLI::Option* pOpt : sub.parse_order()) {
        if (pOpt == pInput) {
            bInputSeen = true;
        } else if (pOpt == pType && nNext < opt.types.size()) {
            (bInputSeen ? opt.strOutType : opt.input.strType) = opt.types[nNext++];
        }
    }
}

int run_convert(const convert_options& opt)
{
    apply_log_level(opt.host);
    if (opt.nBlock < 1 || opt.nBlock > 16384) {
        throw error(format("--block %u: 1 to 16384 samples are supported", opt.nBlock));
    }
    const unsigned long nRecipe = soxr_recipe(opt.strQuality);
    input_file in(opt.strInput, opt.input);
    const sound_type* pOutType = type_of(opt.strOutput, opt.strOutType);
    codec::id nAsked = opt.strOutCodec.empty() ? codec::id_none : parse_codec(opt.strOutCodec, "--out-codec");
    const unsigned int nChannels = opt.nOutChannels ? opt.nOutChannels : in.channels();
    const unsigned int nRate = opt.nOutRate ? opt.nOutRate : in.rate();
    check_channels(nChannels, "--out-channels");
    std::unique_ptr<reshaper> pReshaper;
    if (nChannels != in.channels() || nRate != in.rate()) {
        pReshaper.reset(new reshaper(in, nChannels, nRate, nRecipe, opt.nBlock));
    }

    // Instances and the engine are sized from these when they are built.
    app::s_Global.nChannelCount = nChannels;
    app::s_Global.nSampleRate = nRate;
    app::s_Global.nBlockSize = opt.nBlock;

    const std::string strPresetDir = opt.host.strPresetDir.empty() ? bundled_preset_dir() : opt.host.strPresetDir;
    // An inline chain may name plugins by label: the whole path is scanned for
    // it; a preset's plugins are found through the plugin index.
    const std::unique_ptr<ladspa::plugin_factory> pPlugins(
        !opt.chain.empty() ? new ladspa::plugin_factory(opt.host.strLadspaPath)
                           : registry_for_preset(opt.strPreset, strPresetDir, opt.host.strLadspaPath).release());
    ladspa::plugin_factory& plugins = *pPlugins;
    // An inline chain goes through the loader that vocalith_init_string uses.
    std::shared_ptr<app::preset> preset =
        !opt.chain.empty()
            ? app::preset_xml_parser(plugins).load_from_string(opt.chain.document(plugins, nChannels, nRate))
            : load_preset(opt.strPreset, strPresetDir, plugins);

    const codec::id nInCodec = pReshaper ? codec::id_pcm_float32 : in.codec();
    const codec::id nRawDefault = in.is_library() && !pReshaper ? in.codec() : codec::id_pcm_int16le;
    output_file out(opt.strOutput, pOutType, nAsked, nRawDefault, nChannels, nRate);
    std::unique_ptr<codec::abstract_codec> pCodec = codec::factory::instance().create_codec(nInCodec, out.codec());
    if (!pCodec) {
        throw error("no codec for this pair of formats");
    }

    file_sink sink(out);
    std::uint64_t nSamples = 0;
    try {
        app::command_processor engine(plugins, preset);
        progress shown(in);
        // From a pipe, about one filter block at a time, so that output
        // follows input as it arrives; whole coded units either way.
        const unsigned int nUnitBytes = pReshaper ? 4 * nChannels : in.unit_bytes();
        const unsigned int nUnitSamples = pReshaper ? 1 : in.unit_samples();
        const unsigned int nUnits = in.is_pipe() ? (opt.nBlock + nUnitSamples - 1) / nUnitSamples
                                                 : std::max(1u, 16384 / nUnitBytes);
        std::vector<unsigned char> chunk(static_cast<std::size_t>(nUnits) * nUnitBytes);
        std::uint64_t nRead = 0;
        unsigned int n;
        while ((n = pReshaper ? pReshaper->read(chunk.data(), static_cast<unsigned int>(chunk.size()))
                              : in.read(chunk.data(), static_cast<unsigned int>(chunk.size()))) > 0) {
            nSamples += engine.process(sink, chunk.data(), n, pCodec.get());
            out.flush();
            nRead += n;
            shown.update(nRead, nSamples);
        }
        nSamples += engine.process_tail(sink, pCodec.get());
    } catch (const error&) {
        throw;
    } catch (const std::exception& e) {
        throw error(user_message(e.what()), exit_failed);
    }
    out.commit(nSamples);
    return exit_done;
}

}  // namespace

command add_convert(CLI::App& app)
{
    auto opt = std::make_shared<convert_options>();
    CLI::App* sub = app.add_subcommand("convert", "Run a sound file through a preset");
    CLI::Option* pPreset = sub->add_option("-p,--preset", opt->strPreset,
                                           "preset file, or the name of a bundled preset (robot, robot.xml)");
    opt->chain.add_options(*sub, pPreset);
    CLI::Option* pInput = sub->add_option(
        "INPUT", opt->strInput, "input file, its type from -t or its extension (WAV also by content); - for standard input")
        ->required();
    sub->add_option("OUTPUT", opt->strOutput,
                    "output file, its type from -t or its extension; - for standard output (raw without -t)")
        ->required();
    CLI::Option* pType = sub->add_option("-t,--type", opt->types,
                                         "type of the file named next (wav, flac, ogg, mp3, ul, al, gsm, raw, ...)")
                                ->allow_extra_args(false);
    input_option_set inputs;
    inputs.add(*sub, opt->input, false);
    sub->add_option("--block", opt->nBlock, "filter block in samples per channel (default 256)");
    sub->add_option("--out-codec", opt->strOutCodec,
                    "output codec (default: 16-bit PCM in WAV and other containers; a raw output's type, "
                    "else the input codec)");
    sub->add_option("--out-rate", opt->nOutRate, "resample to this rate before the preset (default: the input's)");
    sub->add_option("--out-channels", opt->nOutChannels,
                    "mix down to 1 or copy 1 to N channels before the preset (default: the input's)");
    sub->add_option("--quality", opt->strQuality, "resampling: quick, low, medium, high (default), very-high");
    add_host_options(*sub, opt->host, true);
    return command{sub, [opt, inputs, sub, pType, pInput]() {
                       return run_reported("convert", [&]() {
                           inputs.note_given(opt->input);
                           assign_types(*opt, *sub, pType, pInput);
                           opt->chain.collect(*sub);
                           if (opt->strPreset.empty() && opt->chain.empty()) {
                               throw usage_error("give a preset (-p PRESET) or a chain (-e PLUGIN ...)");
                           }
                           return run_convert(*opt);
                       });
                   }};
}

}  // namespace tool
