/* The stream formats the element carries, as caps and as the library's codec
 * identifiers: one table, read by caps negotiation and by the byte counts. */
#ifndef GST_VOCALITH_FORMAT_H
#define GST_VOCALITH_FORMAT_H

#include <gst/gst.h>

G_BEGIN_DECLS

/* The library's limits of a converter's stream. */
#define VOCALITH_GST_MAX_RATE 768000
#define VOCALITH_GST_MAX_CHANNELS 256

typedef struct {
    const char* pszMedia;   /* caps media type */
    const char* pszFormat;  /* "format" field of audio/x-raw, or NULL */
    unsigned int nCodec;    /* VOCALITH_CODEC_* */
    unsigned int nUnitBytes;   /* bytes of one coded unit, per channel for PCM */
    unsigned int nUnitSamples; /* samples per channel in one unit */
    gboolean bMono;         /* the library codes one channel only */
} vocalith_format;

/* Every format the element carries, in order of preference. */
const vocalith_format* vocalith_format_table(guint* pnCount);

/* The pad template caps: every format, any rate, the channels it allows. */
GstCaps* vocalith_format_template_caps(void);

/* The format of fixed caps, and their rate and channels; NULL when the caps
 * are none of the table's. */
const vocalith_format* vocalith_format_from_caps(const GstCaps* pCaps, gint* pnRate, gint* pnChannels);

/* Fixed caps of a format at a rate and channel count. */
GstCaps* vocalith_format_caps(const vocalith_format* pFormat, gint nRate, gint nChannels);

/* The caps the other pad may take when one pad has pCaps: any format, the
 * same rate and channels (restricted to what each format allows). */
GstCaps* vocalith_format_transform_caps(const GstCaps* pCaps);

/* Samples per channel in nBytes of a format at nChannels; whole units only. */
guint64 vocalith_format_samples(const vocalith_format* pFormat, gint nChannels, guint64 nBytes);

G_END_DECLS

#endif
