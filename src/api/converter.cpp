#include "api/converter.h"

#include "engine/stream_check.h"
#include "ladspa/registry_cache.h"
#include "vocalith/app/preset.h"
#include "vocalith/app/preset_xml_parser.h"
#include "vocalith/codec/factory.h"

namespace app {

converter::converter(const std::string& strPreset, source nSource, const stream_format& format)
    : m_format(checked(format)),
      m_pFactory(ladspa::registry_cache::instance().get(s_Global.strLadspaDir)),
      m_engine(*m_pFactory, read_preset(strPreset, nSource), m_format),
      m_nInputCodec(codec::id_none),
      m_nOutputCodec(codec::id_none)
{
}

std::shared_ptr<preset> converter::read_preset(const std::string& strPreset, source nSource)
{
    preset_xml_parser parser(*m_pFactory, m_format);
    return nSource == source::file ? parser.load(strPreset) : parser.load_from_string(strPreset);
}

codec::abstract_codec* converter::get_codec(codec::id nInput, codec::id nOutput)
{
    if (nInput != m_nInputCodec || nOutput != m_nOutputCodec) {
        m_codec = codec::factory::instance().create_codec(nInput, nOutput);
        m_nInputCodec = nInput;
        m_nOutputCodec = nOutput;
    }
    return m_codec.get();
}

void converter::restart_codec()
{
    m_codec = codec::factory::instance().create_codec(m_nInputCodec, m_nOutputCodec);
    if (!m_codec) {
        // Out of memory: the next conversion asks the factory again.
        m_nInputCodec = m_nOutputCodec = codec::id_none;
    }
}

void converter::set_dtmf_handler(std::unique_ptr<sigtools::dtmf_key_event> pHandler)
{
    m_engine.detect_dtmf(pHandler.get());
    m_pDtmfHandler = std::move(pHandler);
}

}  // namespace app
