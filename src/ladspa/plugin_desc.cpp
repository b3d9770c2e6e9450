#include "vocalith/ladspa/plugin_desc.h"

#include "api/log.h"
#include "vocalith/app/globals.h"
#include "vocalith/ladspa/file.h"

namespace ladspa {

namespace {

// Plugins must name themselves and their ports, but some do not.
const char* text_or_empty(const char* pText)
{
    return pText != nullptr ? pText : "";
}

}  // namespace

plugin_desc::plugin_desc()
    : m_nUniqueId(0),
      m_pFile(nullptr),
      m_nProperties(0),
      m_nFileIndex(0xFFFFFFFFUL),
      m_pDescriptor(nullptr),
      m_nLoadCount(0)
{
}

plugin_desc::plugin_desc(file* pFile, const LADSPA_Descriptor* pDesc, unsigned long nFileIndex)
    : m_nUniqueId(pDesc->UniqueID),
      m_pFile(pFile),
      m_strName(text_or_empty(pDesc->Name)),
      m_nProperties(pDesc->Properties),
      m_nFileIndex(nFileIndex),
      m_pDescriptor(pDesc),
      m_nLoadCount(0)
{
    create_ports(pDesc);
}

void plugin_desc::create_ports(const LADSPA_Descriptor* pDesc)
{
    for (unsigned long i = 0; i < pDesc->PortCount; ++i) {
        port_info port;
        port.nDescriptor = pDesc->PortDescriptors[i];
        port.hint = pDesc->PortRangeHints != nullptr ? pDesc->PortRangeHints[i] : LADSPA_PortRangeHint{0, 0, 0};
        port.strName = text_or_empty(pDesc->PortNames != nullptr ? pDesc->PortNames[i] : nullptr);
        port.nIndex = i;
        if (LADSPA_IS_PORT_AUDIO(port.nDescriptor)) {
            (LADSPA_IS_PORT_INPUT(port.nDescriptor) ? m_inputPorts : m_outputPorts).push_back(port);
        } else if (LADSPA_IS_PORT_OUTPUT(port.nDescriptor)) {
            m_outputControlPorts.push_back(port);
        } else {
            m_inputControlPorts.push_back(port);
        }
    }
    LOG_DEBUG("plugin_desc::create_ports: plugin id=%lu port count: in=%lu, out=%lu, ctl-in=%lu\n", m_nUniqueId,
              static_cast<unsigned long>(m_inputPorts.size()), static_cast<unsigned long>(m_outputPorts.size()),
              static_cast<unsigned long>(m_inputControlPorts.size()));
}

const std::string& plugin_desc::filename() const
{
    return m_pFile != nullptr ? m_pFile->path() : app::s_Global.strUnknownFileName;
}

void plugin_desc::load()
{
    if (m_nLoadCount != 0 || !m_pFile->load()) {
        return;
    }
    m_pDescriptor = m_pFile->get_plugin(m_nFileIndex);
    if (m_pDescriptor == nullptr) {
        LOG_WARN("plugin_desc::activate: Unable to activate LADSPA plugin %lu from '%s'\n", m_nUniqueId,
                 filename().c_str());
        return;
    }
    LOG_DEBUG("plugin_desc::load: Plugin '%s':%lu has been loaded and ready to use.\n\tPlugin label: '%s'\n\t "
              "Plugin name: '%s'\n\t       Maker: %s\n\t   Copyright: %s\n\t  Port count: total=%lu\n\n",
              filename().c_str(), m_nUniqueId, text_or_empty(m_pDescriptor->Label),
              text_or_empty(m_pDescriptor->Name), text_or_empty(m_pDescriptor->Maker),
              text_or_empty(m_pDescriptor->Copyright), m_pDescriptor->PortCount);
    m_nLoadCount = 1;
}

void plugin_desc::unload()
{
    if (m_nLoadCount == 0) {
        return;  // never loaded through load(): nothing to undo
    }
    if (m_nLoadCount-- == 1) {
        m_pFile->unload();
        m_pDescriptor = nullptr;
    }
}

void* plugin_desc::instantiate(unsigned long nSampleRate) const
{
    return m_pDescriptor != nullptr ? m_pDescriptor->instantiate(m_pDescriptor, nSampleRate) : nullptr;
}

void plugin_desc::connect_port(void* pHandle, unsigned long nPort, float* pData) const
{
    m_pDescriptor->connect_port(pHandle, nPort, pData);
}

void plugin_desc::activate(void* pHandle) const
{
    if (m_pDescriptor != nullptr && m_pDescriptor->activate != nullptr) {
        m_pDescriptor->activate(pHandle);
    }
}

void plugin_desc::run(void* pHandle, unsigned long nFrames) const
{
    m_pDescriptor->run(pHandle, nFrames);
}

void plugin_desc::deactivate(void* pHandle) const
{
    if (m_pDescriptor != nullptr && m_pDescriptor->deactivate != nullptr) {
        m_pDescriptor->deactivate(pHandle);
    }
}

void plugin_desc::cleanup(void* pHandle) const
{
    if (m_pDescriptor != nullptr && m_pDescriptor->cleanup != nullptr) {
        m_pDescriptor->cleanup(pHandle);
    }
}

}  // namespace ladspa
