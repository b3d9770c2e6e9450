/* The plugin: registers the element and sends the library's log lines to
 * GStreamer's debug log. */
#include <gst/gst.h>
#include <vocalith/vocalith.h>

#include "gstvocalith.h"
#include "gstvocalith_log.h"

static gboolean plugin_init(GstPlugin* pPlugin)
{
    gst_vocalith_log_init();
    return gst_element_register(pPlugin, "vocalith", GST_RANK_NONE, GST_TYPE_VOCALITH);
}

GST_PLUGIN_DEFINE(GST_VERSION_MAJOR, GST_VERSION_MINOR, vocalith,
                  "Voice transformation through chains of LADSPA plugins, with DTMF detection", plugin_init,
                  VOCALITH_GST_VERSION, "MIT", "vocalith", "vocalith_core")
