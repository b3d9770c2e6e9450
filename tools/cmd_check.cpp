// vocalith check: reads presets through the library's loader with a
// diagnostics hook and reports, by file, line and column, what the loader
// skipped, read only in part or found out of range, which the loader itself
// passes over in silence.
#include <unistd.h>

#include <cmath>
#include <cstdio>
#include <iostream>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include <CLI/CLI.hpp>
#include <nlohmann/json.hpp>

#include "commands.h"
#include "common.h"
#include "inline_chain.h"
#include "preset_source.h"
#include "vocalith/app/exception.h"
#include "vocalith/app/globals.h"
#include "vocalith/app/preset.h"
#include "vocalith/app/preset_diagnostics.h"
#include "vocalith/app/preset_xml_parser.h"
#include "vocalith/ladspa/abstract_instance.h"
#include "vocalith/ladspa/plugin_desc.h"
#include "vocalith/ladspa/plugin_factory.h"

namespace tool {

namespace {

struct check_options {
    std::vector<std::string> presets;
    bool bJson = false;
    unsigned int nChannels = 1;
    unsigned int nRate = 8000;
    host_options host;
};

struct finding {
    std::string strFile;
    app::preset_position pos;
    const char* pszKind;
    std::string strMessage;
};

// Elements that JACK Rack writes and the loader has no use for: a file as
// that program saves it is clean.
bool written_by_jack_rack(const std::string& strName, const std::string& strParent)
{
    return (strParent == "plugin" && (strName == "lockall" || strName == "wet_dry_locked")) ||
           (strParent == "controlrow" && strName == "lock") || (strParent == "jackrack" && strName == "midi_control");
}

std::string number_text(double fValue)
{
    return format("%g", fValue);
}

std::string plugin_name(const ladspa::plugin_desc& plugin)
{
    return format("%lu (%s)", plugin.unique_id(), plugin_label(plugin).c_str());
}

class check_hook : public app::preset_diagnostics {
public:
    check_hook(const ladspa::plugin_factory& factory, unsigned int nRate, const std::string& strFile,
               std::vector<finding>& findings)
        : m_factory(factory), m_nRate(nRate), m_strFile(strFile), m_findings(findings)
    {
    }

    void element_skipped(const char* pszName, const char* pszParent, skip_reason nReason,
                         const app::preset_position& pos) override
    {
        if (nReason == skip_before_id) {
            add(pos, "before-id", format("<%s> before the plugin's <id> is dropped", pszName));
        } else if (!written_by_jack_rack(pszName, pszParent)) {
            add(pos, "skipped", format("<%s> is not read inside <%s> and is skipped with all it holds", pszName,
                                       *pszParent != '\0' ? pszParent : "the document"));
        }
    }

    void number_unread(const char* pszText, double fRead, const app::preset_position& pos) override
    {
        std::string strText(pszText);
        const bool bNone = fRead == 0.0 && strText.find_first_of("0123456789") == std::string::npos;
        add(pos, "number", format("'%s' is %s a number: read as %s", pszText, bNone ? "not" : "only partly",
                                  number_text(fRead).c_str()));
    }

    void plugin_unknown(unsigned long nId, const app::preset_position& pos) override
    {
        std::string strWhy;
        for (const ladspa::plugin_factory::skipped_entry& skipped : m_factory.skipped()) {
            if (skipped.nId == nId || skipped.nId == 0) {
                strWhy += format("; %s%s %s", skipped.strPath.c_str(),
                                 skipped.nId == nId ? " holds it but it is skipped:" : "", skipped.strReason.c_str());
            }
        }
        while (!strWhy.empty() && (strWhy.back() == '\n' || strWhy.back() == ' ')) {
            strWhy.pop_back();
        }
        add(pos, "unknown-plugin", format("plugin %lu is not on the search path (searched %s)%s", nId,
                                          searched_directories(m_factory).c_str(), strWhy.c_str()));
    }

    void control_value(const app::preset::ladspa_instance& entry, unsigned int nRow, float fValue,
                       const app::preset_position& pos) override
    {
        const ladspa::plugin_desc& plugin = *entry.instance->plugin();
        const ladspa::port_info& port = plugin.input_control_ports()[nRow];
        const int h = port.hint.HintDescriptor;
        const float fScale = LADSPA_IS_HINT_SAMPLE_RATE(h) ? static_cast<float>(m_nRate) : 1.0f;
        const float fLower = port.hint.LowerBound * fScale;
        const float fUpper = port.hint.UpperBound * fScale;
        const bool bBelow = LADSPA_IS_HINT_BOUNDED_BELOW(h) && fValue < fLower;
        const bool bAbove = LADSPA_IS_HINT_BOUNDED_ABOVE(h) && fValue > fUpper;
        if (bBelow || bAbove || std::isnan(fValue)) {
            add(pos, "out-of-bounds",
                format("%s of %s is %s, %s %s%s", port.strName.c_str(), plugin_name(plugin).c_str(),
                       number_text(fValue).c_str(), bAbove ? "above its upper bound" : "below its lower bound",
                       number_text(bAbove ? fUpper : fLower).c_str(),
                       LADSPA_IS_HINT_SAMPLE_RATE(h) ? format(" at %u Hz", m_nRate).c_str() : ""));
        }
    }

    void wet_dry_value(const app::preset::ladspa_instance&, float fValue, const app::preset_position& pos) override
    {
        if (!(fValue >= 0.0f && fValue <= 1.0f)) {
            add(pos, "wet-dry", format("wet/dry value %s is outside 0 to 1", number_text(fValue).c_str()));
        }
    }

    void plugin_read(const app::preset::ladspa_instance* pEntry, unsigned int nRows, bool bEnabledRead,
                     const app::preset_position& pos) override
    {
        if (pEntry == nullptr) {
            return;
        }
        const ladspa::plugin_desc& plugin = *pEntry->instance->plugin();
        const unsigned int nInputs = plugin.input_control_port_count();
        if (nRows != nInputs) {
            add(pos, "control-rows",
                format("plugin %s has %u <controlrow> for %u control inputs: %s", plugin_name(plugin).c_str(),
                       nRows, nInputs,
                       nRows > nInputs ? "the extra rows are dropped" : "the rest keep their defaults"));
        }
        if (!bEnabledRead) {
            add(pos, "not-enabled",
                format("plugin %s has no <enabled>, so it is disabled", plugin_name(plugin).c_str()));
        }
        // Only worth a word when the label alone would give another plugin.
        const std::vector<const ladspa::plugin_desc*> same = plugins_labelled(plugin_label(plugin), m_factory);
        if (!same.empty() && same.front() != &plugin) {
            std::string strOthers;
            for (const ladspa::plugin_desc* pOther : same) {
                strOthers += (strOthers.empty() ? "" : ", ") + pOther->filename();
            }
            add(pos, "label", format("label '%s' of plugin %lu is carried by %zu libraries (%s); -e %s gives %lu",
                                     plugin_label(plugin).c_str(), plugin.unique_id(), same.size(), strOthers.c_str(),
                                     plugin_label(plugin).c_str(), same.front()->unique_id()));
        }
    }

    void document_error(const char* pszMessage, const app::preset_position& pos) override
    {
        add(pos, "xml", pszMessage);
    }

private:
    void add(const app::preset_position& pos, const char* pszKind, const std::string& strMessage)
    {
        m_findings.push_back(finding{m_strFile, pos, pszKind, strMessage});
    }

    const ladspa::plugin_factory& m_factory;
    unsigned int m_nRate;
    std::string m_strFile;
    std::vector<finding>& m_findings;
};

int run_check(const check_options& opt)
{
    apply_log_level(opt.host);
    check_channels(opt.nChannels, "--channels");
    check_rate(opt.nRate, "--rate");
    app::s_Global.nChannelCount = opt.nChannels;
    app::s_Global.nSampleRate = opt.nRate;
    ladspa::plugin_factory plugins(opt.host.strLadspaPath);
    const std::string strDir = opt.host.strPresetDir.empty() ? bundled_preset_dir() : opt.host.strPresetDir;

    std::vector<finding> findings;
    int nStatus = 0;
    for (const std::string& strArg : opt.presets) {
        std::string strPath;
        try {
            strPath = resolve_preset(strArg, strDir);
        } catch (const error& e) {
            std::fprintf(stderr, "vocalith check: %s\n", e.what());
            nStatus = 2;
            continue;
        }
        check_hook hook(plugins, opt.nRate, strArg, findings);
        app::preset_xml_parser parser(plugins);
        parser.set_diagnostics(&hook);
        try {
            // Activated as describe does: some plugins' cleanup frees what
            // only their activate made.
            parser.load(strPath)->activate();
        } catch (const app::exception&) {
            // The hook has the parser's own words for it; a file that
            // opened and gave none is reported here.
            const bool bSaid = !findings.empty() && findings.back().strFile == strArg &&
                               findings.back().pszKind == std::string("xml");
            if (!bSaid) {
                findings.push_back(finding{strArg, app::preset_position{0, 0}, "xml", "not an XML document"});
            }
        }
    }

    if (opt.bJson) {
        nlohmann::ordered_json list = nlohmann::ordered_json::array();
        for (const finding& f : findings) {
            list.push_back({{"file", f.strFile}, {"line", f.pos.nLine}, {"column", f.pos.nColumn},
                            {"kind", f.pszKind}, {"message", f.strMessage}});
        }
        std::cout << list.dump(2) << '\n';
    } else {
        for (const finding& f : findings) {
            std::cout << f.strFile << ':' << f.pos.nLine << ':' << f.pos.nColumn << ": " << f.pszKind << ": "
                      << f.strMessage << '\n';
        }
    }
    finish_stdout();
    return nStatus != 0 ? nStatus : findings.empty() ? 0 : 1;
}

}  // namespace

command add_check(CLI::App& app)
{
    auto opt = std::make_shared<check_options>();
    CLI::App* sub = app.add_subcommand("check", "Report what the loader skips, misreads or finds out of range");
    sub->add_option("PRESET", opt->presets, "preset files, or names of bundled presets")->required();
    sub->add_flag("--json", opt->bJson, "a JSON list with one object per finding");
    sub->add_option("--channels", opt->nChannels, "channels the instances are made for (default 1)");
    sub->add_option("--rate", opt->nRate, "sample rate in Hz that bounds are checked at (default 8000)");
    add_host_options(*sub, opt->host, true);
    return command{sub, [opt]() { return run_check(*opt); }};
}

}  // namespace tool
