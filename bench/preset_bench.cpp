// Cost of reading a preset and of running a chain over one block.
#include <benchmark/benchmark.h>

#include <stdlib.h>
#include <unistd.h>

#include <memory>
#include <string>

#include "vocalith/app/globals.h"
#include "vocalith/app/multibuffer.h"
#include "vocalith/app/preset.h"
#include "vocalith/app/preset_xml_parser.h"
#include "vocalith/ladspa/plugin_factory.h"

namespace {

// A registry over the LADSPA SDK's amplifiers only, in a directory of its own.
class amp_registry {
public:
    amp_registry()
    {
        char szTemplate[] = "/tmp/vocalith_bench_XXXXXX";
        if (mkdtemp(szTemplate) != nullptr) {
            m_strDir = szTemplate;
            m_strLink = m_strDir + "/amp.so";
            if (symlink("/usr/lib/ladspa/amp.so", m_strLink.c_str()) != 0) {
                m_strLink.clear();
            }
        }
        m_pFactory.reset(new ladspa::plugin_factory(m_strDir));
    }
    ~amp_registry()
    {
        m_pFactory.reset();
        if (!m_strLink.empty()) {
            unlink(m_strLink.c_str());
        }
        if (!m_strDir.empty()) {
            rmdir(m_strDir.c_str());
        }
    }
    ladspa::plugin_factory& factory() { return *m_pFactory; }

private:
    std::string m_strDir;
    std::string m_strLink;
    std::unique_ptr<ladspa::plugin_factory> m_pFactory;
};

std::string three_amps()
{
    std::string strXml = "<?xml version=\"1.0\"?>\n<jackrack><channels>1</channels><samplerate>8000</samplerate>";
    for (const char* pszGain : {"0.5", "2.0", "1.5"}) {
        strXml += std::string("<plugin><id>1048</id><enabled>true</enabled><wet_dry_enabled>false</wet_dry_enabled>"
                              "<wet_dry_values><value>1.000000</value></wet_dry_values><controlrow><value>") +
                  pszGain + "</value></controlrow></plugin>";
    }
    return strXml + "</jackrack>\n";
}

// One channel at 8000 Hz for the benchmark's life; the settings come back after.
class stream_settings {
public:
    explicit stream_settings(unsigned int nBlockSize) : m_saved(app::s_Global)
    {
        app::s_Global.nChannelCount = 1;
        app::s_Global.nSampleRate = 8000;
        app::s_Global.nBlockSize = nBlockSize;
    }
    ~stream_settings() { app::s_Global = m_saved; }

private:
    app::Globals m_saved;
};

void BM_PresetLoadFromString(benchmark::State& state)
{
    const stream_settings settings(160);
    amp_registry registry;
    app::preset_xml_parser parser(registry.factory());
    const std::string strXml = three_amps();
    for (auto _ : state) {
        std::shared_ptr<app::preset> pPreset = parser.load_from_string(strXml);
        benchmark::DoNotOptimize(pPreset.get());
    }
}
BENCHMARK(BM_PresetLoadFromString);

// Three enabled amplifiers over one block of range(0) frames.
void BM_PresetApply(benchmark::State& state)
{
    const unsigned int nFrames = static_cast<unsigned int>(state.range(0));
    const stream_settings settings(nFrames);
    amp_registry registry;
    app::preset_xml_parser parser(registry.factory());
    std::shared_ptr<app::preset> pPreset = parser.load_from_string(three_amps());
    pPreset->activate();
    app::sample_buffer buffer(1, nFrames);
    buffer.clear(0, nFrames);
    for (auto _ : state) {
        app::sample_buffer& result = pPreset->apply(buffer, nFrames);
        benchmark::DoNotOptimize(result.data(0));
    }
    state.SetItemsProcessed(state.iterations() * nFrames);
}
BENCHMARK(BM_PresetApply)->Arg(160)->Arg(1024);

}  // namespace
