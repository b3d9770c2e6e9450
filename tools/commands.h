// The subcommands of the vocalith command. Each adds itself to the
// application and returns the function that runs it once it was chosen.
#ifndef VOCALITH_TOOL_COMMANDS_H
#define VOCALITH_TOOL_COMMANDS_H

#include <functional>

namespace CLI {
class App;
}

namespace tool {

struct command {
    CLI::App* pSub;
    // Returns the exit status; failures throw tool::error or app::exception.
    std::function<int()> run;
};

command add_convert(CLI::App& app);
command add_describe(CLI::App& app);
command add_plugins(CLI::App& app);
command add_dtmf(CLI::App& app);
command add_check(CLI::App& app);
command add_preset(CLI::App& app);
command add_presets(CLI::App& app);

}  // namespace tool

#endif
