// A preset: the chain of LADSPA plugin instances that the engine runs over
// every block, each with its own enable flag.
#ifndef VOCALITH_APP_PRESET_H
#define VOCALITH_APP_PRESET_H

#include <list>
#include <memory>
#include <string>

#include "vocalith/app/multibuffer.h"
#include "vocalith/export.h"

namespace ladspa {
class abstract_instance;
}

namespace app {

class preset_formatter;
class preset_xml_handler;

// Always created on the heap and shared through std::shared_ptr; the loader
// (preset_xml_parser) builds and fills it. The preset owns its instances,
// which borrow their plugin descriptors from a ladspa::plugin_factory: that
// registry must outlive the preset.
//
// Threads: one thread may call apply while another calls
// set_control_port_value; everything else (activate, deactivate, describe,
// filling) must not overlap apply.
class VOCALITH_API preset : public std::enable_shared_from_this<preset> {
public:
    // One entry of the chain. Owns its instance (deleted with the entry).
    struct VOCALITH_API ladspa_instance {
        explicit ladspa_instance(ladspa::abstract_instance* pInstance);
        ~ladspa_instance();
        ladspa_instance(const ladspa_instance&) = delete;
        ladspa_instance& operator=(const ladspa_instance&) = delete;

        ladspa::abstract_instance* instance;  // owning, never null once added
        bool enabled;                         // takes part in apply; false when added
    };

    // A list, so that a pointer to an entry stays valid while entries are
    // appended after it.
    typedef std::list<ladspa_instance> instance_list;

    preset();
    // file: the name the preset is loaded under, kept as given.
    explicit preset(const std::string& file);
    // Deactivates every instance in chain order, then deletes them.
    ~preset();
    // Entries own their instances, so a preset is never copied.
    preset(const preset&) = delete;
    preset& operator=(const preset&) = delete;

    // Runs every enabled entry in chain order over the first count frames of
    // buffer (from its offset); each entry reads the previous one's output.
    // Returns buffer itself when no entry is enabled, otherwise the output
    // buffer of the last enabled instance, valid until the next apply.
    // count must not exceed the block size the instances were made for.
    // Audio thread; allocates nothing.
    sample_buffer& apply(sample_buffer& buffer, unsigned int count);

    // Call the instance operation of the same name on every entry, enabled
    // or not, in chain order.
    void activate();
    void deactivate();

    // Stores value (unclamped) as input control port `port` (counted among
    // the plugin's input control ports from 0) of entry `plugin` (counted
    // from 0, enabled or not). The plugin sees it from the next apply on.
    // Returns false and changes nothing when either index is out of range.
    // May run on another thread than apply.
    bool set_control_port_value(unsigned int plugin, unsigned int port, float value);

    // Writes the description tree of the preset and its plugins. Read-only;
    // must not overlap apply.
    void describe(preset_formatter& formatter) const;

    const std::string& file() const { return m_file; }
    const instance_list& plugins() const { return m_plugins; }

private:
    friend class preset_xml_handler;

    // Appends a disabled entry owning pInstance; the pointer stays valid for
    // the preset's life.
    ladspa_instance* add(ladspa::abstract_instance* pInstance);
    void describe_plugins(preset_formatter& formatter) const;

    instance_list m_plugins;
    std::string m_file;
};

}  // namespace app

#endif
