#include "vocalith/app/preset_xml_handler.h"

#include <cstring>
#include <utility>

#include "api/log.h"
#include "preset/load_observer.h"
#include "preset/preset_number.h"
#include "vocalith/app/globals.h"
#include "vocalith/ladspa/abstract_instance.h"
#include "vocalith/ladspa/plugin_desc.h"
#include "vocalith/ladspa/plugin_factory.h"

namespace app {

typedef preset_xml_handler handler;

const handler::handler_record handler::s_Start = {"", 1, nullptr, nullptr, handler::s_Top};

const handler::handler_record handler::s_Top[] = {
    {"jackrack", 2, &handler::preJackRack, nullptr, handler::s_JackRack},
    {nullptr, 0, nullptr, nullptr, nullptr},
};

const handler::handler_record handler::s_JackRack[] = {
    {"channels", 0, nullptr, nullptr, nullptr},
    {"plugin", 3, &handler::prePlugin, nullptr, handler::s_Plugin},
    {"samplerate", 0, nullptr, nullptr, nullptr},
    {nullptr, 0, nullptr, nullptr, nullptr},
};

const handler::handler_record handler::s_Plugin[] = {
    {"controlrow", 5, nullptr, &handler::postControlRow, handler::s_ControlValue},
    {"enabled", 7, nullptr, &handler::postPluginEnabled, nullptr},
    {"id", 4, nullptr, &handler::postPluginId, nullptr},
    {"wet_dry_enabled", 8, nullptr, &handler::postPluginEnableWetDry, nullptr},
    {"wet_dry_values", 9, nullptr, nullptr, handler::s_WetDryValue},
    {nullptr, 0, nullptr, nullptr, nullptr},
};

const handler::handler_record handler::s_WetDryValue[] = {
    {"value", 6, nullptr, &handler::postWetDryValue, nullptr},
    {nullptr, 0, nullptr, nullptr, nullptr},
};

const handler::handler_record handler::s_ControlValue[] = {
    {"value", 6, nullptr, &handler::postControlValue, nullptr},
    {nullptr, 0, nullptr, nullptr, nullptr},
};

const handler::handler_record handler::s_SkipState = {nullptr, 0, nullptr, nullptr, nullptr};

namespace {

const char c_szIdFirst[] = "First child element for \"plugin\" must be \"id\"\n";

}  // namespace

preset_xml_handler::preset_xml_handler(ladspa::plugin_factory& factory, std::shared_ptr<preset> pPreset,
                                       const stream_format& format)
    : m_factory(factory),
      m_format(format),
      m_preset(std::move(pPreset)),
      m_states(1, &s_Start),
      m_current(nullptr),
      m_controlRow(0),
      m_pObserver(nullptr)
{
}

preset_xml_handler::preset_xml_handler(const preset_xml_handler& other) = default;

preset_xml_handler::~preset_xml_handler() = default;

void preset_xml_handler::startElement(const char* name)
{
    m_text.clear();
    const handler_record* pTable = m_states.back()->children;
    if (pTable != nullptr) {
        for (const handler_record* pRecord = pTable; pRecord->name != nullptr; ++pRecord) {
            if (std::strcmp(pRecord->name, name) == 0) {
                m_states.push_back(pRecord);
                if (pRecord->pre != nullptr) {
                    (this->*(pRecord->pre))();
                }
                return;
            }
        }
    }
    // Only the outermost skipped element is news: what it holds goes with it.
    if (m_pObserver != nullptr && m_states.back() != &s_SkipState) {
        m_pObserver->skipped(name, m_states.back()->name, preset_diagnostics::skip_unknown);
    }
    m_states.push_back(&s_SkipState);
}

void preset_xml_handler::endElement(const char*)
{
    const handler_record* pRecord = m_states.back();
    if (pRecord->post != nullptr) {
        (this->*(pRecord->post))();
    }
    if (m_pObserver != nullptr && pRecord == &s_JackRack[1]) {
        m_pObserver->plugin_ended(m_current, m_controlRow);
    }
    // The bottom record stays, so that an unpaired end cannot empty the stack.
    if (m_states.size() > 1) {
        m_states.pop_back();
    }
    m_text.clear();
}

void preset_xml_handler::characters(const char* text, unsigned int length)
{
    m_text.append(text, length);
}

void preset_xml_handler::reset(std::shared_ptr<preset> pPreset)
{
    m_states.assign(1, &s_Start);
    m_preset = std::move(pPreset);
    m_current = nullptr;
    m_controlRow = 0;
}

void preset_xml_handler::preJackRack() {}

void preset_xml_handler::prePlugin()
{
    m_current = nullptr;
    m_controlRow = 0;
    if (m_pObserver != nullptr) {
        m_pObserver->plugin_started();
    }
}

void preset_xml_handler::postControlRow()
{
    ++m_controlRow;
    if (m_pObserver != nullptr) {
        m_pObserver->control_row_ended();
    }
}

double preset_xml_handler::read_number() const
{
    return m_pObserver != nullptr ? m_pObserver->read_double(m_text) : parse_preset_double(m_text);
}

void preset_xml_handler::postControlValue()
{
    if (m_current == nullptr) {
        LOG_WARN("%s", c_szIdFirst);
        if (m_pObserver != nullptr) {
            m_pObserver->skipped("value", "controlrow", preset_diagnostics::skip_before_id);
        }
        return;
    }
    ladspa::abstract_instance& inst = *m_current->instance;
    if (m_controlRow < inst.input_values.size()) {
        const float fValue = static_cast<float>(read_number());
        inst.port_values[m_controlRow] = fValue;
        inst.input_values[m_controlRow] = fValue;
        if (m_pObserver != nullptr) {
            m_pObserver->control_value(*m_current, m_controlRow, fValue);
        }
    }
}

void preset_xml_handler::postPluginEnabled()
{
    if (m_current == nullptr) {
        LOG_WARN("%s", c_szIdFirst);
        if (m_pObserver != nullptr) {
            m_pObserver->skipped("enabled", "plugin", preset_diagnostics::skip_before_id);
        }
        return;
    }
    m_current->enabled = m_text == "true";
    if (m_pObserver != nullptr) {
        m_pObserver->enabled_read();
    }
}

void preset_xml_handler::postPluginId()
{
    const unsigned long nId = m_pObserver != nullptr ? m_pObserver->read_id(m_text) : parse_preset_id(m_text);
    ladspa::plugin_desc* pDesc = m_factory.get(nId);
    if (pDesc == nullptr) {
        LOG_WARN("An unknown plugin with ID=%ld has been encountered, skipped\n", static_cast<long>(nId));
        if (m_pObserver != nullptr) {
            m_pObserver->unknown_plugin(nId);
        }
        m_current = nullptr;
        return;
    }
    std::unique_ptr<ladspa::abstract_instance> pInstance =
        pDesc->create_instance(m_format.nChannelCount, m_format.nSampleRate, m_format.nBlockSize);
    m_current = m_preset->add(pInstance.get());
    pInstance.release();
}

void preset_xml_handler::postPluginEnableWetDry()
{
    if (m_current != nullptr) {
        m_current->instance->wet_dry_enabled = m_text == "true";
    } else if (m_pObserver != nullptr) {
        m_pObserver->skipped("wet_dry_enabled", "plugin", preset_diagnostics::skip_before_id);
    }
}

void preset_xml_handler::postWetDryValue()
{
    if (m_current == nullptr) {
        if (m_pObserver != nullptr) {
            m_pObserver->skipped("value", "wet_dry_values", preset_diagnostics::skip_before_id);
        }
        return;
    }
    const float fValue = static_cast<float>(read_number());
    m_current->instance->wet_dry_values.push_back(fValue);
    if (m_pObserver != nullptr) {
        m_pObserver->wet_dry_value(*m_current, fValue);
    }
}

}  // namespace app
