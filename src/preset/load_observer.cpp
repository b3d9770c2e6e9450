#include "preset/load_observer.h"

#include "api/log.h"
#include "preset/preset_number.h"

namespace app {

preset_diagnostics::~preset_diagnostics() = default;
void preset_diagnostics::element_skipped(const char*, const char*, skip_reason, const preset_position&) {}
void preset_diagnostics::number_unread(const char*, double, const preset_position&) {}
void preset_diagnostics::plugin_unknown(unsigned long, const preset_position&) {}
void preset_diagnostics::control_value(const preset::ladspa_instance&, unsigned int, float, const preset_position&) {}
void preset_diagnostics::wet_dry_value(const preset::ladspa_instance&, float, const preset_position&) {}
void preset_diagnostics::plugin_read(const preset::ladspa_instance*, unsigned int, bool, const preset_position&) {}
void preset_diagnostics::document_error(const char*, const preset_position&) {}

load_observer::load_observer(preset_diagnostics* pHook)
    : m_hook(pHook != nullptr ? *pHook : m_quiet),
      m_pos{0, 0},
      m_pluginPos{0, 0},
      m_valuePos{0, 0},
      m_pRowEntry(nullptr),
      m_nRow(0),
      m_fRowValue(0.0f),
      m_bEnabledRead(false)
{
}

void load_observer::at_node(const void* pNode)
{
    const auto found = m_positions.find(pNode);
    m_pos = found != m_positions.end() ? found->second : preset_position{0, 0};
}

void load_observer::document_error(const char* pszMessage, const preset_position& pos)
{
    m_hook.document_error(pszMessage, pos);
}

void load_observer::skipped(const char* pszName, const char* pszParent, preset_diagnostics::skip_reason nReason)
{
    LOG_NOTE("Preset line %u, column %u: element \"%s\" in \"%s\" %s\n", m_pos.nLine, m_pos.nColumn, pszName,
             pszParent, nReason == preset_diagnostics::skip_unknown ? "skipped" : "dropped: no plugin id before it");
    m_hook.element_skipped(pszName, pszParent, nReason, m_pos);
}

void load_observer::unread(const std::string& strText, double fRead)
{
    LOG_NOTE("Preset line %u, column %u: \"%s\" is not wholly a number, read as %g\n", m_pos.nLine, m_pos.nColumn,
             strText.c_str(), fRead);
    m_hook.number_unread(strText.c_str(), fRead, m_pos);
}

double load_observer::read_double(const std::string& strText)
{
    bool bWhole = false;
    const double fValue = parse_preset_double(strText, &bWhole);
    if (!bWhole) {
        unread(strText, fValue);
    }
    return fValue;
}

unsigned long load_observer::read_id(const std::string& strText)
{
    bool bWhole = false;
    const unsigned long nId = parse_preset_id(strText, &bWhole);
    if (!bWhole) {
        unread(strText, static_cast<double>(nId));
    }
    return nId;
}

void load_observer::unknown_plugin(unsigned long nId)
{
    m_hook.plugin_unknown(nId, m_pos);
}

void load_observer::plugin_started()
{
    m_pluginPos = m_pos;
    m_pRowEntry = nullptr;
    m_bEnabledRead = false;
}

void load_observer::control_value(const preset::ladspa_instance& entry, unsigned int nRow, float fValue)
{
    m_pRowEntry = &entry;
    m_nRow = nRow;
    m_fRowValue = fValue;
    m_valuePos = m_pos;
}

void load_observer::control_row_ended()
{
    if (m_pRowEntry != nullptr) {
        m_hook.control_value(*m_pRowEntry, m_nRow, m_fRowValue, m_valuePos);
        m_pRowEntry = nullptr;
    }
}

void load_observer::wet_dry_value(const preset::ladspa_instance& entry, float fValue)
{
    m_hook.wet_dry_value(entry, fValue, m_pos);
}

void load_observer::plugin_ended(const preset::ladspa_instance* pEntry, unsigned int nRows)
{
    m_hook.plugin_read(pEntry, nRows, m_bEnabledRead, m_pluginPos);
}

}  // namespace app
