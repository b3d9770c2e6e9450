// vocalith preset: writes the JACK Rack document of a chain given with -e,
// so that a chain tried on the command line becomes a preset file.
// vocalith presets: the bundled presets (and a directory's) with the
// one-line description each carries as its first comment.
#include <dirent.h>

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <iostream>
#include <memory>
#include <string>
#include <vector>

#include <CLI/CLI.hpp>
#include <libxml/parser.h>
#include <libxml/tree.h>

#include "commands.h"
#include "common.h"
#include "inline_chain.h"
#include "vocalith/ladspa/plugin_factory.h"

namespace tool {

namespace {

struct preset_options {
    inline_chain chain;
    std::string strOutput;
    unsigned int nChannels = 1;
    unsigned int nRate = 8000;
    host_options host;
};

int run_preset(const preset_options& opt)
{
    apply_log_level(opt.host);
    check_channels(opt.nChannels, "--channels");
    check_rate(opt.nRate, "--rate");
    if (opt.chain.empty()) {
        throw usage_error("name the chain's plugins with -e PLUGIN[:PORT=VALUE,...]");
    }
    ladspa::plugin_factory plugins(opt.host.strLadspaPath);
    const std::string strXml = opt.chain.document(plugins, opt.nChannels, opt.nRate);
    if (opt.strOutput.empty() || opt.strOutput == "-") {
        std::cout << strXml;
        finish_stdout();
        return 0;
    }
    std::ofstream out(opt.strOutput, std::ios::binary);
    out << strXml;
    out.close();
    if (!out) {
        std::remove(opt.strOutput.c_str());
        throw error(format("%s: cannot write the preset", opt.strOutput.c_str()));
    }
    return 0;
}

struct presets_options {
    host_options host;
};

// The text of the document's first comment, on one line; "" when none.
std::string description(const std::string& strPath)
{
    std::unique_ptr<xmlDoc, void (*)(xmlDoc*)> pDoc(
        xmlReadFile(strPath.c_str(), nullptr, XML_PARSE_NONET | XML_PARSE_NOERROR | XML_PARSE_NOWARNING),
        xmlFreeDoc);
    if (!pDoc) {
        return "(not a readable XML document)";
    }
    for (xmlNode* pNode = pDoc->children; pNode != nullptr; pNode = pNode->next) {
        if (pNode->type == XML_COMMENT_NODE && pNode->content != nullptr) {
            std::string strText(reinterpret_cast<const char*>(pNode->content));
            std::replace(strText.begin(), strText.end(), '\n', ' ');
            const std::size_t nFirst = strText.find_first_not_of(' ');
            const std::size_t nLast = strText.find_last_not_of(' ');
            return nFirst == std::string::npos ? "" : strText.substr(nFirst, nLast - nFirst + 1);
        }
    }
    return "";
}

// Preset files of a directory as users name them, with their paths.
std::vector<std::pair<std::string, std::string>> preset_files(const std::string& strDir)
{
    std::vector<std::pair<std::string, std::string>> files;
    std::unique_ptr<DIR, int (*)(DIR*)> pDir(::opendir(strDir.c_str()), ::closedir);
    if (!pDir) {
        throw error(format("%s: cannot list the directory", strDir.c_str()));
    }
    while (const dirent* pEntry = ::readdir(pDir.get())) {
        const std::string strName = pEntry->d_name;
        for (const char* pszSuffix : {".xml.gz", ".xml", ".rack"}) {
            const std::string strSuffix = pszSuffix;
            if (strName.size() > strSuffix.size() &&
                strName.compare(strName.size() - strSuffix.size(), strSuffix.size(), strSuffix) == 0) {
                files.emplace_back(strName.substr(0, strName.size() - strSuffix.size()), strDir + "/" + strName);
                break;
            }
        }
    }
    std::sort(files.begin(), files.end());
    return files;
}

int run_presets(const presets_options& opt)
{
    std::vector<std::string> dirs = {bundled_preset_dir()};
    if (!opt.host.strPresetDir.empty()) {
        dirs.push_back(opt.host.strPresetDir);
    }
    for (const std::string& strDir : dirs) {
        for (const auto& file : preset_files(strDir)) {
            const std::string strText = description(file.second);
            std::printf("%-12s %s\n", file.first.c_str(), strText.empty() ? "-" : strText.c_str());
        }
    }
    finish_stdout();
    return 0;
}

}  // namespace

command add_preset(CLI::App& app)
{
    auto opt = std::make_shared<preset_options>();
    CLI::App* sub = app.add_subcommand("preset", "Write the JACK Rack preset of a chain given with -e");
    opt->chain.add_options(*sub);
    sub->add_option("-o,--output", opt->strOutput, "the preset file to write (default: standard output)");
    sub->add_option("--channels", opt->nChannels, "channels the preset is written for (default 1)");
    sub->add_option("--rate", opt->nRate, "sample rate in Hz for the ports' defaults (default 8000)");
    add_host_options(*sub, opt->host, false);
    return command{sub, [opt, sub]() {
                       opt->chain.collect(*sub);
                       return run_preset(*opt);
                   }};
}

command add_presets(CLI::App& app)
{
    auto opt = std::make_shared<presets_options>();
    CLI::App* sub = app.add_subcommand("presets", "List the bundled presets with what each does");
    sub->add_option("--preset-dir,--presets-dir", opt->host.strPresetDir, "list this directory's presets too");
    return command{sub, [opt]() { return run_presets(*opt); }};
}

}  // namespace tool
