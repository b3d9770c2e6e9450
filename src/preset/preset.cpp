#include "vocalith/app/preset.h"

#include <cstddef>

#include "vocalith/ladspa/abstract_instance.h"

namespace app {

namespace {

// A control value is shared between the thread that sets it and the audio
// thread that hands it to the plugin: it moves as one whole 32-bit float.
inline float load_value(const float& fValue)
{
    float fResult;
    __atomic_load(&fValue, &fResult, __ATOMIC_RELAXED);
    return fResult;
}

inline void store_value(float& fTarget, float fValue)
{
    __atomic_store(&fTarget, &fValue, __ATOMIC_RELAXED);
}

}  // namespace

preset::ladspa_instance::ladspa_instance(ladspa::abstract_instance* pInstance)
    : instance(pInstance), enabled(false)
{
}

preset::ladspa_instance::~ladspa_instance()
{
    delete instance;
}

preset::preset() = default;

preset::preset(const std::string& file) : m_file(file) {}

preset::~preset()
{
    // Every instance is deactivated before the first one is deleted.
    deactivate();
}

preset::ladspa_instance* preset::add(ladspa::abstract_instance* pInstance)
{
    m_plugins.emplace_back(pInstance);
    return &m_plugins.back();
}

sample_buffer& preset::apply(sample_buffer& buffer, unsigned int count)
{
    sample_buffer* pResult = &buffer;
    for (ladspa_instance& entry : m_plugins) {
        if (!entry.enabled) {
            continue;
        }
        ladspa::abstract_instance& inst = *entry.instance;
        const std::size_t nInputs = inst.input_values.size();
        for (std::size_t i = 0; i < nInputs; ++i) {
            inst.port_values[i] = load_value(inst.input_values[i]);
        }
        pResult = &inst.run(*pResult, count);
    }
    return *pResult;
}

void preset::activate()
{
    for (ladspa_instance& entry : m_plugins) {
        entry.instance->activate();
    }
}

void preset::deactivate()
{
    for (ladspa_instance& entry : m_plugins) {
        entry.instance->deactivate();
    }
}

bool preset::set_control_port_value(unsigned int plugin, unsigned int port, float value)
{
    instance_list::iterator it = m_plugins.begin();
    for (unsigned int i = 0; i < plugin && it != m_plugins.end(); ++i) {
        ++it;
    }
    if (it == m_plugins.end()) {
        return false;
    }
    std::vector<float>& inputs = it->instance->input_values;
    if (port >= inputs.size()) {
        return false;
    }
    store_value(inputs[port], value);
    return true;
}

}  // namespace app
