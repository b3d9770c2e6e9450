// A hook that the preset loader calls to say what it did with a document,
// element by element: what it skipped, which numbers it could not read
// fully, which values it stored. It changes nothing the loader does; tools
// use it to show users why a preset does not do what they meant.
#ifndef VOCALITH_APP_PRESET_DIAGNOSTICS_H
#define VOCALITH_APP_PRESET_DIAGNOSTICS_H

#include "vocalith/app/preset.h"
#include "vocalith/export.h"

namespace app {

// Where an element's start tag opens ('<'), both counted from 1.
struct preset_position {
    unsigned int nLine;
    unsigned int nColumn;
};

// Every member has an empty default, so a hook overrides what it needs.
// Names and texts point into the document and live only during the call;
// entries belong to the preset being filled. Called on the loading thread.
class VOCALITH_API preset_diagnostics {
public:
    enum skip_reason {
        skip_unknown,    // not an element the loader reads here
        skip_before_id,  // inside a plugin with no known id yet: dropped
    };

    virtual ~preset_diagnostics();

    // pszName is skipped with all it holds; pszParent is the element it
    // stands in ("" at the top of the document).
    virtual void element_skipped(const char* pszName, const char* pszParent, skip_reason nReason,
                                 const preset_position& pos);
    // Text that was read as a number although it is none or only partly
    // one; fRead is the value the loader took.
    virtual void number_unread(const char* pszText, double fRead, const preset_position& pos);
    // An "id" the registry does not hold; the plugin is left out.
    virtual void plugin_unknown(unsigned long nId, const preset_position& pos);
    // The value that a control row leaves in input control port nRow of
    // the entry (the row's last value), at that value's position.
    virtual void control_value(const preset::ladspa_instance& entry, unsigned int nRow, float fValue,
                               const preset_position& pos);
    // A wet/dry value appended to the entry's instance.
    virtual void wet_dry_value(const preset::ladspa_instance& entry, float fValue, const preset_position& pos);
    // A "plugin" element ended. pEntry is the entry its id made (null for a
    // missing or unknown id); nRows counts its "controlrow" elements and
    // bEnabledRead says whether an "enabled" element was applied.
    virtual void plugin_read(const preset::ladspa_instance* pEntry, unsigned int nRows, bool bEnabledRead,
                             const preset_position& pos);
    // The document did not parse: libxml2's message (without its line
    // break) and where it stopped. The loader then throws as usual.
    virtual void document_error(const char* pszMessage, const preset_position& pos);
};

}  // namespace app

#endif
