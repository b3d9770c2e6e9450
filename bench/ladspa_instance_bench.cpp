// Cost of one instance run over a 256-sample block of two channels, in
// samples per second (items_per_second counts the samples of all channels):
// the SDK amplifier as an aggregate of two handles, and the swh Bode shifter
// (one input, two outputs) as a pseudo-stereo instance whose outputs are
// averaged; both with the wet/dry mix on.
#include <memory>
#include <random>

#include <benchmark/benchmark.h>

#include "api/log.h"
#include "vocalith/ladspa/abstract_instance.h"
#include "vocalith/ladspa/plugin_factory.h"

namespace {

const unsigned int c_nBlock = 256;
const unsigned int c_nChannels = 2;

void bm_instance_run(benchmark::State& state)
{
    const unsigned int nSaved = app::s_Global.nLogLevel;
    app::s_Global.nLogLevel = 0;
    ladspa::plugin_factory registry("/usr/lib/ladspa");
    app::s_Global.nLogLevel = nSaved;
    ladspa::plugin_desc* pDesc = registry.get(static_cast<unsigned long>(state.range(0)));
    if (pDesc == nullptr) {
        state.SkipWithError("plugin not installed in /usr/lib/ladspa");
        return;
    }
    std::unique_ptr<ladspa::abstract_instance> pInstance = pDesc->create_instance(c_nChannels, 8000, c_nBlock);
    pInstance->wet_dry_enabled = true;
    pInstance->wet_dry_values = {0.7f};
    app::sample_buffer in(c_nChannels, c_nBlock);
    std::mt19937 engine(1);
    std::normal_distribution<float> dist(0.0f, 0.2f);
    for (unsigned int c = 0; c < c_nChannels; ++c) {
        for (unsigned int t = 0; t < c_nBlock; ++t) {
            in.data(c)[t] = dist(engine);
        }
    }
    pInstance->activate();
    for (auto _ : state) {
        app::sample_buffer& out = pInstance->run(in, c_nBlock);
        benchmark::DoNotOptimize(out.data(0));
        benchmark::ClobberMemory();
    }
    pInstance->deactivate();
    state.SetItemsProcessed(static_cast<int64_t>(state.iterations()) * c_nBlock * c_nChannels);
}

}  // namespace

BENCHMARK(bm_instance_run)->Arg(1048)->Arg(1431)->ArgName("plugin");
