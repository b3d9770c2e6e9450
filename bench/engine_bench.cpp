// Engine throughput: µ-law in and out, mono, one 256-sample block per
// process call, through an empty preset, one SDK amp and a chain of three.
// Compare with the bare codec and kernel figures to see the engine's own
// share (tails, lock, preset walk).
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "vocalith/app/command_processor.h"
#include "vocalith/app/globals.h"
#include "vocalith/app/preset.h"
#include "vocalith/app/preset_xml_parser.h"
#include "vocalith/codec/factory.h"
#include "vocalith/ladspa/plugin_factory.h"

namespace {

const char* const c_pszAmp = "/usr/lib/ladspa/amp.so";

// A directory holding only a link to the SDK amp, so that building the
// registry does not open every installed plugin library.
class amp_registry {
public:
    amp_registry() : m_strDir(make_dir()), m_registry(m_strDir) {}
    ~amp_registry()
    {
        std::remove((m_strDir + "/amp.so").c_str());
        rmdir(m_strDir.c_str());
    }
    ladspa::plugin_factory& get() { return m_registry; }

private:
    static std::string make_dir()
    {
        char szTemplate[] = "/tmp/vocalith_bench_XXXXXX";
        const char* pszDir = mkdtemp(szTemplate);
        if (pszDir == nullptr || symlink(c_pszAmp, (std::string(pszDir) + "/amp.so").c_str()) != 0) {
            return "/usr/lib/ladspa";
        }
        return pszDir;
    }

    std::string m_strDir;
    ladspa::plugin_factory m_registry;
};

amp_registry& registry()
{
    static amp_registry s_registry;
    return s_registry;
}

class null_sink : public app::data_sink {
public:
    void write(const void* pData, unsigned int nSize) override
    {
        benchmark::DoNotOptimize(pData);
        nBytes += nSize;
    }
    std::size_t nBytes = 0;
};

void engine_ulaw(benchmark::State& state)
{
    const unsigned int nAmps = static_cast<unsigned int>(state.range(0));
    app::s_Global.nChannelCount = 1;
    app::s_Global.nSampleRate = 8000;
    app::s_Global.nBlockSize = 256;
    app::s_Global.nLogLevel = 0;

    std::string strXml = "<jackrack>";
    for (unsigned int i = 0; i < nAmps; ++i) {
        strXml += "<plugin><id>1048</id><enabled>true</enabled><controlrow><value>0.9</value></controlrow></plugin>";
    }
    strXml += "</jackrack>";
    app::preset_xml_parser parser(registry().get());
    std::shared_ptr<app::preset> preset = parser.load_from_string(strXml);
    if (preset->plugins().size() != nAmps) {
        state.SkipWithError("the SDK amp (1048) is not installed");
        return;
    }
    app::command_processor engine(registry().get(), preset);
    auto codec = codec::factory::instance().create_codec(codec::id_g711_ulaw, codec::id_g711_ulaw);

    std::vector<unsigned char> input(256);
    std::uint32_t nState = 1;
    for (unsigned char& b : input) {
        nState = nState * 1664525u + 1013904223u;
        b = static_cast<unsigned char>(nState >> 24);
    }
    null_sink sink;
    for (auto _ : state) {
        benchmark::DoNotOptimize(engine.process(sink, input.data(), 256, codec.get()));
    }
    state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations()) * 256);
    state.counters["amps"] = nAmps;
}

}  // namespace

BENCHMARK(engine_ulaw)->Arg(0)->Arg(1)->Arg(3)->ArgName("amps");
