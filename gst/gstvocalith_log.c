#include "gstvocalith_log.h"

#include <vocalith/vocalith.h>

GST_DEBUG_CATEGORY(gst_vocalith_debug);

/* The library's levels 1 error .. 5 debug. Its lines already carry their
 * level tag; they are passed on unchanged. */
static void on_log_line(void* pUser, int nLevel, const char* pszLine)
{
    static const GstDebugLevel c_levels[] = {GST_LEVEL_ERROR, GST_LEVEL_ERROR, GST_LEVEL_WARNING,
                                             GST_LEVEL_INFO,  GST_LEVEL_INFO,  GST_LEVEL_DEBUG};
    (void)pUser;
    const GstDebugLevel level = c_levels[CLAMP(nLevel, 0, 5)];
    GST_CAT_LEVEL_LOG(gst_vocalith_debug, level, NULL, "%s", pszLine);
}

void gst_vocalith_log_init(void)
{
    GST_DEBUG_CATEGORY_INIT(gst_vocalith_debug, "vocalith", 0, "vocalith voice transformation");
    vocalith_set_log_handler(on_log_line, NULL);
}
