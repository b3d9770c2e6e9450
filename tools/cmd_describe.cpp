// vocalith describe: a preset's description tree, as text or JSON.
#include <iostream>
#include <memory>
#include <string>

#include <CLI/CLI.hpp>

#include "commands.h"
#include "common.h"
#include "preset_source.h"
#include "tree_formatter.h"
#include "vocalith/app/globals.h"
#include "vocalith/app/preset.h"
#include "vocalith/ladspa/plugin_factory.h"

namespace tool {

namespace {

struct describe_options {
    std::string strPreset;
    bool bJson = false;
    unsigned int nChannels = 1;
    unsigned int nRate = 8000;
    host_options host;
};

int run_describe(const describe_options& opt)
{
    apply_log_level(opt.host);
    check_channels(opt.nChannels, "--channels");
    check_rate(opt.nRate, "--rate");
    app::s_Global.nChannelCount = opt.nChannels;
    app::s_Global.nSampleRate = opt.nRate;

    const std::string strPresetDir = opt.host.strPresetDir.empty() ? bundled_preset_dir() : opt.host.strPresetDir;
    const std::unique_ptr<ladspa::plugin_factory> pPlugins =
        registry_for_preset(opt.strPreset, strPresetDir, opt.host.strLadspaPath);
    ladspa::plugin_factory& plugins = *pPlugins;
    std::shared_ptr<app::preset> preset = load_preset(opt.strPreset, strPresetDir, plugins);
    // Activated as an engine would: some plugins set up in activate what
    // their cleanup releases, and the preset deactivates when it goes.
    preset->activate();
    tree_formatter formatter;
    preset->describe(formatter);
    nlohmann::ordered_json tree = formatter.tree();
    bounds_at_rate(tree, opt.bJson);
    if (opt.bJson) {
        std::cout << tree.dump(2) << '\n';
    } else {
        print_tree(std::cout, tree);
    }
    finish_stdout();
    return 0;
}

}  // namespace

command add_describe(CLI::App& app)
{
    auto opt = std::make_shared<describe_options>();
    CLI::App* sub = app.add_subcommand("describe", "Show a preset's plugins, ports and values");
    sub->add_option("PRESET", opt->strPreset, "preset file, or the name of a bundled preset")->required();
    sub->add_flag("--json", opt->bJson, "JSON with the same nesting, names and values");
    sub->add_option("--channels", opt->nChannels, "channels the instances are made for (default 1)");
    sub->add_option("--rate", opt->nRate, "sample rate in Hz the instances are made for (default 8000)");
    add_host_options(*sub, opt->host, true);
    return command{sub, [opt]() { return run_describe(*opt); }};
}

}  // namespace tool
