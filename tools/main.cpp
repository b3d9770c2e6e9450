// vocalith: tries presets on recordings, describes presets, lists plugins
// and finds DTMF keys, on the library's exported classes.
#include <cstdio>
#include <exception>
#include <string>
#include <vector>

#include <CLI/CLI.hpp>

#include "commands.h"
#include "common.h"

int main(int argc, char** argv)
{
    CLI::App app("Voice presets for telephone audio: convert, describe, plugins, dtmf", "vocalith");
    app.set_version_flag("--version", VOCALITH_VERSION);
    app.require_subcommand(1);
    std::vector<tool::command> commands = {tool::add_convert(app), tool::add_describe(app),
                                           tool::add_plugins(app), tool::add_dtmf(app)};
    try {
        app.parse(argc, argv);
    } catch (const CLI::ParseError& e) {
        // Help and version requests are "errors" that exit with status 0.
        if (e.get_exit_code() == 0) {
            return app.exit(e);
        }
        std::fprintf(stderr, "vocalith: %s (see vocalith --help)\n", e.what());
        return e.get_exit_code() != 0 ? e.get_exit_code() : 2;
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
            return 1;
        }
    }
    return 2;
}
