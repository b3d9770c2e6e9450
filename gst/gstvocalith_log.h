/* The element's debug category and the library's log lines routed into it. */
#ifndef GST_VOCALITH_LOG_H
#define GST_VOCALITH_LOG_H

#include <gst/gst.h>

G_BEGIN_DECLS

GST_DEBUG_CATEGORY_EXTERN(gst_vocalith_debug);

/* Creates the category "vocalith" and hands the library's log handler to it.
 * The handler is the process's one: every converter's lines go there. */
void gst_vocalith_log_init(void);

G_END_DECLS

#endif
