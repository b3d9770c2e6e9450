// Effect chains given on the command line (-e PLUGIN[:PORT=VALUE,...],
// -w WET), turned into a JACK Rack document that the library's own loader
// reads, so that a chain tried here is what a host would run.
#ifndef VOCALITH_TOOL_INLINE_CHAIN_H
#define VOCALITH_TOOL_INLINE_CHAIN_H

#include <string>
#include <vector>

namespace CLI {
class App;
class Option;
}
namespace ladspa {
class plugin_desc;
class plugin_factory;
}

namespace tool {

// One -e, with the -w that followed it.
struct chain_link {
    std::string strSpec;  // PLUGIN[:PORT=VALUE,...]
    bool bWet;
    float fWet;  // 0..1, meaningful when bWet
};

class inline_chain {
public:
    // Adds -e and -w to sub; -e excludes pPreset when given.
    void add_options(CLI::App& sub, CLI::Option* pPreset = nullptr);
    // Pairs the options in command-line order once sub has parsed; throws
    // tool::usage_error for a -w before any -e or outside 0..1.
    void collect(const CLI::App& sub);
    bool empty() const { return m_links.empty(); }
    const std::vector<chain_link>& links() const { return m_links; }

    // The chain as a JACK Rack document for nChannels at nRate Hz: every
    // control input written out, defaults for ports not named. Throws
    // tool::usage_error for an unknown plugin or port, a port named twice
    // or a value that is no number.
    std::string document(const ladspa::plugin_factory& factory, unsigned int nChannels, unsigned int nRate) const;

private:
    std::vector<std::string> m_specs;
    std::vector<double> m_wets;
    std::vector<chain_link> m_links;
};

// The plugin a -e names: a unique id, a label, or LIBRARY:LABEL (the
// library's file name with or without its extension, or its path). A label
// goes to the first plugin carrying it in search order: directories as the
// path lists them, libraries by name within one. Throws tool::usage_error.
const ladspa::plugin_desc& find_plugin(const std::string& strName, const ladspa::plugin_factory& factory);

// Registered plugins with this label, in the order find_plugin ranks them.
std::vector<const ladspa::plugin_desc*> plugins_labelled(const std::string& strLabel,
                                                         const ladspa::plugin_factory& factory);

// The plugin's label, "" when it has none.
std::string plugin_label(const ladspa::plugin_desc& plugin);

// The search directories joined for messages.
std::string searched_directories(const ladspa::plugin_factory& factory);

}  // namespace tool

#endif
