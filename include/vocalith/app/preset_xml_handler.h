// Table-driven state machine that turns the element events of a preset
// document into a filled preset.
#ifndef VOCALITH_APP_PRESET_XML_HANDLER_H
#define VOCALITH_APP_PRESET_XML_HANDLER_H

#include <memory>
#include <string>
#include <vector>

#include "vocalith/app/preset.h"
#include "vocalith/app/stream_format.h"
#include "vocalith/export.h"

namespace ladspa {
class plugin_factory;
}

namespace app {

class load_observer;

// One record per open element on a stack. Each record's table lists the
// child elements it accepts and the members that run when such a child
// starts (pre) or ends (post); anything else is skipped with all it holds.
// Every endElement closes the element of the latest unmatched startElement.
// The registry must outlive the handler and the preset it fills.
//
// Threads: one thread at a time.
class VOCALITH_API preset_xml_handler {
public:
    typedef void (preset_xml_handler::*member)();

    struct handler_record {
        const char* name;                 // element name; null ends a table
        int tag;                          // state number 0..9, informative only
        member pre;                       // after the push, or null
        member post;                      // before the pop, or null
        const handler_record* children;   // accepted children, or null for none
    };

    // Instances are created for format's channel count, rate and block size.
    preset_xml_handler(ladspa::plugin_factory& factory, std::shared_ptr<preset> pPreset,
                       const stream_format& format = stream_format::current());
    // The copy shares the preset and has its own stack and text.
    preset_xml_handler(const preset_xml_handler& other);
    preset_xml_handler& operator=(const preset_xml_handler&) = delete;
    ~preset_xml_handler();

    void startElement(const char* name);
    // The name is not consulted: the stack decides which element ends.
    void endElement(const char* name);
    // Appends length bytes of text to the innermost open element's text.
    void characters(const char* text, unsigned int length);
    // Starts over with another preset.
    void reset(std::shared_ptr<preset> pPreset);
    std::shared_ptr<preset> get_preset() const { return m_preset; }

private:
    friend class preset_xml_parser;

    void preJackRack();
    void prePlugin();
    void postControlRow();
    void postControlValue();
    void postPluginEnabled();
    void postPluginId();
    void postPluginEnableWetDry();
    void postWetDryValue();
    double read_number() const;

    static const handler_record s_Start;
    static const handler_record s_Top[];
    static const handler_record s_JackRack[];
    static const handler_record s_Plugin[];
    static const handler_record s_WetDryValue[];
    static const handler_record s_ControlValue[];
    static const handler_record s_SkipState;

    ladspa::plugin_factory& m_factory;
    stream_format m_format;
    std::shared_ptr<preset> m_preset;
    std::vector<const handler_record*> m_states;
    std::string m_text;
    preset::ladspa_instance* m_current;
    unsigned int m_controlRow;
    load_observer* m_pObserver;  // set by the parser when someone listens; else null
};

}  // namespace app

#endif
