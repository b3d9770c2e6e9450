// vocalith: tries presets on recordings, describes presets, lists plugins
// and finds DTMF keys, on the library's exported classes.
#include <cstdio>
#include <exception>
#include <string>
#include <vector>

#include <CLI/CLI.hpp>

#include "commands.h"
#include "common.h"
#include "sysport/runtime.h"

namespace {

// Usage errors (unknown subcommand, bad option) exit with this status.
const int c_nUsageStatus = 2;

int usage_error(const std::string& strMessage)
{
    std::fprintf(stderr, "vocalith: %s (see vocalith --help)\n", strMessage.c_str());
    return c_nUsageStatus;
}

CLI::App* find_subcommand(CLI::App& app, const std::string& strName)
{
    std::vector<CLI::App*> found =
        app.get_subcommands([&strName](const CLI::App* pSub) { return pSub->get_name() == strName; });
    return found.empty() ? nullptr : found.front();
}

// "help [SUBCOMMAND]": the same text as --help, of the command or of one
// subcommand, on the standard output.
tool::command add_help(CLI::App& app, std::string& strTopic)
{
    CLI::App* pSub = app.add_subcommand("help", "Show the help of the command or of one subcommand");
    pSub->add_option("SUBCOMMAND", strTopic, "the subcommand to describe");
    return {pSub, [&app, &strTopic]() {
                std::string strHelp;
                if (strTopic.empty()) {
                    // App::help would describe the subcommand chosen: this one.
                    strHelp = app.get_formatter()->make_help(&app, app.get_name(), CLI::AppFormatMode::Normal);
                } else if (CLI::App* pTopic = find_subcommand(app, strTopic)) {
                    strHelp = pTopic->help(app.get_name());
                } else {
                    return usage_error("unknown subcommand '" + strTopic + "'");
                }
                std::fputs(strHelp.c_str(), stdout);
                tool::finish_stdout();
                return 0;
            }};
}

}  // namespace

int main(int argc, char** argv)
{
    // Sound streams through the standard input and output stay as they are;
    // text ends its lines with "\n" on every platform, also on standard
    // error, so that scripts read the same lines everywhere.
    sysport::set_binary_mode(0);
    sysport::set_binary_mode(1);
    sysport::set_binary_mode(2);
    CLI::App app("Voice presets for telephone audio: convert, describe, plugins, dtmf", "vocalith");
    app.set_version_flag("--version", VOCALITH_VERSION);
    app.require_subcommand(1);
    // Options start with '-' everywhere: "/dir/file" is a path, also on Windows.
    app.allow_windows_style_options(false);
    std::string strTopic;
    std::vector<tool::command> commands = {tool::add_convert(app), tool::add_describe(app),
                                           tool::add_plugins(app), tool::add_dtmf(app),
                                           tool::add_check(app),   tool::add_preset(app),
                                           tool::add_presets(app), add_help(app, strTopic)};
    // The command itself has no option that takes a value, so its first
    // word without a dash names the subcommand.
    for (int i = 1; i < argc; ++i) {
        if (argv[i][0] != '-') {
            if (find_subcommand(app, argv[i]) == nullptr) {
                return usage_error("unknown subcommand '" + std::string(argv[i]) + "'");
            }
            break;
        }
    }
    try {
        app.parse(argc, argv);
    } catch (const CLI::ParseError& e) {
        // Help and version requests are "errors" that exit with status 0.
        if (e.get_exit_code() == 0) {
            return app.exit(e);
        }
        return usage_error(e.what());
    }

    for (const tool::command& cmd : commands) {
        if (!cmd.pSub->parsed()) {
            continue;
        }
        try {
            return cmd.run();
        } catch (const std::exception& e) {
            std::fflush(stdout);
            std::fprintf(stderr, "vocalith %s: %s\n", cmd.pSub->get_name().c_str(),
                         tool::user_message(e.what()).c_str());
            // The statuses convert gives (run_reported): an error's own, and
            // for the library's exceptions, which come before any output, 2.
            const auto* pError = dynamic_cast<const tool::error*>(&e);
            return pError != nullptr ? pError->status() : tool::exit_usage;
        }
    }
    return c_nUsageStatus;
}
