/* The vocalith element: runs a converter of the library on a stream. */
#ifndef GST_VOCALITH_H
#define GST_VOCALITH_H

#include <gst/gst.h>

#include "gstvocalith_format.h"

G_BEGIN_DECLS

#define GST_TYPE_VOCALITH (gst_vocalith_get_type())
G_DECLARE_FINAL_TYPE(GstVocalith, gst_vocalith, GST, VOCALITH, GstElement)

struct _GstVocalith {
    GstElement parent;
    GstPad* pSinkPad;
    GstPad* pSrcPad;

    /* Properties, under the object lock. */
    gchar* pszPreset;
    gchar* pszPresetXml;
    gchar* pszPresetDir;
    gchar* pszLadspaPath;
    guint nBlockSize; /* 0: the first buffer's samples per channel */
    gint nLogLevel;
    gboolean bDtmf;

    /* The converter's life, against property changes on other threads:
     * created and destroyed on the streaming thread or in a state change,
     * read by preset switches and control changes under this lock. */
    GMutex lockConverter;
    void* pConverter;
    guint nConverterBlock;

    /* Streaming state, on the streaming thread only. */
    GstCaps* pInCaps;
    const vocalith_format* pInFormat;
    const vocalith_format* pOutFormat;
    gint nRate;
    gint nChannels;
    GByteArray* pPending;      /* output of the current call, not yet pushed */
    GstSegment segment;
    GstClockTime nBaseTime;    /* time of the stream's first sample */
    guint64 nSamplesOut;       /* samples per channel pushed since nBaseTime */
    gboolean bDiscont;
};

G_END_DECLS

#endif
