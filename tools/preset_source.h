// Finding, checking and loading the preset a subcommand names.
#ifndef VOCALITH_TOOL_PRESET_SOURCE_H
#define VOCALITH_TOOL_PRESET_SOURCE_H

#include <memory>
#include <string>
#include <vector>

namespace app {
class preset;
}
namespace ladspa {
class plugin_factory;
}

namespace tool {

// The file a preset argument stands for: the path as given when it is a
// file, else the name inside strDir, also with ".xml", ".xml.gz" or ".rack"
// appended ("robot" and "robot.xml" both find robot.xml). Throws tool::error
// when none exists.
std::string resolve_preset(const std::string& strArg, const std::string& strDir);

// Unique ids named by the "id" elements of the document's plugins, in
// document order. Throws tool::error when the file is no preset document.
std::vector<unsigned long> preset_plugin_ids(const std::string& strPath);

// A registry over strLadspaPath holding what a full scan would give for the
// plugins the preset strArg names, opening only their libraries as far as
// the plugin index (kept in the user's cache folder) knows them.
std::unique_ptr<ladspa::plugin_factory> registry_for_preset(const std::string& strArg, const std::string& strDir,
                                                            const std::string& strLadspaPath);

// Resolves strArg, makes sure every plugin it names is in factory, and loads
// it with the instances sized by the process-wide settings.
std::shared_ptr<app::preset> load_preset(const std::string& strArg, const std::string& strDir,
                                         ladspa::plugin_factory& factory);

}  // namespace tool

#endif
