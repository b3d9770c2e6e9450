// The exported C functions around converters. No exception of any type
// crosses this boundary: a host written in C cannot catch one.
#include <exception>
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

app::converter* to_converter(void* pHandle)
{
    return static_cast<app::converter*>(pHandle);
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
        return new (std::nothrow) app::converter(pszPreset, nSource, format);
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
        return -1;
    }
    try {
        app::converter* pConverter = to_converter(pHandle);
        pConverter->engine().change(pConverter->read_preset(pszPreset, nSource));
        return 0;
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
    if (pHandle == nullptr) {
        return;
    }
    try {
        delete to_converter(pHandle);
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
        return 0;
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
        return -1;
    }
    return to_converter(pHandle)->engine().set_plugin_port_value(nPluginIdx, nInPortIdx, fPropVal)
               ? 0
               : -1;
}

}  // extern "C"
