/* The vocalith element: a converter of the library between two pads. It
 * uses the library's public C interface only, as any host does. */
#include "gstvocalith.h"

#include <string.h>

#include <vocalith/vocalith.h>

#include "gstvocalith_log.h"
#include "gstvocalith_preset.h"

#define GST_CAT_DEFAULT gst_vocalith_debug

enum {
    PROP_0,
    PROP_PRESET,
    PROP_PRESET_XML,
    PROP_PRESET_DIR,
    PROP_LADSPA_PATH,
    PROP_BLOCK_SIZE,
    PROP_LOG_LEVEL,
    PROP_DTMF,
};

enum { SIGNAL_SET_CONTROL, SIGNAL_COUNT };

static guint s_signals[SIGNAL_COUNT];

/* The library's settings are process-wide and read when a converter is
 * made: elements on several threads take turns setting them and creating. */
static GMutex s_settingsLock;

G_DEFINE_TYPE(GstVocalith, gst_vocalith, GST_TYPE_ELEMENT)

/* ---------------------------------------------------------------- output */

static int on_output(void* pUser, const void* pData, unsigned int nSize)
{
    GstVocalith* self = pUser;
    g_byte_array_append(self->pPending, pData, nSize);
    return (int)nSize;
}

static int on_discard(void* pUser, const void* pData, unsigned int nSize)
{
    (void)pUser;
    (void)pData;
    return (int)nSize;
}

static GstClockTime sample_time(const GstVocalith* self, guint64 nSamples)
{
    return self->nBaseTime + gst_util_uint64_scale_int(nSamples, GST_SECOND, self->nRate);
}

/* Pushes the whole coded units of the pending output as one buffer, stamped
 * from the count of samples: a sample leaves with the time it came in with,
 * however long the converter held it. */
static GstFlowReturn push_pending(GstVocalith* self)
{
    const vocalith_format* pFormat = self->pOutFormat;
    const guint nUnit = pFormat->nUnitBytes * (pFormat->bMono ? 1u : (guint)self->nChannels);
    const guint nBytes = self->pPending->len / nUnit * nUnit;
    if (nBytes == 0) {
        return GST_FLOW_OK;
    }
    GstBuffer* pBuffer = gst_buffer_new_memdup(self->pPending->data, nBytes);
    g_byte_array_remove_range(self->pPending, 0, nBytes);
    const guint64 nSamples = vocalith_format_samples(pFormat, self->nChannels, nBytes);
    if (GST_CLOCK_TIME_IS_VALID(self->nBaseTime)) {
        GST_BUFFER_PTS(pBuffer) = sample_time(self, self->nSamplesOut);
        GST_BUFFER_DURATION(pBuffer) = sample_time(self, self->nSamplesOut + nSamples) - GST_BUFFER_PTS(pBuffer);
    }
    GST_BUFFER_OFFSET(pBuffer) = self->nSamplesOut;
    GST_BUFFER_OFFSET_END(pBuffer) = self->nSamplesOut + nSamples;
    self->nSamplesOut += nSamples;
    if (self->bDiscont) {
        GST_BUFFER_FLAG_SET(pBuffer, GST_BUFFER_FLAG_DISCONT);
        self->bDiscont = FALSE;
    }
    return gst_pad_push(self->pSrcPad, pBuffer);
}

/* -------------------------------------------------------------- DTMF keys */

static gint key_number(char cKey)
{
    static const char c_keys[] = "0123456789*#ABCD";
    const char* p = strchr(c_keys, cKey);
    return (cKey != '\0' && p != NULL) ? (gint)(p - c_keys) : -1;
}

/* Runs inside vocalith_convert on the streaming thread: the positions count
 * samples of this converter's input, which started at nBaseTime. */
static void on_dtmf(void* pUser, char cKey, unsigned long long nOnset, unsigned long long nEnd)
{
    GstVocalith* self = pUser;
    const gchar szKey[2] = {cKey, '\0'};
    GstClockTime nOnsetTime = GST_CLOCK_TIME_NONE;
    if (GST_CLOCK_TIME_IS_VALID(self->nBaseTime)) {
        nOnsetTime = gst_segment_to_stream_time(&self->segment, GST_FORMAT_TIME, sample_time(self, nOnset));
    }
    GST_DEBUG_OBJECT(self, "key %c from sample %llu to %llu", cKey, nOnset, nEnd);
    GstStructure* pS = gst_structure_new("dtmf-event", "type", G_TYPE_INT, 1, "number", G_TYPE_INT,
                                         key_number(cKey), "method", G_TYPE_INT, 2, "key", G_TYPE_STRING, szKey,
                                         "onset", G_TYPE_UINT64, nOnsetTime, NULL);
    gst_element_post_message(GST_ELEMENT(self), gst_message_new_element(GST_OBJECT(self), pS));
}

static void apply_dtmf(GstVocalith* self, void* pConverter, gboolean bDtmf)
{
    if (pConverter != NULL) {
        vocalith_set_dtmf_handler(pConverter, bDtmf ? on_dtmf : NULL, self);
    }
}

/* ------------------------------------------------------------- converter */

static void set_text_setting(int nId, const gchar* pszValue)
{
    vocalith_set_property(nId, pszValue != NULL ? pszValue : "");
}

/* Makes the converter for the negotiated stream. nBlock is the block size in
 * samples per channel. */
static gboolean create_converter(GstVocalith* self, guint nBlock)
{
    GST_OBJECT_LOCK(self);
    gchar* pszPreset = g_strdup(self->pszPreset);
    gchar* pszXml = g_strdup(self->pszPresetXml);
    gchar* pszDir = g_strdup(self->pszPresetDir);
    gchar* pszLadspa = g_strdup(self->pszLadspaPath);
    const gint nLogLevel = self->nLogLevel;
    const gboolean bDtmf = self->bDtmf;
    GST_OBJECT_UNLOCK(self);

    g_mutex_lock(&s_settingsLock);
    const int nBlockSize = (int)nBlock;
    vocalith_set_property(VOCALITH_PROP_BLOCK_SIZE, &nBlockSize);
    vocalith_set_property(VOCALITH_PROP_LOG_LEVEL, &nLogLevel);
    set_text_setting(VOCALITH_PROP_PRESET_DIR, pszDir);
    set_text_setting(VOCALITH_PROP_LADSPA_DIR, pszLadspa);
    void* pConverter;
    if (pszXml != NULL) {
        pConverter = vocalith_init_string((unsigned)self->nChannels, (unsigned)self->nRate, pszXml);
    } else {
        gchar* pszPath = gst_vocalith_resolve_preset(pszPreset, pszDir);
        pConverter = vocalith_init((unsigned)self->nChannels, (unsigned)self->nRate, pszPath);
        g_free(pszPath);
    }
    gchar* pszError = pConverter == NULL ? g_strdup(vocalith_last_error()) : NULL;
    g_mutex_unlock(&s_settingsLock);

    if (pConverter == NULL) {
        GST_ELEMENT_ERROR(self, LIBRARY, INIT, ("Could not create the voice converter."),
                          ("preset %s: %s", pszXml != NULL ? "(preset-xml)" : pszPreset, pszError));
    } else {
        if (bDtmf) {
            apply_dtmf(self, pConverter, TRUE);
        }
        g_mutex_lock(&self->lockConverter);
        self->pConverter = pConverter;
        self->nConverterBlock = nBlock;
        g_mutex_unlock(&self->lockConverter);
        GST_INFO_OBJECT(self, "converter for %d channels at %d Hz, block %u", self->nChannels, self->nRate, nBlock);
    }
    g_free(pszError);
    g_free(pszPreset);
    g_free(pszXml);
    g_free(pszDir);
    g_free(pszLadspa);
    return pConverter != NULL;
}

static void destroy_converter(GstVocalith* self)
{
    g_mutex_lock(&self->lockConverter);
    void* pConverter = self->pConverter;
    self->pConverter = NULL;
    g_mutex_unlock(&self->lockConverter);
    vocalith_fini(pConverter);
}

/* Forgets the stream's position: the next buffer starts a new time line. */
static void restart_stream(GstVocalith* self)
{
    g_byte_array_set_size(self->pPending, 0);
    self->nBaseTime = GST_CLOCK_TIME_NONE;
    self->nSamplesOut = 0;
    self->bDiscont = TRUE;
}

/* ---------------------------------------------------------------- caps */

static GstCaps* query_other_side(GstPad* pOther, GstCaps* pFilter)
{
    GstCaps* pOtherFilter = pFilter != NULL ? vocalith_format_transform_caps(pFilter) : NULL;
    GstCaps* pPeer = gst_pad_peer_query_caps(pOther, pOtherFilter);
    if (pOtherFilter != NULL) {
        gst_caps_unref(pOtherFilter);
    }
    GstCaps* pTemplate = gst_pad_get_pad_template_caps(pOther);
    GstCaps* pAllowed = gst_caps_intersect(pPeer, pTemplate);
    gst_caps_unref(pPeer);
    gst_caps_unref(pTemplate);
    GstCaps* pResult = vocalith_format_transform_caps(pAllowed);
    gst_caps_unref(pAllowed);
    return pResult;
}

/* Either pad takes any of the formats at the rate and channels that the
 * other side allows. */
static gboolean query_caps(GstVocalith* self, GstPad* pPad, GstQuery* pQuery)
{
    GstCaps* pFilter = NULL;
    gst_query_parse_caps(pQuery, &pFilter);
    GstPad* pOther = pPad == self->pSinkPad ? self->pSrcPad : self->pSinkPad;
    GstCaps* pCaps = query_other_side(pOther, pFilter);
    GstCaps* pTemplate = gst_pad_get_pad_template_caps(pPad);
    GstCaps* pResult = gst_caps_intersect_full(pTemplate, pCaps, GST_CAPS_INTERSECT_FIRST);
    gst_caps_unref(pTemplate);
    gst_caps_unref(pCaps);
    if (pFilter != NULL) {
        GstCaps* pFiltered = gst_caps_intersect_full(pFilter, pResult, GST_CAPS_INTERSECT_FIRST);
        gst_caps_unref(pResult);
        pResult = pFiltered;
    }
    gst_query_set_caps_result(pQuery, pResult);
    gst_caps_unref(pResult);
    return TRUE;
}

/* Picks the output format for the input caps: the input's own format when
 * downstream takes it, else the first that downstream prefers. Runs again
 * when downstream asks for it. */
static gboolean negotiate_output(GstVocalith* self)
{
    GstCaps* pAllowed = gst_pad_get_allowed_caps(self->pSrcPad);
    GstCaps* pWanted = vocalith_format_transform_caps(self->pInCaps);
    GstCaps* pChoice = pAllowed != NULL ? gst_caps_intersect_full(pAllowed, pWanted, GST_CAPS_INTERSECT_FIRST)
                                        : gst_caps_ref(pWanted);
    gst_caps_unref(pWanted);
    if (pAllowed != NULL) {
        gst_caps_unref(pAllowed);
    }
    if (gst_caps_is_empty(pChoice)) {
        gst_caps_unref(pChoice);
        GST_ELEMENT_ERROR(self, CORE, NEGOTIATION, (NULL), ("downstream takes none of our formats"));
        return FALSE;
    }
    GstCaps* pOut =
        gst_caps_can_intersect(pChoice, self->pInCaps) ? gst_caps_copy(self->pInCaps) : gst_caps_fixate(gst_caps_ref(pChoice));
    gst_caps_unref(pChoice);
    gint nRate = 0;
    gint nChannels = 0;
    const vocalith_format* pFormat = vocalith_format_from_caps(pOut, &nRate, &nChannels);
    if (pFormat == NULL || nRate != self->nRate || nChannels != self->nChannels) {
        gst_caps_unref(pOut);
        GST_ELEMENT_ERROR(self, CORE, NEGOTIATION, (NULL), ("downstream caps do not fit the stream"));
        return FALSE;
    }
    self->pOutFormat = pFormat;
    const gboolean bPushed = gst_pad_push_event(self->pSrcPad, gst_event_new_caps(pOut));
    gst_caps_unref(pOut);
    return bPushed;
}

static gboolean set_input_caps(GstVocalith* self, GstCaps* pCaps)
{
    gint nRate = 0;
    gint nChannels = 0;
    const vocalith_format* pIn = vocalith_format_from_caps(pCaps, &nRate, &nChannels);
    if (pIn == NULL) {
        GST_ELEMENT_ERROR(self, STREAM, FORMAT, (NULL), ("caps are not a stream of ours"));
        return FALSE;
    }
    if (self->pConverter != NULL && (nRate != self->nRate || nChannels != self->nChannels)) {
        destroy_converter(self);
    }
    gst_caps_replace(&self->pInCaps, pCaps);
    self->pInFormat = pIn;
    self->nRate = nRate;
    self->nChannels = nChannels;
    gst_pad_check_reconfigure(self->pSrcPad);
    return negotiate_output(self);
}

/* --------------------------------------------------------------- stream */

static GstFlowReturn chain(GstPad* pPad, GstObject* pParent, GstBuffer* pBuffer)
{
    GstVocalith* self = GST_VOCALITH(pParent);
    (void)pPad;
    if (self->pInFormat == NULL) {
        gst_buffer_unref(pBuffer);
        GST_ELEMENT_ERROR(self, CORE, NEGOTIATION, (NULL), ("no caps before the first buffer"));
        return GST_FLOW_NOT_NEGOTIATED;
    }
    if (gst_pad_check_reconfigure(self->pSrcPad) && !negotiate_output(self)) {
        gst_buffer_unref(pBuffer);
        return GST_FLOW_NOT_NEGOTIATED;
    }
    GstMapInfo map;
    if (!gst_buffer_map(pBuffer, &map, GST_MAP_READ)) {
        gst_buffer_unref(pBuffer);
        return GST_FLOW_ERROR;
    }
    if (self->pConverter == NULL) {
        GST_OBJECT_LOCK(self);
        guint nBlock = self->nBlockSize;
        GST_OBJECT_UNLOCK(self);
        if (nBlock == 0) {
            nBlock = (guint)vocalith_format_samples(self->pInFormat, self->nChannels, map.size);
        }
        if (nBlock == 0) {
            nBlock = 256;
        }
        if (!create_converter(self, nBlock)) {
            gst_buffer_unmap(pBuffer, &map);
            gst_buffer_unref(pBuffer);
            return GST_FLOW_ERROR;
        }
    }
    if (!GST_CLOCK_TIME_IS_VALID(self->nBaseTime)) {
        self->nBaseTime = GST_BUFFER_PTS_IS_VALID(pBuffer) ? GST_BUFFER_PTS(pBuffer) : self->segment.start;
    }
    const int nResult = vocalith_convert(self->pConverter, on_output, self, self->pInFormat->nCodec, map.data,
                                         (unsigned int)map.size, self->pOutFormat->nCodec);
    gst_buffer_unmap(pBuffer, &map);
    gst_buffer_unref(pBuffer);
    if (nResult != 0) {
        GST_ELEMENT_ERROR(self, STREAM, FAILED, (NULL), ("conversion failed: %s", vocalith_last_error()));
        return GST_FLOW_ERROR;
    }
    return push_pending(self);
}

/* Hands on every sample the converter still holds. */
static GstFlowReturn drain(GstVocalith* self)
{
    if (self->pConverter == NULL) {
        return GST_FLOW_OK;
    }
    if (vocalith_flush(self->pConverter, on_output, self) != 0) {
        GST_DEBUG_OBJECT(self, "nothing to flush: %s", vocalith_last_error());
    }
    return push_pending(self);
}

static gboolean sink_event(GstPad* pPad, GstObject* pParent, GstEvent* pEvent)
{
    GstVocalith* self = GST_VOCALITH(pParent);
    switch (GST_EVENT_TYPE(pEvent)) {
    case GST_EVENT_CAPS: {
        GstCaps* pCaps = NULL;
        gst_event_parse_caps(pEvent, &pCaps);
        const gboolean bDone = set_input_caps(self, pCaps);
        gst_event_unref(pEvent);
        return bDone;
    }
    case GST_EVENT_SEGMENT:
        gst_event_copy_segment(pEvent, &self->segment);
        break;
    case GST_EVENT_EOS:
        drain(self);
        restart_stream(self);
        break;
    case GST_EVENT_FLUSH_STOP:
        if (self->pConverter != NULL) {
            vocalith_flush(self->pConverter, on_discard, NULL);
        }
        restart_stream(self);
        gst_segment_init(&self->segment, GST_FORMAT_TIME);
        break;
    default:
        break;
    }
    return gst_pad_event_default(pPad, pParent, pEvent);
}

static gboolean sink_query(GstPad* pPad, GstObject* pParent, GstQuery* pQuery)
{
    if (GST_QUERY_TYPE(pQuery) == GST_QUERY_CAPS) {
        return query_caps(GST_VOCALITH(pParent), pPad, pQuery);
    }
    return gst_pad_query_default(pPad, pParent, pQuery);
}

/* A sample waits in the converter until its filter block is whole: up to a
 * block of delay on top of upstream's. */
static gboolean src_query(GstPad* pPad, GstObject* pParent, GstQuery* pQuery)
{
    GstVocalith* self = GST_VOCALITH(pParent);
    if (GST_QUERY_TYPE(pQuery) == GST_QUERY_CAPS) {
        return query_caps(self, pPad, pQuery);
    }
    if (GST_QUERY_TYPE(pQuery) != GST_QUERY_LATENCY) {
        return gst_pad_query_default(pPad, pParent, pQuery);
    }
    if (!gst_pad_peer_query(self->pSinkPad, pQuery)) {
        return FALSE;
    }
    gboolean bLive = FALSE;
    GstClockTime nMin = 0;
    GstClockTime nMax = GST_CLOCK_TIME_NONE;
    gst_query_parse_latency(pQuery, &bLive, &nMin, &nMax);
    g_mutex_lock(&self->lockConverter);
    guint nBlock = self->pConverter != NULL ? self->nConverterBlock : 0;
    g_mutex_unlock(&self->lockConverter);
    if (nBlock == 0) {
        GST_OBJECT_LOCK(self);
        nBlock = self->nBlockSize;
        GST_OBJECT_UNLOCK(self);
    }
    if (nBlock > 0 && self->nRate > 0) {
        const GstClockTime nOwn = gst_util_uint64_scale_int(nBlock, GST_SECOND, self->nRate);
        nMin += nOwn;
        if (GST_CLOCK_TIME_IS_VALID(nMax)) {
            nMax += nOwn;
        }
    }
    gst_query_set_latency(pQuery, bLive, nMin, nMax);
    return TRUE;
}

/* ----------------------------------------------------- live preset changes */

/* Switches the running converter to the preset now in the properties; on
 * failure the old preset keeps running, and the application hears of it. */
static void switch_preset(GstVocalith* self, gboolean bXml)
{
    GST_OBJECT_LOCK(self);
    gchar* pszValue = g_strdup(bXml ? self->pszPresetXml : self->pszPreset);
    gchar* pszDir = g_strdup(self->pszPresetDir);
    GST_OBJECT_UNLOCK(self);
    g_mutex_lock(&self->lockConverter);
    if (self->pConverter != NULL && pszValue != NULL) {
        int nResult;
        if (bXml) {
            nResult = vocalith_change_preset_string(self->pConverter, pszValue);
        } else {
            gchar* pszPath = gst_vocalith_resolve_preset(pszValue, pszDir);
            nResult = vocalith_change_preset(self->pConverter, pszPath);
            g_free(pszPath);
        }
        if (nResult != 0) {
            GST_ELEMENT_WARNING(self, LIBRARY, SETTINGS, ("Could not switch presets; the old one stays."),
                                ("%s", vocalith_last_error()));
        }
    }
    g_mutex_unlock(&self->lockConverter);
    g_free(pszValue);
    g_free(pszDir);
}

static gboolean set_control(GstVocalith* self, guint nPlugin, guint nPort, gfloat fValue)
{
    g_mutex_lock(&self->lockConverter);
    const gboolean bDone =
        self->pConverter != NULL && vocalith_set_preset_property(self->pConverter, nPlugin, nPort, fValue) == 0;
    g_mutex_unlock(&self->lockConverter);
    if (!bDone) {
        GST_WARNING_OBJECT(self, "control %u of plugin %u not set to %g", nPort, nPlugin, fValue);
    }
    return bDone;
}

/* ------------------------------------------------------------- properties */

static void replace_string(GstVocalith* self, gchar** ppszField, const GValue* pValue)
{
    GST_OBJECT_LOCK(self);
    g_free(*ppszField);
    *ppszField = g_value_dup_string(pValue);
    GST_OBJECT_UNLOCK(self);
}

static void set_property(GObject* pObject, guint nId, const GValue* pValue, GParamSpec* pSpec)
{
    GstVocalith* self = GST_VOCALITH(pObject);
    switch (nId) {
    case PROP_PRESET:
        replace_string(self, &self->pszPreset, pValue);
        switch_preset(self, FALSE);
        break;
    case PROP_PRESET_XML:
        replace_string(self, &self->pszPresetXml, pValue);
        switch_preset(self, TRUE);
        break;
    case PROP_PRESET_DIR:
        replace_string(self, &self->pszPresetDir, pValue);
        break;
    case PROP_LADSPA_PATH:
        replace_string(self, &self->pszLadspaPath, pValue);
        break;
    case PROP_BLOCK_SIZE:
        GST_OBJECT_LOCK(self);
        self->nBlockSize = g_value_get_uint(pValue);
        GST_OBJECT_UNLOCK(self);
        break;
    case PROP_LOG_LEVEL: {
        GST_OBJECT_LOCK(self);
        self->nLogLevel = g_value_get_int(pValue);
        GST_OBJECT_UNLOCK(self);
        break;
    }
    case PROP_DTMF:
        GST_OBJECT_LOCK(self);
        self->bDtmf = g_value_get_boolean(pValue);
        GST_OBJECT_UNLOCK(self);
        g_mutex_lock(&self->lockConverter);
        apply_dtmf(self, self->pConverter, g_value_get_boolean(pValue));
        g_mutex_unlock(&self->lockConverter);
        break;
    default:
        G_OBJECT_WARN_INVALID_PROPERTY_ID(pObject, nId, pSpec);
        break;
    }
}

static void get_property(GObject* pObject, guint nId, GValue* pValue, GParamSpec* pSpec)
{
    GstVocalith* self = GST_VOCALITH(pObject);
    GST_OBJECT_LOCK(self);
    switch (nId) {
    case PROP_PRESET:
        g_value_set_string(pValue, self->pszPreset);
        break;
    case PROP_PRESET_XML:
        g_value_set_string(pValue, self->pszPresetXml);
        break;
    case PROP_PRESET_DIR:
        g_value_set_string(pValue, self->pszPresetDir);
        break;
    case PROP_LADSPA_PATH:
        g_value_set_string(pValue, self->pszLadspaPath);
        break;
    case PROP_BLOCK_SIZE:
        g_value_set_uint(pValue, self->nBlockSize);
        break;
    case PROP_LOG_LEVEL:
        g_value_set_int(pValue, self->nLogLevel);
        break;
    case PROP_DTMF:
        g_value_set_boolean(pValue, self->bDtmf);
        break;
    default:
        G_OBJECT_WARN_INVALID_PROPERTY_ID(pObject, nId, pSpec);
        break;
    }
    GST_OBJECT_UNLOCK(self);
}

/* ------------------------------------------------------------ life cycle */

static GstStateChangeReturn change_state(GstElement* pElement, GstStateChange transition)
{
    GstVocalith* self = GST_VOCALITH(pElement);
    if (transition == GST_STATE_CHANGE_READY_TO_PAUSED) {
        gst_segment_init(&self->segment, GST_FORMAT_TIME);
        restart_stream(self);
    }
    const GstStateChangeReturn result = GST_ELEMENT_CLASS(gst_vocalith_parent_class)->change_state(pElement, transition);
    if (transition == GST_STATE_CHANGE_PAUSED_TO_READY) {
        destroy_converter(self);
        gst_caps_replace(&self->pInCaps, NULL);
        self->pInFormat = NULL;
        self->pOutFormat = NULL;
    }
    return result;
}

static void finalize(GObject* pObject)
{
    GstVocalith* self = GST_VOCALITH(pObject);
    destroy_converter(self);
    gst_caps_replace(&self->pInCaps, NULL);
    g_mutex_clear(&self->lockConverter);
    g_byte_array_unref(self->pPending);
    g_free(self->pszPreset);
    g_free(self->pszPresetXml);
    g_free(self->pszPresetDir);
    g_free(self->pszLadspaPath);
    G_OBJECT_CLASS(gst_vocalith_parent_class)->finalize(pObject);
}

static void gst_vocalith_init(GstVocalith* self)
{
    GstElementClass* pClass = GST_ELEMENT_GET_CLASS(self);
    self->pSinkPad = gst_pad_new_from_template(gst_element_class_get_pad_template(pClass, "sink"), "sink");
    gst_pad_set_chain_function(self->pSinkPad, chain);
    gst_pad_set_event_function(self->pSinkPad, sink_event);
    gst_pad_set_query_function(self->pSinkPad, sink_query);
    gst_element_add_pad(GST_ELEMENT(self), self->pSinkPad);
    self->pSrcPad = gst_pad_new_from_template(gst_element_class_get_pad_template(pClass, "src"), "src");
    gst_pad_set_query_function(self->pSrcPad, src_query);
    gst_pad_use_fixed_caps(self->pSrcPad);
    gst_element_add_pad(GST_ELEMENT(self), self->pSrcPad);

    self->pszPresetDir = g_strdup(VOCALITH_GST_PRESET_DIR);
    self->nLogLevel = 2;
    g_mutex_init(&self->lockConverter);
    self->pPending = g_byte_array_new();
    gst_segment_init(&self->segment, GST_FORMAT_TIME);
    restart_stream(self);
}

static void gst_vocalith_class_init(GstVocalithClass* pClass)
{
    GObjectClass* pObjectClass = G_OBJECT_CLASS(pClass);
    GstElementClass* pElementClass = GST_ELEMENT_CLASS(pClass);
    pObjectClass->set_property = set_property;
    pObjectClass->get_property = get_property;
    pObjectClass->finalize = finalize;
    pElementClass->change_state = change_state;

    const GParamFlags flags = G_PARAM_READWRITE | G_PARAM_STATIC_STRINGS;
    g_object_class_install_property(
        pObjectClass, PROP_PRESET,
        g_param_spec_string("preset", "Preset",
                            "JACK Rack preset: a bundled name (robot), a file, or a .xml.gz file; set while playing "
                            "to switch presets between two blocks",
                            NULL, flags | GST_PARAM_MUTABLE_PLAYING));
    g_object_class_install_property(
        pObjectClass, PROP_PRESET_XML,
        g_param_spec_string("preset-xml", "Preset XML",
                            "The preset as JACK Rack XML text (used instead of preset when set); set while playing "
                            "to switch presets",
                            NULL, flags | GST_PARAM_MUTABLE_PLAYING));
    g_object_class_install_property(
        pObjectClass, PROP_PRESET_DIR,
        g_param_spec_string("preset-dir", "Preset directory", "Where preset names are looked up",
                            VOCALITH_GST_PRESET_DIR, flags | GST_PARAM_MUTABLE_READY));
    g_object_class_install_property(
        pObjectClass, PROP_LADSPA_PATH,
        g_param_spec_string("ladspa-path", "LADSPA path",
                            "Directories of LADSPA plugin libraries separated by ':' (unset: LADSPA_PATH, else the "
                            "built-in list)",
                            NULL, flags | GST_PARAM_MUTABLE_READY));
    g_object_class_install_property(
        pObjectClass, PROP_BLOCK_SIZE,
        g_param_spec_uint("block-size", "Block size",
                          "Filter block in samples per channel (0: the samples of the first input buffer, so that "
                          "each input packet gives one output packet)",
                          0, 65536, 0, flags | GST_PARAM_MUTABLE_READY));
    g_object_class_install_property(
        pObjectClass, PROP_LOG_LEVEL,
        g_param_spec_int("log-level", "Log level",
                         "Library log lines kept for the debug log: 0 none, 1 errors, 2 warnings, 3 notes, 4 info, "
                         "5 debug",
                         0, 5, 2, flags | GST_PARAM_MUTABLE_READY));
    g_object_class_install_property(
        pObjectClass, PROP_DTMF,
        g_param_spec_boolean("dtmf", "DTMF",
                             "Post a \"dtmf-event\" element message for every key found in the input (channel 0)",
                             FALSE, flags | GST_PARAM_MUTABLE_PLAYING));

    /**
     * GstVocalith::set-control:
     * Sets control input `port` (counted among the plugin's control inputs)
     * of chain entry `plugin` from the next block on; FALSE when there is no
     * such control or no converter yet.
     */
    s_signals[SIGNAL_SET_CONTROL] = g_signal_new_class_handler(
        "set-control", G_TYPE_FROM_CLASS(pClass), G_SIGNAL_RUN_LAST | G_SIGNAL_ACTION, G_CALLBACK(set_control), NULL,
        NULL, NULL, G_TYPE_BOOLEAN, 3, G_TYPE_UINT, G_TYPE_UINT, G_TYPE_FLOAT);

    GstCaps* pCaps = vocalith_format_template_caps();
    gst_element_class_add_pad_template(pElementClass,
                                       gst_pad_template_new("sink", GST_PAD_SINK, GST_PAD_ALWAYS, pCaps));
    gst_element_class_add_pad_template(pElementClass, gst_pad_template_new("src", GST_PAD_SRC, GST_PAD_ALWAYS, pCaps));
    gst_caps_unref(pCaps);
    gst_element_class_set_static_metadata(pElementClass, "Voice transformation", "Filter/Effect/Audio/Converter",
                                          "Runs a chain of LADSPA plugins from a JACK Rack preset on voice, transcodes "
                                          "between PCM, G.711 and GSM 06.10, and finds DTMF keys",
                                          "vocalith developers");
}
