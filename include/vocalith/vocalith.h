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
 * log level) and reported through the return value; a host may take the log
 * lines and ask for the last error with the functions at the end.
 */
#ifndef VOCALITH_H
#define VOCALITH_H

#include "vocalith/export.h"
#include "vocalith/version.h"

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
 * The channel count (1 to 256), the rate (1 to 768000) and the process-wide
 * block size (1 to 65536) are checked here: a value outside logs one error
 * line and gives NULL. The channel count and rate also become the
 * process-wide values, but the converter keeps its own, so converters may be
 * created on several threads at once. */
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

/* The functions below extend the interface for hosts that stream packets:
 * ending a stream, taking the log lines, the last error and the version,
 * receiving DTMF keys. */

/* Ends the stream of a converter: the samples still waiting for a whole
 * filter or encoder block are filtered, encoded with the codec pair of the
 * last vocalith_convert and handed to pfnWrite as vocalith_convert does; a
 * last GSM 06.10 frame is completed with silence; a DTMF key still sounding
 * goes to the DTMF handler as ending there. Input bytes short of one
 * coded unit are dropped. The converter is then ready for a new stream: its
 * held samples and the codec's state start afresh (the plugins keep theirs).
 * Returns 0, or -1 for a NULL handle or callback, a converter whose last
 * conversion had no codec (or that never converted), or an error while
 * converting. The same thread rules as vocalith_convert. */
VOCALITH_API int vocalith_flush(void* pHandle, vocalith_write_fn pfnWrite, void* pUser);

/* Receives one log line: nLevel 1 error to 5 debug, pszLine the line as it
 * would stand on standard error, level tag included, without its newline
 * (lines may hold further newlines inside), valid only during the call.
 * Called on whichever thread logs: every thread that calls the library
 * (the exported classes too), at the same time from several. */
typedef void (*vocalith_log_fn)(void* pUser, int nLevel, const char* pszLine);

/* Hands every log line printed from now on to pfnLog with pUser instead of
 * writing it to standard error; NULL restores standard error. The log level
 * still decides which lines are printed. May be called from any thread; a
 * line being printed meanwhile goes wholly to the old or the new handler. */
VOCALITH_API void vocalith_set_log_handler(vocalith_log_fn pfnLog, void* pUser);

/* The last error of the calling thread: the text of its last "[ERROR] " line
 * without the tag (kept whatever the log level), or a short text naming the
 * failure for the failures reported by the result alone (NULL handles and
 * arguments, unknown ids); "" when the thread's last call succeeded (this
 * function and vocalith_version change nothing). At most 1023 characters,
 * owned by the library, valid until the thread's next call into it. */
VOCALITH_API const char* vocalith_last_error(void);

/* The library's version, "MAJOR.MINOR.PATCH": compare with VOCALITH_VERSION
 * to find a host running against another library than it was built for. */
VOCALITH_API const char* vocalith_version(void);

/* Receives one DTMF key, inside vocalith_convert, on the calling thread,
 * once the key has ended (after the pause that follows it, or when the next
 * key starts). key is one of "0123456789*#ABCD"; onset is the first sample of
 * its tones and end one past the last, counted in samples per channel of the
 * converter's input stream since the converter was created (accurate to a
 * few milliseconds). Keys arrive in the order they were pressed. */
typedef void (*vocalith_dtmf_fn)(void* pUser, char key, unsigned long long onset,
                                 unsigned long long end);

/* Sets pfnKey to receive the DTMF keys in the converter's input, with pUser passed
 * unchanged as its first argument; NULL switches detection off. The keys are
 * looked for at the converter's sample rate in channel 0 (with more than one
 * channel, as in a telephony stereo recording with the caller on one side).
 * Call between vocalith_convert calls, not during one; a key that was in
 * progress when detection was switched on is missed. Returns 0, or -1 for a
 * NULL handle or an error. */
VOCALITH_API int vocalith_set_dtmf_handler(void* pHandle, vocalith_dtmf_fn pfnKey, void* pUser);

#ifdef __cplusplus
}
#endif

#endif
