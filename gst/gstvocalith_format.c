#include "gstvocalith_format.h"

#include <vocalith/vocalith.h>

/* G.711 and GSM 06.10 streams carry one channel in the library. PCM float is
 * the machine's order; the element is built for little-endian machines. */
static const vocalith_format c_formats[] = {
    {"audio/x-raw", "S16LE", VOCALITH_CODEC_PCM16LE, 2, 1, FALSE},
    {"audio/x-raw", "S16BE", VOCALITH_CODEC_PCM16BE, 2, 1, FALSE},
    {"audio/x-raw", "F32LE", VOCALITH_CODEC_FLOAT32, 4, 1, FALSE},
    {"audio/x-mulaw", NULL, VOCALITH_CODEC_ULAW, 1, 1, TRUE},
    {"audio/x-alaw", NULL, VOCALITH_CODEC_ALAW, 1, 1, TRUE},
    {"audio/x-gsm", NULL, VOCALITH_CODEC_GSM610, 33, 160, TRUE},
};

const vocalith_format* vocalith_format_table(guint* pnCount)
{
    *pnCount = G_N_ELEMENTS(c_formats);
    return c_formats;
}

static GstStructure* format_structure(const vocalith_format* pFormat)
{
    GstStructure* pS = gst_structure_new_empty(pFormat->pszMedia);
    if (pFormat->pszFormat != NULL) {
        gst_structure_set(pS, "format", G_TYPE_STRING, pFormat->pszFormat, "layout", G_TYPE_STRING, "interleaved",
                          NULL);
    }
    return pS;
}

/* Sets rate and channels from a structure of other caps, kept as they stand
 * there (fixed, ranges or lists), then narrowed to what the format allows. */
static GstCaps* format_caps_like(const vocalith_format* pFormat, const GstStructure* pLike)
{
    GstStructure* pS = format_structure(pFormat);
    GstCaps* pLimits = gst_caps_new_empty();
    GstStructure* pLimit = format_structure(pFormat);
    gst_structure_set(pLimit, "rate", GST_TYPE_INT_RANGE, 1, VOCALITH_GST_MAX_RATE, NULL);
    if (pFormat->bMono) {
        gst_structure_set(pLimit, "channels", G_TYPE_INT, 1, NULL);
    } else {
        gst_structure_set(pLimit, "channels", GST_TYPE_INT_RANGE, 1, VOCALITH_GST_MAX_CHANNELS, NULL);
    }
    gst_caps_append_structure(pLimits, pLimit);
    if (pLike != NULL) {
        const GValue* pRate = gst_structure_get_value(pLike, "rate");
        const GValue* pChannels = gst_structure_get_value(pLike, "channels");
        if (pRate != NULL) {
            gst_structure_set_value(pS, "rate", pRate);
        }
        if (pChannels != NULL) {
            gst_structure_set_value(pS, "channels", pChannels);
        }
    }
    GstCaps* pCaps = gst_caps_new_full(pS, NULL);
    GstCaps* pResult = gst_caps_intersect(pCaps, pLimits);
    gst_caps_unref(pCaps);
    gst_caps_unref(pLimits);
    return pResult;
}

GstCaps* vocalith_format_template_caps(void)
{
    GstCaps* pCaps = gst_caps_new_empty();
    for (guint i = 0; i < G_N_ELEMENTS(c_formats); ++i) {
        gst_caps_append(pCaps, format_caps_like(&c_formats[i], NULL));
    }
    return pCaps;
}

const vocalith_format* vocalith_format_from_caps(const GstCaps* pCaps, gint* pnRate, gint* pnChannels)
{
    if (pCaps == NULL || gst_caps_get_size(pCaps) != 1 || !gst_caps_is_fixed(pCaps)) {
        return NULL;
    }
    const GstStructure* pS = gst_caps_get_structure(pCaps, 0);
    if (!gst_structure_get_int(pS, "rate", pnRate) || !gst_structure_get_int(pS, "channels", pnChannels)) {
        return NULL;
    }
    const char* pszFormat = gst_structure_get_string(pS, "format");
    for (guint i = 0; i < G_N_ELEMENTS(c_formats); ++i) {
        const vocalith_format* pFormat = &c_formats[i];
        if (!gst_structure_has_name(pS, pFormat->pszMedia)) {
            continue;
        }
        if (pFormat->pszFormat != NULL && g_strcmp0(pszFormat, pFormat->pszFormat) != 0) {
            continue;
        }
        if (*pnRate < 1 || *pnRate > VOCALITH_GST_MAX_RATE || *pnChannels < 1 ||
            *pnChannels > (pFormat->bMono ? 1 : VOCALITH_GST_MAX_CHANNELS)) {
            return NULL;
        }
        return pFormat;
    }
    return NULL;
}

GstCaps* vocalith_format_caps(const vocalith_format* pFormat, gint nRate, gint nChannels)
{
    GstStructure* pS = format_structure(pFormat);
    gst_structure_set(pS, "rate", G_TYPE_INT, nRate, "channels", G_TYPE_INT, nChannels, NULL);
    return gst_caps_new_full(pS, NULL);
}

GstCaps* vocalith_format_transform_caps(const GstCaps* pCaps)
{
    GstCaps* pResult = gst_caps_new_empty();
    for (guint s = 0; s < gst_caps_get_size(pCaps); ++s) {
        const GstStructure* pLike = gst_caps_get_structure(pCaps, s);
        for (guint i = 0; i < G_N_ELEMENTS(c_formats); ++i) {
            pResult = gst_caps_merge(pResult, format_caps_like(&c_formats[i], pLike));
        }
    }
    return pResult;
}

guint64 vocalith_format_samples(const vocalith_format* pFormat, gint nChannels, guint64 nBytes)
{
    const guint64 nUnit = (guint64)pFormat->nUnitBytes * (pFormat->bMono ? 1 : (guint64)nChannels);
    return nBytes / nUnit * pFormat->nUnitSamples;
}
