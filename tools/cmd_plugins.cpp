// vocalith plugins: every plugin the search path offers, with its ports and
// the instance kind it would get for a channel count.
#include <iostream>
#include <memory>
#include <string>

#include <CLI/CLI.hpp>
#include <nlohmann/json.hpp>

#include "commands.h"
#include "common.h"
#include "tree_formatter.h"
#include "vocalith/ladspa/plugin_desc.h"
#include "vocalith/ladspa/plugin_factory.h"

namespace tool {

namespace {

using json = nlohmann::ordered_json;

struct plugins_options {
    bool bJson = false;
    unsigned int nChannels = 1;
    unsigned int nRate = 8000;
    host_options host;
};

// The kind plugin_desc::create_instance picks for nChannels, and its handle
// count, from the audio port counts alone: nothing is instantiated, so a
// plugin that misbehaves cannot spoil the listing.
json instance_kind(const ladspa::plugin_desc& plugin, unsigned int nChannels)
{
    unsigned int nIn = plugin.input_port_count();
    unsigned int nOut = plugin.output_port_count();
    json kind = json::object();
    if (nChannels % nIn == 0 && nOut == nIn) {
        kind["type"] = "aggregation";
        kind["instance"] = nChannels / nIn;
    } else if (nChannels % nIn == 0 && nOut % nIn == 0) {
        kind["type"] = "pseudo-stereo";
        kind["instance"] = nChannels / nIn;
    } else {
        kind["type"] = "complex";
        kind["instance"] = (nChannels + nIn - 1) / nIn;
    }
    return kind;
}

json control_port(const ladspa::port_info& port, unsigned int nRate, bool bInput)
{
    json j = json::object();
    j["name"] = port.strName;
    j["index"] = port.nIndex;
    if (!bInput) {
        return j;
    }
    int h = port.hint.HintDescriptor;
    // Bounds as the plugin sees them at this rate.
    float fScale = LADSPA_IS_HINT_SAMPLE_RATE(h) ? static_cast<float>(nRate) : 1.0f;
    if (LADSPA_IS_HINT_BOUNDED_BELOW(h)) {
        j["lower_bound"] = shortest_double(port.hint.LowerBound * fScale);
    }
    if (LADSPA_IS_HINT_BOUNDED_ABOVE(h)) {
        j["upper_bound"] = shortest_double(port.hint.UpperBound * fScale);
    }
    // The hint's own numbers, fractions of the rate for sample-rate ports.
    if (LADSPA_IS_HINT_BOUNDED_BELOW(h)) {
        j["raw_lower_bound"] = shortest_double(port.hint.LowerBound);
    }
    if (LADSPA_IS_HINT_BOUNDED_ABOVE(h)) {
        j["raw_upper_bound"] = shortest_double(port.hint.UpperBound);
    }
    j["default_value"] = shortest_double(port.default_value(nRate));
    j["logarithmic"] = LADSPA_IS_HINT_LOGARITHMIC(h) != 0;
    j["integer"] = LADSPA_IS_HINT_INTEGER(h) != 0;
    j["toggled"] = LADSPA_IS_HINT_TOGGLED(h) != 0;
    return j;
}

json describe_plugin(const ladspa::plugin_desc& plugin, const plugins_options& opt)
{
    json j = json::object();
    j["id"] = plugin.unique_id();
    j["name"] = plugin.name();
    j["label"] = plugin.descriptor() && plugin.descriptor()->Label ? plugin.descriptor()->Label : "";
    j["library"] = plugin.filename();
    j["audio_inputs"] = json::array();
    for (const ladspa::port_info& port : plugin.input_ports()) {
        j["audio_inputs"].push_back(port.strName);
    }
    j["audio_outputs"] = json::array();
    for (const ladspa::port_info& port : plugin.output_ports()) {
        j["audio_outputs"].push_back(port.strName);
    }
    j["control_inputs"] = json::array();
    for (const ladspa::port_info& port : plugin.input_control_ports()) {
        j["control_inputs"].push_back(control_port(port, opt.nRate, true));
    }
    j["control_outputs"] = json::array();
    for (const ladspa::port_info& port : plugin.output_control_ports()) {
        j["control_outputs"].push_back(control_port(port, opt.nRate, false));
    }
    j["channels"] = opt.nChannels;
    j["layout"] = instance_kind(plugin, opt.nChannels);
    return j;
}

std::string join_names(const json& names)
{
    std::string str;
    for (const auto& name : names) {
        str += (str.empty() ? "" : ", ") + name.get<std::string>();
    }
    return str.empty() ? "-" : str;
}

void print_text(const json& j)
{
    std::cout << j["id"].get<unsigned long>() << "  " << j["name"].get<std::string>() << "  ("
              << j["library"].get<std::string>() << ")\n";
    std::cout << "  audio in:  " << join_names(j["audio_inputs"]) << "\n";
    std::cout << "  audio out: " << join_names(j["audio_outputs"]) << "\n";
    for (const auto& port : j["control_inputs"]) {
        std::cout << "  control:   " << port["name"].get<std::string>() << "  ["
                  << (port.contains("lower_bound") ? port["lower_bound"].dump() : "") << " .. "
                  << (port.contains("upper_bound") ? port["upper_bound"].dump() : "") << "], default "
                  << port["default_value"].dump() << "\n";
    }
    for (const auto& port : j["control_outputs"]) {
        std::cout << "  reports:   " << port["name"].get<std::string>() << "\n";
    }
    std::cout << "  " << j["channels"].get<unsigned int>() << " channel(s): " << j["layout"]["type"].get<std::string>()
              << ", " << j["layout"]["instance"].get<unsigned int>() << " handle(s)\n";
}

int run_plugins(const plugins_options& opt)
{
    apply_log_level(opt.host);
    check_channels(opt.nChannels, "--channels");
    check_rate(opt.nRate, "--rate");
    ladspa::plugin_factory plugins(opt.host.strLadspaPath);
    json list = json::array();
    for (const auto& entry : plugins.plugins()) {
        list.push_back(describe_plugin(*entry.second, opt));
    }
    if (opt.bJson) {
        std::cout << list.dump(2) << '\n';
    } else {
        for (const auto& j : list) {
            print_text(j);
        }
    }
    finish_stdout();
    return 0;
}

}  // namespace

command add_plugins(CLI::App& app)
{
    auto opt = std::make_shared<plugins_options>();
    CLI::App* sub = app.add_subcommand("plugins", "List the LADSPA plugins on the search path");
    sub->add_flag("--json", opt->bJson, "a JSON array, one object per plugin");
    sub->add_option("--channels", opt->nChannels, "channel count the instance kind is given for (default 1)");
    sub->add_option("--rate", opt->nRate, "sample rate in Hz for bounds and defaults (default 8000)");
    add_host_options(*sub, opt->host, false);
    return command{sub, [opt]() { return run_plugins(*opt); }};
}

}  // namespace tool
