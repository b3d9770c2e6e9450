// What the preset loader reports while it reads a document: "[NOTE ] "
// lines from log level 3 on, and the calls of a host's diagnostics hook.
// The loader makes one only when a hook is set or notes are printed, so a
// load without either runs exactly as before.
#ifndef VOCALITH_SRC_PRESET_LOAD_OBSERVER_H
#define VOCALITH_SRC_PRESET_LOAD_OBSERVER_H

#include <string>
#include <unordered_map>

#include "vocalith/app/preset_diagnostics.h"

namespace app {

class load_observer {
public:
    // pHook may be null: then only the note lines are written.
    explicit load_observer(preset_diagnostics* pHook);
    load_observer(const load_observer&) = delete;
    load_observer& operator=(const load_observer&) = delete;

    // Positions of the document's elements, filled while it is parsed.
    void remember(const void* pNode, const preset_position& pos) { m_positions[pNode] = pos; }
    // The element the next events concern.
    void at_node(const void* pNode);

    void document_error(const char* pszMessage, const preset_position& pos);
    void skipped(const char* pszName, const char* pszParent, preset_diagnostics::skip_reason nReason);
    // As parse_preset_double and parse_preset_id, with a note and a hook
    // call when the text is no number or only partly one.
    double read_double(const std::string& strText);
    unsigned long read_id(const std::string& strText);
    void unknown_plugin(unsigned long nId);

    void plugin_started();
    void enabled_read() { m_bEnabledRead = true; }
    // A row's value is reported when the row ends: the last one stays.
    void control_value(const preset::ladspa_instance& entry, unsigned int nRow, float fValue);
    void control_row_ended();
    void wet_dry_value(const preset::ladspa_instance& entry, float fValue);
    void plugin_ended(const preset::ladspa_instance* pEntry, unsigned int nRows);

private:
    void unread(const std::string& strText, double fRead);

    preset_diagnostics m_quiet;
    preset_diagnostics& m_hook;
    std::unordered_map<const void*, preset_position> m_positions;
    preset_position m_pos;
    preset_position m_pluginPos;
    preset_position m_valuePos;
    const preset::ladspa_instance* m_pRowEntry;
    unsigned int m_nRow;
    float m_fRowValue;
    bool m_bEnabledRead;
};

}  // namespace app

#endif
