/* The vocalith element in a harness: every format pair against the library
 * itself, nothing lost at the end of a stream, live preset and control
 * changes at block boundaries. */
#include <gst/check/gstcheck.h>
#include <gst/check/gstharness.h>
#include <string.h>
#include <vocalith/vocalith.h>

#define RATE 8000
#define BLOCK 160

static const char* s_pszLadspaDir;

/* The LADSPA SDK's amp at a gain. */
#define AMP(gain) "<jackrack><plugin><id>1048</id><enabled>true</enabled><controlrow><value>" gain \
                  "</value></controlrow></plugin></jackrack>"
#define S16_MONO "audio/x-raw, format=S16LE, layout=interleaved, rate=8000, channels=1"

typedef struct {
    const char* pszCaps; /* without rate and channels */
    unsigned int nCodec;
} format;

static const format c_formats[] = {
    {"audio/x-raw, format=S16LE, layout=interleaved", VOCALITH_CODEC_PCM16LE},
    {"audio/x-raw, format=S16BE, layout=interleaved", VOCALITH_CODEC_PCM16BE},
    {"audio/x-raw, format=F32LE, layout=interleaved", VOCALITH_CODEC_FLOAT32},
    {"audio/x-mulaw", VOCALITH_CODEC_ULAW},
    {"audio/x-alaw", VOCALITH_CODEC_ALAW},
    {"audio/x-gsm", VOCALITH_CODEC_GSM610},
};

static int append_bytes(void* pUser, const void* pData, unsigned int nSize)
{
    g_byte_array_append(pUser, pData, nSize);
    return (int)nSize;
}

/* The library's own conversion of a whole stream, the reference. */
static GByteArray* convert_all(const char* pszXml, int nChannels, int nRate, unsigned int nIn, const GByteArray* pData,
                               unsigned int nOut)
{
    const int nBlock = BLOCK;
    vocalith_set_property(VOCALITH_PROP_BLOCK_SIZE, &nBlock);
    vocalith_set_property(VOCALITH_PROP_LADSPA_DIR, s_pszLadspaDir);
    void* pConverter = vocalith_init_string((unsigned)nChannels, (unsigned)nRate, pszXml);
    fail_unless(pConverter != NULL, "%s", vocalith_last_error());
    GByteArray* pResult = g_byte_array_new();
    fail_unless_equals_int(vocalith_convert(pConverter, append_bytes, pResult, nIn, pData->data, pData->len, nOut), 0);
    fail_unless_equals_int(vocalith_flush(pConverter, append_bytes, pResult), 0);
    vocalith_fini(pConverter);
    return pResult;
}

/* Speech-like test sound: two tones and a ramp, 16-bit little-endian. */
static GByteArray* test_sound(int nChannels, int nSamples)
{
    GByteArray* pPcm = g_byte_array_sized_new((guint)(nSamples * nChannels * 2));
    for (int i = 0; i < nSamples; ++i) {
        for (int c = 0; c < nChannels; ++c) {
            const double t = (double)i / RATE;
            const gint16 n = (gint16)(9000 * sin(2 * G_PI * (300 + 50 * c) * t) + 5000 * sin(2 * G_PI * 1270 * t) +
                                      (i % 97) * 20);
            const guint8 b[2] = {(guint8)(n & 0xFF), (guint8)((guint16)n >> 8)};
            g_byte_array_append(pPcm, b, 2);
        }
    }
    return pPcm;
}

static GstHarness* new_harness(const char* pszXml, guint nBlock)
{
    GstElement* pElement = gst_element_factory_make("vocalith", NULL);
    fail_unless(pElement != NULL);
    g_object_set(pElement, "preset-xml", pszXml, "ladspa-path", s_pszLadspaDir, "block-size", nBlock, NULL);
    GstHarness* pH = gst_harness_new_with_element(pElement, "sink", "src");
    gst_object_unref(pElement);
    return pH;
}

static GstHarness* s16_harness(const char* pszXml)
{
    GstHarness* pH = new_harness(pszXml, BLOCK);
    gst_harness_set_caps_str(pH, S16_MONO, S16_MONO);
    return pH;
}

static GstCaps* caps_of(const format* pFormat, int nRate, int nChannels)
{
    gchar* psz = g_strdup_printf("%s, rate=%d, channels=%d", pFormat->pszCaps, nRate, nChannels);
    GstCaps* pCaps = gst_caps_from_string(psz);
    g_free(psz);
    return pCaps;
}

/* Pushes bytes in pieces of awkward sizes, then the end of the stream, and
 * returns all output; checks the stamps on the way. */
static GByteArray* run_stream(GstHarness* pH, const GByteArray* pIn, int nRate, guint64* pnSamples)
{
    static const guint c_pieces[] = {77, 160, 333, 1, 4097, 33, 966};
    guint nDone = 0;
    for (guint i = 0; nDone < pIn->len; ++i) {
        const guint n = MIN(c_pieces[i % G_N_ELEMENTS(c_pieces)], pIn->len - nDone);
        GstBuffer* pBuffer = gst_buffer_new_memdup(pIn->data + nDone, n);
        if (nDone == 0) {
            GST_BUFFER_PTS(pBuffer) = 0;
        }
        fail_unless_equals_int(gst_harness_push(pH, pBuffer), GST_FLOW_OK);
        nDone += n;
    }
    fail_unless(gst_harness_push_event(pH, gst_event_new_eos()));
    GByteArray* pOut = g_byte_array_new();
    guint64 nOffset = 0;
    GstBuffer* pBuffer;
    while ((pBuffer = gst_harness_try_pull(pH)) != NULL) {
        fail_unless_equals_uint64(GST_BUFFER_OFFSET(pBuffer), nOffset);
        fail_unless_equals_uint64(GST_BUFFER_PTS(pBuffer), gst_util_uint64_scale_int(nOffset, GST_SECOND, nRate));
        nOffset = GST_BUFFER_OFFSET_END(pBuffer);
        fail_unless_equals_uint64(GST_BUFFER_PTS(pBuffer) + GST_BUFFER_DURATION(pBuffer),
                                  gst_util_uint64_scale_int(nOffset, GST_SECOND, nRate));
        GstMapInfo map;
        gst_buffer_map(pBuffer, &map, GST_MAP_READ);
        g_byte_array_append(pOut, map.data, (guint)map.size);
        gst_buffer_unmap(pBuffer, &map);
        gst_buffer_unref(pBuffer);
    }
    *pnSamples = nOffset;
    return pOut;
}

/* Every input format to every output format, each against the library's
 * own conversion of the same bytes. */
static void check_pair(const format* pIn, const format* pOut, int nChannels, int nRate, int nSamples)
{
    const char* pszXml = AMP("0.5");
    GByteArray* pPcm = test_sound(nChannels, nSamples);
    GByteArray* pInBytes = convert_all("<jackrack></jackrack>", nChannels, nRate, VOCALITH_CODEC_PCM16LE, pPcm,
                                       pIn->nCodec);
    GByteArray* pExpected = convert_all(pszXml, nChannels, nRate, pIn->nCodec, pInBytes, pOut->nCodec);

    GstHarness* pH = new_harness(pszXml, BLOCK);
    GstCaps* pInCaps = caps_of(pIn, nRate, nChannels);
    GstCaps* pOutCaps = caps_of(pOut, nRate, nChannels);
    gst_harness_set_src_caps(pH, gst_caps_ref(pInCaps));
    gst_harness_set_sink_caps(pH, gst_caps_ref(pOutCaps));
    guint64 nOutSamples = 0;
    GByteArray* pGot = run_stream(pH, pInBytes, nRate, &nOutSamples);

    GstCaps* pNegotiated = gst_pad_get_current_caps(pH->sinkpad);
    gchar* pszNegotiated = pNegotiated != NULL ? gst_caps_to_string(pNegotiated) : NULL;
    fail_unless(pNegotiated != NULL && gst_caps_is_equal(pNegotiated, pOutCaps), "%s -> %s: negotiated %s",
                pIn->pszCaps, pOut->pszCaps, pszNegotiated);
    g_free(pszNegotiated);
    fail_unless_equals_int(pGot->len, pExpected->len);
    fail_unless(memcmp(pGot->data, pExpected->data, pExpected->len) == 0, "%s -> %s: bytes differ", pIn->pszCaps,
                pOut->pszCaps);
    /* Whole GSM frames in and out; everything else sample for sample. */
    const guint64 nInSamples = pIn->nCodec == VOCALITH_CODEC_GSM610 ? pInBytes->len / 33 * 160 : (guint64)nSamples;
    const guint64 nWant = pOut->nCodec == VOCALITH_CODEC_GSM610 ? (nInSamples + 159) / 160 * 160 : nInSamples;
    fail_unless_equals_uint64(nOutSamples, nWant);

    gst_caps_unref(pNegotiated);
    gst_caps_unref(pInCaps);
    gst_caps_unref(pOutCaps);
    gst_harness_teardown(pH);
    g_byte_array_unref(pGot);
    g_byte_array_unref(pExpected);
    g_byte_array_unref(pInBytes);
    g_byte_array_unref(pPcm);
}

GST_START_TEST(every_format_pair_matches_the_library)
{
    for (guint i = 0; i < G_N_ELEMENTS(c_formats); ++i) {
        for (guint o = 0; o < G_N_ELEMENTS(c_formats); ++o) {
            check_pair(&c_formats[i], &c_formats[o], 1, RATE, 4001);
        }
    }
    /* PCM carries every channel at any rate. */
    check_pair(&c_formats[0], &c_formats[2], 2, 16000, 3999);
    check_pair(&c_formats[2], &c_formats[1], 3, 44100, 1001);
}
GST_END_TEST;

/* 16-bit samples of constant value, so that every gain shows. */
static GstBuffer* constant_buffer(guint nSamples, gint16 nValue)
{
    GstBuffer* pBuffer = gst_buffer_new_allocate(NULL, nSamples * 2, NULL);
    GstMapInfo map;
    gst_buffer_map(pBuffer, &map, GST_MAP_WRITE);
    for (guint i = 0; i < nSamples; ++i) {
        memcpy(map.data + 2 * i, &nValue, 2);
    }
    gst_buffer_unmap(pBuffer, &map);
    return pBuffer;
}

/* Appends the 16-bit samples of pBuffer, then of every buffer waiting. */
static void pull_samples(GstHarness* pH, GArray* pSamples, GstBuffer* pBuffer)
{
    for (; pBuffer != NULL; pBuffer = gst_harness_try_pull(pH)) {
        GstMapInfo map;
        gst_buffer_map(pBuffer, &map, GST_MAP_READ);
        g_array_append_vals(pSamples, map.data, (guint)(map.size / 2));
        gst_buffer_unmap(pBuffer, &map);
        gst_buffer_unref(pBuffer);
    }
}

/* Index of the first sample from nFrom on that is not nValue. */
static guint first_other(const GArray* pSamples, guint nFrom, gint16 nValue)
{
    guint i = nFrom;
    while (i < pSamples->len && g_array_index(pSamples, gint16, i) == nValue) {
        ++i;
    }
    return i;
}

/* Changes made between two pushes of 100 samples take effect with the
 * converter's next block of 160, not with the next push; a switch that fails
 * keeps the old preset and warns. */
GST_START_TEST(live_changes_take_effect_at_the_next_block)
{
    GstHarness* pH = s16_harness(AMP("1.0"));
    GstBus* pBus = gst_bus_new();
    gst_element_set_bus(pH->element, pBus);
    const gint16 nIn = 16000;
    for (int i = 0; i < 5; ++i) { /* 500 samples: 3 blocks filtered */
        gst_harness_push(pH, constant_buffer(100, nIn));
    }
    g_object_set(pH->element, "preset-xml", AMP("0.5"), NULL);
    for (int i = 0; i < 5; ++i) { /* to 1000: 6 blocks */
        gst_harness_push(pH, constant_buffer(100, nIn));
    }
    gboolean bSet = FALSE;
    g_signal_emit_by_name(pH->element, "set-control", 0u, 0u, 0.25f, &bSet);
    fail_unless(bSet);
    g_signal_emit_by_name(pH->element, "set-control", 0u, 7u, 0.25f, &bSet);
    fail_if(bSet, "a control the plugin does not have was set");
    for (int i = 0; i < 3; ++i) { /* to 1300 */
        gst_harness_push(pH, constant_buffer(100, nIn));
    }
    g_object_set(pH->element, "preset-xml", "<jackrack><plugin><id>", NULL);
    GstMessage* pWarning = gst_bus_pop_filtered(pBus, GST_MESSAGE_WARNING);
    fail_unless(pWarning != NULL, "a failed switch posted no warning");
    gst_message_unref(pWarning);
    gst_harness_push(pH, constant_buffer(300, nIn)); /* to 1600 */

    GArray* pOut = g_array_new(FALSE, FALSE, sizeof(gint16));
    pull_samples(pH, pOut, gst_harness_try_pull(pH));
    fail_unless_equals_int(pOut->len, 1600);
    const guint nHalf = first_other(pOut, 0, nIn);
    fail_unless_equals_int(nHalf, 3 * BLOCK);
    const guint nQuarter = first_other(pOut, nHalf, nIn / 2);
    fail_unless_equals_int(nQuarter, 6 * BLOCK);
    fail_unless_equals_int(first_other(pOut, nQuarter, nIn / 4), 1600);

    g_array_unref(pOut);
    gst_element_set_bus(pH->element, NULL);
    gst_object_unref(pBus);
    gst_harness_teardown(pH);
}
GST_END_TEST;

/* A flushing seek drops what the converter held: the new stream starts
 * clean, its time line from the new segment. */
GST_START_TEST(a_flush_resets_the_stream)
{
    GstHarness* pH = s16_harness(AMP("1.0"));
    gst_harness_push(pH, constant_buffer(100, 1000));
    fail_unless(gst_harness_try_pull(pH) == NULL, "a part block came out");
    gst_harness_push_event(pH, gst_event_new_flush_start());
    gst_harness_push_event(pH, gst_event_new_flush_stop(TRUE));
    GstSegment segment;
    gst_segment_init(&segment, GST_FORMAT_TIME);
    gst_harness_push_event(pH, gst_event_new_segment(&segment));
    GstBuffer* pBuffer = constant_buffer(BLOCK, 2000);
    GST_BUFFER_PTS(pBuffer) = GST_SECOND;
    gst_harness_push(pH, pBuffer);
    GstBuffer* pFirst = gst_harness_pull(pH);
    fail_unless_equals_uint64(GST_BUFFER_PTS(pFirst), GST_SECOND);
    fail_unless_equals_uint64(GST_BUFFER_OFFSET(pFirst), 0);
    fail_unless(GST_BUFFER_FLAG_IS_SET(pFirst, GST_BUFFER_FLAG_DISCONT));
    gst_harness_push_event(pH, gst_event_new_eos());
    GArray* pOut = g_array_new(FALSE, FALSE, sizeof(gint16));
    pull_samples(pH, pOut, pFirst);
    fail_unless_equals_int(pOut->len, BLOCK);
    fail_unless_equals_int(first_other(pOut, 0, 2000), BLOCK);
    g_array_unref(pOut);
    gst_harness_teardown(pH);
}
GST_END_TEST;

/* Without a block size the converter takes the first packet's: each 20 ms
 * packet comes out whole at once, and the delay reported is one packet. */
GST_START_TEST(the_block_follows_the_packets)
{
    GstHarness* pH = new_harness(AMP("1.0"), 0);
    gst_harness_set_caps_str(pH, "audio/x-mulaw, rate=8000, channels=1", "audio/x-mulaw, rate=8000, channels=1");
    gst_harness_set_upstream_latency(pH, 0);
    for (int i = 0; i < 3; ++i) {
        GstBuffer* pPacket = gst_buffer_new_allocate(NULL, 160, NULL);
        gst_buffer_memset(pPacket, 0, (guint8)(0x20 + i), 160);
        gst_harness_push(pH, pPacket);
        GstBuffer* pOut = gst_harness_try_pull(pH);
        fail_unless(pOut != NULL, "packet %d held back", i);
        fail_unless_equals_uint64(gst_buffer_get_size(pOut), 160);
        fail_unless(gst_buffer_memcmp(pOut, 159, (guint8[]){(guint8)(0x20 + i)}, 1) == 0);
        gst_buffer_unref(pOut);
    }
    fail_unless_equals_uint64(gst_harness_query_latency(pH), 20 * GST_MSECOND);
    gst_harness_teardown(pH);
}
GST_END_TEST;

/* Tone onsets in dtmfsrc's output: its first sound after 20 ms or more of
 * silence or of no buffers (each tone's packets open with silence). */
static GstPadProbeReturn record_onset(GstPad* pPad, GstPadProbeInfo* pInfo, gpointer pUser)
{
    static GstClockTime s_nEnd = GST_CLOCK_TIME_NONE;
    static guint s_nQuiet = RATE;
    GstBuffer* pBuffer = GST_PAD_PROBE_INFO_BUFFER(pInfo);
    (void)pPad;
    if (!GST_CLOCK_TIME_IS_VALID(s_nEnd) || GST_BUFFER_PTS(pBuffer) > s_nEnd + GST_MSECOND) {
        s_nQuiet = RATE;
    }
    s_nEnd = GST_BUFFER_PTS(pBuffer) + GST_BUFFER_DURATION(pBuffer);
    GstMapInfo map;
    gst_buffer_map(pBuffer, &map, GST_MAP_READ);
    const gint16* pSamples = (const gint16*)map.data;
    for (gsize i = 0; i < map.size / 2; ++i) {
        if (pSamples[i] == 0) {
            ++s_nQuiet;
            continue;
        }
        if (s_nQuiet >= RATE / 50) {
            const GstClockTime nOnset = GST_BUFFER_PTS(pBuffer) + gst_util_uint64_scale_int(i, GST_SECOND, RATE);
            g_array_append_val((GArray*)pUser, nOnset);
        }
        s_nQuiet = 0;
    }
    gst_buffer_unmap(pBuffer, &map);
    return GST_PAD_PROBE_OK;
}

static void send_tone_event(GstElement* pSource, gint nNumber, gboolean bStart)
{
    GstStructure* pS = gst_structure_new("dtmf-event", "type", G_TYPE_INT, 1, "number", G_TYPE_INT, nNumber, "volume",
                                         G_TYPE_INT, 10, "start", G_TYPE_BOOLEAN, bStart, NULL);
    fail_unless(gst_element_send_event(pSource, gst_event_new_custom(GST_EVENT_CUSTOM_UPSTREAM, pS)));
}

/* Keys from GStreamer's own generator, the silence between them filled in by
 * audiorate, come out as bus messages in order, each with its onset; the
 * last one, still sounding when the stream ends, with the end of the stream. */
GST_START_TEST(keys_from_dtmfsrc_are_posted_in_order_with_their_onsets)
{
    static const gint c_numbers[] = {1, 11, 5, 10, 9, 15, 0};
    static const char c_keys[] = "1#5*9D0";
    GstElement* pPipeline = gst_parse_launch(
        "dtmfsrc name=src ! audio/x-raw,rate=8000 ! audiorate ! vocalith name=v dtmf=true ! fakesink sync=true", NULL);
    fail_unless(pPipeline != NULL);
    GstElement* pSource = gst_bin_get_by_name(GST_BIN(pPipeline), "src");
    GstElement* pVocalith = gst_bin_get_by_name(GST_BIN(pPipeline), "v");
    g_object_set(pVocalith, "preset-xml", "<jackrack></jackrack>", "ladspa-path", s_pszLadspaDir, NULL);
    GArray* pOnsets = g_array_new(FALSE, FALSE, sizeof(GstClockTime));
    GstPad* pPad = gst_element_get_static_pad(pSource, "src");
    gst_pad_add_probe(pPad, GST_PAD_PROBE_TYPE_BUFFER, record_onset, pOnsets, NULL);
    gst_object_unref(pPad);
    fail_if(gst_element_set_state(pPipeline, GST_STATE_PLAYING) == GST_STATE_CHANGE_FAILURE);
    g_usleep(200 * 1000);
    for (guint i = 0; i < G_N_ELEMENTS(c_numbers); ++i) {
        send_tone_event(pSource, c_numbers[i], TRUE);
        g_usleep(300 * 1000);
        send_tone_event(pSource, c_numbers[i], FALSE);
        g_usleep(200 * 1000);
    }
    gst_element_send_event(pPipeline, gst_event_new_eos());
    GstBus* pBus = gst_element_get_bus(pPipeline);
    guint nKeys = 0;
    GstMessage* pMessage;
    /* Waiting for the end drops every message not asked for: keys too. */
    while ((pMessage = gst_bus_timed_pop_filtered(pBus, 10 * GST_SECOND,
                                                  GST_MESSAGE_EOS | GST_MESSAGE_ERROR | GST_MESSAGE_ELEMENT)) != NULL &&
           GST_MESSAGE_TYPE(pMessage) == GST_MESSAGE_ELEMENT) {
        const GstStructure* pS = gst_message_get_structure(pMessage);
        if (gst_structure_has_name(pS, "dtmf-event")) {
            fail_unless(nKeys < G_N_ELEMENTS(c_numbers), "more keys than sent");
            gint nNumber = -1, nType = 0, nMethod = 0;
            guint64 nOnset = 0;
            gst_structure_get(pS, "number", G_TYPE_INT, &nNumber, "type", G_TYPE_INT, &nType, "method", G_TYPE_INT,
                              &nMethod, "onset", G_TYPE_UINT64, &nOnset, NULL);
            fail_unless_equals_int(nNumber, c_numbers[nKeys]);
            fail_unless_equals_int(nType, 1);
            fail_unless_equals_int(nMethod, 2);
            const gchar szKey[2] = {c_keys[nKeys], '\0'};
            fail_unless_equals_string(gst_structure_get_string(pS, "key"), szKey);
            const GstClockTime nTrue = g_array_index(pOnsets, GstClockTime, nKeys);
            fail_unless(nOnset + 10 * GST_MSECOND >= nTrue && nOnset <= nTrue + 10 * GST_MSECOND,
                        "key %c at %" G_GUINT64_FORMAT " ns, its tone began at %" G_GUINT64_FORMAT " ns",
                        c_keys[nKeys], nOnset, nTrue);
            ++nKeys;
        }
        gst_message_unref(pMessage);
    }
    fail_unless(pMessage != NULL && GST_MESSAGE_TYPE(pMessage) == GST_MESSAGE_EOS, "no end of stream");
    gst_message_unref(pMessage);
    fail_unless_equals_int(nKeys, G_N_ELEMENTS(c_numbers));
    fail_unless_equals_int(pOnsets->len, G_N_ELEMENTS(c_numbers));

    gst_object_unref(pBus);
    gst_element_set_state(pPipeline, GST_STATE_NULL);
    g_array_unref(pOnsets);
    gst_object_unref(pSource);
    gst_object_unref(pVocalith);
    gst_object_unref(pPipeline);
}
GST_END_TEST;

static Suite* vocalith_suite(void)
{
    Suite* pSuite = suite_create("vocalith");
    TCase* pCase = tcase_create("element");
    tcase_set_timeout(pCase, 120);
    tcase_add_test(pCase, every_format_pair_matches_the_library);
    tcase_add_test(pCase, live_changes_take_effect_at_the_next_block);
    tcase_add_test(pCase, a_flush_resets_the_stream);
    tcase_add_test(pCase, the_block_follows_the_packets);
    tcase_add_test(pCase, keys_from_dtmfsrc_are_posted_in_order_with_their_onsets);
    suite_add_tcase(pSuite, pCase);
    return pSuite;
}

int main(int argc, char** argv)
{
    /* The LADSPA directory holding only the SDK's amp comes from CTest. */
    s_pszLadspaDir = g_getenv("VOCALITH_TEST_LADSPA_DIR");
    gst_check_init(&argc, &argv);
    return gst_check_run_suite(vocalith_suite(), "vocalith", __FILE__);
}
