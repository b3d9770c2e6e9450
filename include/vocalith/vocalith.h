/* vocalith_core: the C interface.
 *
 * A converter turns a stream of encoded audio into another stream of encoded
 * audio through a chain of LADSPA plugins that a JACK Rack preset names.
 * Plain C types only; usable from C99 and C++.
 *
 * Threads: one thread may call vocalith_convert on a converter while another
 * calls vocalith_change_preset*, vocalith_set_preset_property on it. Two
 * vocalith_convert calls on one converter must not overlap, and
 * vocalith_fini must not overlap any other call on its converter. The
 * process-wide properties are not guarded: set them before converters exist.
 *
 * Errors are printed to standard error as one "[ERROR] " line (subject to the
 * log level) and reported through the return value.
 */
#ifndef VOCALITH_H
#define VOCALITH_H

#include "vocalith/export.h"

#ifdef __cplusplus
extern "C" {
#endif

/* Codec identifiers of vocalith_convert. */
enum {
    VOCALITH_CODEC_FLOAT32  = 1, /* interleaved 32-bit float, native order, 1.0 = full scale */
    VOCALITH_CODEC_PCM16BE  = 2, /* interleaved signed 16-bit big-endian */
    VOCALITH_CODEC_PCM16LE  = 3, /* interleaved signed 16-bit little-endian */
    VOCALITH_CODEC_ALAW     = 4, /* G.711 A-law, one byte per sample */
    VOCALITH_CODEC_ULAW     = 5, /* G.711 mu-law, one byte per sample */
    VOCALITH_CODEC_GSM610   = 6  /* GSM 06.10 full rate, 33-byte frames of 160 samples */
};

/* Identifiers of vocalith_set_property. */
enum {
    VOCALITH_PROP_PRESET_DIR = 1, /* value: const char*, NUL-terminated, copied */
    VOCALITH_PROP_LADSPA_DIR = 2, /* value: const char*, NUL-terminated, copied */
    VOCALITH_PROP_BLOCK_SIZE = 3, /* value: const int32_t*, samples per channel */
    VOCALITH_PROP_LOG_LEVEL  = 4  /* value: const int32_t*, 0 silent .. 5 debug */
};

/* Receives converted bytes, inside vocalith_convert, on the calling thread.
 * pData points to nSize bytes (1 to 8192) valid only during the call. The
 * return value is ignored. */
typedef int (*vocalith_write_fn)(void* pUser, const void* pData, unsigned int nSize);

/* Creates a converter for nChannelCount interleaved channels at nSampleRate
 * hertz with the preset read from the JACK Rack file `file` (tried as given,
 * then inside the preset directory). Returns the handle, or NULL on failure.
 * The channel count and rate also become the process-wide values. */
VOCALITH_API void* vocalith_init(unsigned int nChannelCount, unsigned int nSampleRate,
                                 const char* file);

/* As vocalith_init, with the preset given as XML text. */
VOCALITH_API void* vocalith_init_string(unsigned int nChannelCount, unsigned int nSampleRate,
                                        const char* xml);

/* Destroys a converter. NULL is ignored. */
VOCALITH_API void vocalith_fini(void* pHandle);

/* Converts nSize bytes of codec nInCodec and hands the output, coded as
 * nOutCodec, to pfnWrite in pieces. Samples short of a whole block stay in
 * the converter for the next call. Returns 0, or -1 for a NULL handle or
 * callback, an unknown codec pair, or an error while converting. */
VOCALITH_API int vocalith_convert(void* pHandle, vocalith_write_fn pfnWrite, void* pUser,
                                  unsigned int nInCodec, const void* pData, unsigned int nSize,
                                  unsigned int nOutCodec);

/* Reads a whole new preset from a file and switches to it between blocks.
 * Returns 0, or -1 (the old preset stays) on failure. May be called while
 * another thread converts. */
VOCALITH_API int vocalith_change_preset(void* pHandle, const char* file);

/* As vocalith_change_preset, with the preset given as XML text. */
VOCALITH_API int vocalith_change_preset_string(void* pHandle, const char* xml);

/* Sets control input nInPortIdx (counted among the plugin's control inputs)
 * of plugin nPluginIdx (position in the chain, disabled entries included) to
 * fPropVal from the next block on. Returns 0, or -1 when there is no such
 * plugin or port. May be called while another thread converts. */
VOCALITH_API int vocalith_set_preset_property(void* pHandle, unsigned int nPluginIdx,
                                              unsigned int nInPortIdx, float fPropVal);

/* Sets a process-wide property (VOCALITH_PROP_*). Returns 0, or -1 for an
 * unknown id or a NULL value. */
VOCALITH_API int vocalith_set_property(int id, const void* value);

/* Settings cannot be read back: always returns -1. */
VOCALITH_API int vocalith_get_property(int id, void* value);

#ifdef __cplusplus
}
#endif

#endif
