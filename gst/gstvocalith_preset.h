/* Preset names as the element's users give them. */
#ifndef GST_VOCALITH_PRESET_H
#define GST_VOCALITH_PRESET_H

#include <glib.h>

G_BEGIN_DECLS

/* The file a preset property names: the name as given when it is a file,
 * else inside pszDir as given or with ".xml" or ".xml.gz" added (bundled
 * presets go by bare names, "robot"). A name found nowhere comes back as
 * given, for the library to report. Free with g_free. */
gchar* gst_vocalith_resolve_preset(const gchar* pszName, const gchar* pszDir);

G_END_DECLS

#endif
