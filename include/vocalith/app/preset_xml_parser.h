// Loader of JACK Rack preset documents.
#ifndef VOCALITH_APP_PRESET_XML_PARSER_H
#define VOCALITH_APP_PRESET_XML_PARSER_H

#include <memory>
#include <string>

#include "vocalith/app/stream_format.h"
#include "vocalith/export.h"

struct _xmlNode;

namespace ladspa {
class plugin_factory;
}

namespace app {

class preset;
class preset_diagnostics;
class preset_xml_handler;

// Reads a preset document with libxml2 and creates one instance per known
// plugin id through the registry, sized to the process-wide channel count,
// sample rate and block size (s_Global). The registry must outlive the
// presets made from it. Documents cannot make the loader read other files or
// the network, and entities are never expanded.
//
// Threads: one load at a time per parser; the registry is only read.
class VOCALITH_API preset_xml_parser {
public:
    explicit preset_xml_parser(ladspa::plugin_factory& factory);
    // Every preset this parser reads is made for format instead of the
    // process-wide values, so that it fits an engine built earlier.
    preset_xml_parser(ladspa::plugin_factory& factory, const stream_format& format);

    // Reads the file `filename` (plain or gzip-compressed), relative names
    // against the current directory; when that fails and the presets
    // directory (s_Global.strPresetDir) is set, the same name inside it. The
    // preset is named after `filename` as given. Any well-formed document
    // gives a preset; one whose root is not "jackrack" gives an empty one.
    // Throws app::exception when neither path parses.
    std::shared_ptr<preset> load(const std::string& filename);

    // Reads a whole document held in xml; the preset has no name. Throws
    // app::exception when it does not parse, or when its first top-level
    // node is not named "jackrack" (a leading comment fails, a DOCTYPE for
    // "jackrack" passes).
    std::shared_ptr<preset> load_from_string(const std::string& xml);

    // The hook that the following loads report to (null: none); it must
    // outlive them. With a hook, or at log level 3 and up, the loader also
    // notes every element's position and prints a "[NOTE ] " line for each
    // element it skips and each value it cannot read wholly as a number.
    void set_diagnostics(preset_diagnostics* pHook) { m_pDiagnostics = pHook; }

private:
    void parse_children(_xmlNode* pNode, preset_xml_handler& handler);

    stream_format current_format() const;

    ladspa::plugin_factory& m_factory;
    bool m_bFixedFormat;
    stream_format m_format;
    preset_diagnostics* m_pDiagnostics;
};

}  // namespace app

#endif
