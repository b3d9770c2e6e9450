// The exported C functions around converters. No exception of any type
// crosses this boundary: a host written in C cannot catch one. Every failure
// leaves a text for vocalith_last_error, every success clears it.
#include <cstdint>
#include <exception>
#include <memory>
#include <new>
#include <string>

#include "api/converter.h"
#include "api/log.h"
#include "vocalith/app/exception.h"
#include "vocalith/app/data_sink.h"
#include "vocalith/vocalith.h"

namespace {

// Forwards the engine's output to the host's callback, for one call.
class data_sink final : public app::data_sink {
public:
    data_sink(vocalith_write_fn pfnWrite, void* pUser) : m_pfnWrite(pfnWrite), m_pUser(pUser) {}
    void write(const void* pData, unsigned int nSize) override { m_pfnWrite(m_pUser, pData, nSize); }

private:
    vocalith_write_fn m_pfnWrite;
    void* m_pUser;
};

// Hands the engine's keys to the host's C function.
class dtmf_handler final : public sigtools::dtmf_key_event {
public:
    dtmf_handler(vocalith_dtmf_fn pfnKey, void* pUser) : m_pfnKey(pfnKey), m_pUser(pUser) {}
    // Keys go out once their end is known.
    void on_tone(int) override {}
    void on_key(int nTone, std::uint64_t nOnset, std::uint64_t nEnd) override
    {
        m_pfnKey(m_pUser, static_cast<char>(nTone), nOnset, nEnd);
    }

private:
    vocalith_dtmf_fn m_pfnKey;
    void* m_pUser;
};

app::converter* to_converter(void* pHandle)
{
    return static_cast<app::converter*>(pHandle);
}

int settle(int nResult)
{
    if (nResult == 0) {
        app::log::succeed();
    }
    return nResult;
}

// The parameters come from the init call itself: s_Global is only a record
// of the last call, which another thread may be overwriting meanwhile.
void* create_converter(const char* pszPreset, app::converter::source nSource, unsigned int nChannelCount,
                       unsigned int nSampleRate, const char* pszFunction)
{
    app::s_Global.nChannelCount = nChannelCount;
    app::s_Global.nSampleRate = nSampleRate;
    try {
        if (pszPreset == nullptr) {
            throw app::exception(nSource == app::converter::source::file
                                     ? "no preset file name given (null pointer)"
                                     : "no preset XML given (null pointer)",
                                 VOCALITH_FILE_NAME, __LINE__);
        }
        const app::stream_format format = {nChannelCount, nSampleRate, app::s_Global.nBlockSize};
        void* pHandle = new (std::nothrow) app::converter(pszPreset, nSource, format);
        if (pHandle == nullptr) {
            app::log::fail("%s: out of memory", pszFunction);
        } else {
            app::log::succeed();
        }
        return pHandle;
    } catch (const std::exception& error) {
        LOG_ERROR("%s exception: %s\n", pszFunction, error.what());
    } catch (...) {
        LOG_ERROR("%s exception: %s\n", pszFunction, "unknown exception");
    }
    return nullptr;
}

int change_preset(void* pHandle, const char* pszPreset, app::converter::source nSource,
                  const char* pszFunction)
{
    if (pHandle == nullptr || pszPreset == nullptr || *pszPreset == '\0') {
        app::log::fail("%s: %s", pszFunction,
                       pHandle == nullptr ? "null handle" : "no preset given (null or empty)");
        return -1;
    }
    try {
        app::converter* pConverter = to_converter(pHandle);
        pConverter->engine().change(pConverter->read_preset(pszPreset, nSource));
        return settle(0);
    } catch (const std::exception& error) {
        LOG_ERROR("%s exception: %s\n", pszFunction, error.what());
    } catch (...) {
        LOG_ERROR("%s exception: %s\n", pszFunction, "unknown exception");
    }
    return -1;
}

}  // namespace

extern "C" {

VOCALITH_API void* vocalith_init(unsigned int nChannelCount, unsigned int nSampleRate,
                                 const char* file)
{
    LOG_INFO("vocalith_init: nChannelCount=%u, nSampleRate=%u, file=%s\n", nChannelCount,
             nSampleRate, file != nullptr ? file : "(null)");
    return create_converter(file, app::converter::source::file, nChannelCount, nSampleRate,
                            "vocalith_init");
}

VOCALITH_API void* vocalith_init_string(unsigned int nChannelCount, unsigned int nSampleRate,
                                        const char* xml)
{
    LOG_INFO("vocalith_init_string: nChannelCount=%u, nSampleRate=%u, XML:\n%s\n", nChannelCount,
             nSampleRate, xml != nullptr ? xml : "(null)");
    return create_converter(xml, app::converter::source::text, nChannelCount, nSampleRate,
                            "vocalith_init_string");
}

VOCALITH_API void vocalith_fini(void* pHandle)
{
    LOG_INFO("vocalith_fini\n");
    try {
        delete to_converter(pHandle);
        app::log::succeed();
    } catch (const std::exception& error) {
        LOG_ERROR("vocalith_fini exception: %s\n", error.what());
    } catch (...) {
        LOG_ERROR("vocalith_fini exception: %s\n", "unknown exception");
    }
}

VOCALITH_API int vocalith_convert(void* pHandle, vocalith_write_fn pfnWrite, void* pUser,
                                  unsigned int nInCodec, const void* pData, unsigned int nSize,
                                  unsigned int nOutCodec)
{
    if (pHandle == nullptr || pfnWrite == nullptr) {
        app::log::fail("vocalith_convert: %s", pHandle == nullptr ? "null handle" : "null callback");
        return -1;
    }
    data_sink sink(pfnWrite, pUser);
    try {
        app::converter* pConverter = to_converter(pHandle);
        codec::abstract_codec* pCodec = pConverter->get_codec(static_cast<codec::id>(nInCodec),
                                                              static_cast<codec::id>(nOutCodec));
        if (pCodec == nullptr) {
            LOG_ERROR("vocalith_convert: no codec found for nInCodec=%u, nOutCodec=%u\n", nInCodec,
                      nOutCodec);
            return -1;
        }
        pConverter->engine().process(sink, pData, nSize, pCodec);
        return settle(0);
    } catch (const std::exception& error) {
        LOG_ERROR("vocalith_convert exception: %s\n", error.what());
    } catch (...) {
        LOG_ERROR("vocalith_convert exception: %s\n", "unknown exception");
    }
    return -1;
}

VOCALITH_API int vocalith_change_preset(void* pHandle, const char* file)
{
    LOG_INFO("vocalith_change_preset: file=%s\n", file != nullptr ? file : "(null)");
    return change_preset(pHandle, file, app::converter::source::file, "vocalith_change_preset");
}

VOCALITH_API int vocalith_change_preset_string(void* pHandle, const char* xml)
{
    LOG_INFO("vocalith_change_preset_string: XML:\n%s\n", xml != nullptr ? xml : "(null)");
    return change_preset(pHandle, xml, app::converter::source::text,
                         "vocalith_change_preset_string");
}

VOCALITH_API int vocalith_set_preset_property(void* pHandle, unsigned int nPluginIdx,
                                              unsigned int nInPortIdx, float fPropVal)
{
    LOG_INFO("vocalith_set_preset_property: nPluginIdx=%u, nInPortIdx=%u, fPropVal=%f\n",
             nPluginIdx, nInPortIdx, static_cast<double>(fPropVal));
    if (pHandle == nullptr) {
        app::log::fail("vocalith_set_preset_property: null handle");
        return -1;
    }
    if (!to_converter(pHandle)->engine().set_plugin_port_value(nPluginIdx, nInPortIdx, fPropVal)) {
        app::log::fail("vocalith_set_preset_property: no control input nInPortIdx=%u on plugin nPluginIdx=%u",
                       nInPortIdx, nPluginIdx);
        return -1;
    }
    return settle(0);
}

VOCALITH_API int vocalith_flush(void* pHandle, vocalith_write_fn pfnWrite, void* pUser)
{
    if (pHandle == nullptr || pfnWrite == nullptr) {
        app::log::fail("vocalith_flush: %s", pHandle == nullptr ? "null handle" : "null callback");
        return -1;
    }
    data_sink sink(pfnWrite, pUser);
    try {
        app::converter* pConverter = to_converter(pHandle);
        codec::abstract_codec* pCodec = pConverter->last_codec();
        if (pCodec == nullptr) {
            LOG_ERROR("vocalith_flush: no codec: no conversion with a known codec pair before\n");
            return -1;
        }
        app::command_processor& engine = pConverter->engine();
        const unsigned int nPending = engine.process_tail(sink, pCodec);
        const unsigned int nDropped = engine.drop_input_tail();
        pConverter->restart_codec();
        LOG_NOTE("vocalith_flush: nTailSampleCount=%u, nDroppedByteCount=%u\n", nPending, nDropped);
        return settle(0);
    } catch (const std::exception& error) {
        LOG_ERROR("vocalith_flush exception: %s\n", error.what());
    } catch (...) {
        LOG_ERROR("vocalith_flush exception: %s\n", "unknown exception");
    }
    return -1;
}

VOCALITH_API int vocalith_set_dtmf_handler(void* pHandle, vocalith_dtmf_fn pfnKey, void* pUser)
{
    if (pHandle == nullptr) {
        app::log::fail("vocalith_set_dtmf_handler: null handle");
        return -1;
    }
    try {
        to_converter(pHandle)->set_dtmf_handler(pfnKey != nullptr ? std::make_unique<dtmf_handler>(pfnKey, pUser)
                                                                   : nullptr);
        return settle(0);
    } catch (const std::exception& error) {
        LOG_ERROR("vocalith_set_dtmf_handler exception: %s\n", error.what());
    } catch (...) {
        LOG_ERROR("vocalith_set_dtmf_handler exception: %s\n", "unknown exception");
    }
    return -1;
}

VOCALITH_API void vocalith_set_log_handler(vocalith_log_fn pfnLog, void* pUser)
{
    app::log::set_handler(pfnLog, pUser);
    app::log::succeed();
    LOG_NOTE("vocalith_set_log_handler: pfnLog=%s\n", pfnLog != nullptr ? "set" : "(null)");
}

VOCALITH_API const char* vocalith_last_error(void) { return app::log::last_error(); }

VOCALITH_API const char* vocalith_version(void) { return VOCALITH_VERSION; }

}  // extern "C"
