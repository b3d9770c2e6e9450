// The host's view of one LADSPA plugin: identity, classified ports, property
// flags and the descriptor it is instantiated and run through.
#ifndef VOCALITH_LADSPA_PLUGIN_DESC_H
#define VOCALITH_LADSPA_PLUGIN_DESC_H

#include <ladspa.h>

#include <memory>
#include <string>
#include <vector>

#include "vocalith/export.h"

namespace ladspa {

class file;
class abstract_instance;

// One port as classified by plugin_desc.
struct VOCALITH_API port_info {
    LADSPA_PortDescriptor nDescriptor;  // the port's descriptor bits
    LADSPA_PortRangeHint hint;          // hint bits and bounds, copied from the plugin
    std::string strName;                // empty when the plugin gives none
    unsigned long nIndex;               // the port number given to connect_port

    // Default of a control port at nSampleRate Hz, from its range hint
    // (sample-rate scaled bounds, linear or logarithmic mixes, fixed values).
    // Bounds are not checked; integer and toggled hints do not round.
    float default_value(unsigned int nSampleRate) const;
};

// Owned by the registry (plugin_factory); borrows its file, which lives as
// long. Instances borrow the plugin_desc, which must outlive them. Copying
// copies names and port lists; file and descriptor are shared pointers.
// Used on the thread that owns the registry; the const accessors may be read
// from any thread while nothing reloads the registry.
class VOCALITH_API plugin_desc {
public:
    // Unique id 0, no file, file index 0xFFFFFFFF, inactive.
    plugin_desc();
    // Active (descriptor set), load count 0; pDesc must not be null.
    plugin_desc(file* pFile, const LADSPA_Descriptor* pDesc, unsigned long nFileIndex);

    unsigned long unique_id() const { return m_nUniqueId; }
    const std::string& name() const { return m_strName; }
    // The library's path, or the process-wide placeholder for unknown files.
    const std::string& filename() const;
    file* get_file() const { return m_pFile; }
    LADSPA_Properties properties() const { return m_nProperties; }
    unsigned long file_index() const { return m_nFileIndex; }
    const LADSPA_Descriptor* descriptor() const { return m_pDescriptor; }
    unsigned int load_count() const { return m_nLoadCount; }

    // Ports in the plugin's port order, one list per kind. Ports that name
    // neither kind nor direction count as control inputs.
    const std::vector<port_info>& input_ports() const { return m_inputPorts; }
    const std::vector<port_info>& output_ports() const { return m_outputPorts; }
    const std::vector<port_info>& input_control_ports() const { return m_inputControlPorts; }
    const std::vector<port_info>& output_control_ports() const { return m_outputControlPorts; }

    unsigned int input_port_count() const { return static_cast<unsigned int>(m_inputPorts.size()); }
    unsigned int output_port_count() const { return static_cast<unsigned int>(m_outputPorts.size()); }
    unsigned int input_control_port_count() const
    {
        return static_cast<unsigned int>(m_inputControlPorts.size());
    }
    unsigned int output_control_port_count() const
    {
        return static_cast<unsigned int>(m_outputControlPorts.size());
    }
    unsigned int control_port_count() const
    {
        return input_control_port_count() + output_control_port_count();
    }

    bool is_realtime() const { return (m_nProperties & LADSPA_PROPERTY_REALTIME) != 0; }
    bool is_inplace_broken() const { return (m_nProperties & LADSPA_PROPERTY_INPLACE_BROKEN) != 0; }
    bool is_hard_rt_capable() const { return (m_nProperties & LADSPA_PROPERTY_HARD_RT_CAPABLE) != 0; }
    bool is_active() const { return m_pDescriptor != nullptr; }

    // Re-resolves the descriptor through the library when the load count is
    // 0; logs when the library or the descriptor cannot be had.
    void load();
    // Makes the plugin_desc inactive after a load that raised the count;
    // without such a load it does nothing.
    void unload();

    // An instance that runs this plugin over nChannels channels at
    // nSampleRate Hz, in runs of at most nBlockSize frames; the kind is
    // chosen from the plugin's audio port counts. Needs an active plugin
    // with at least one audio input and output (every registered one).
    // Throws app::exception naming the plugin when it refuses to
    // instantiate. Not on the audio thread: it allocates.
    std::unique_ptr<abstract_instance> create_instance(unsigned int nChannels, unsigned int nSampleRate,
                                                       unsigned int nBlockSize);

protected:
    friend class abstract_instance;

    // Thin calls through the descriptor; activate, deactivate and cleanup
    // are skipped when the plugin has none.
    void* instantiate(unsigned long nSampleRate) const;
    void connect_port(void* pHandle, unsigned long nPort, float* pData) const;
    void activate(void* pHandle) const;
    void run(void* pHandle, unsigned long nFrames) const;
    void deactivate(void* pHandle) const;
    void cleanup(void* pHandle) const;

private:
    void create_ports(const LADSPA_Descriptor* pDesc);

    unsigned long m_nUniqueId;
    file* m_pFile;
    std::string m_strName;
    LADSPA_Properties m_nProperties;
    unsigned long m_nFileIndex;
    std::vector<port_info> m_inputPorts;
    std::vector<port_info> m_outputPorts;
    std::vector<port_info> m_inputControlPorts;
    std::vector<port_info> m_outputControlPorts;
    const LADSPA_Descriptor* m_pDescriptor;
    unsigned int m_nLoadCount;
};

}  // namespace ladspa

#endif
