#include "gstvocalith_preset.h"

#include <string.h>

gchar* gst_vocalith_resolve_preset(const gchar* pszName, const gchar* pszDir)
{
    static const char* const c_suffixes[] = {"", ".xml", ".xml.gz"};
    if (pszName == NULL) {
        return NULL;
    }
    if (g_file_test(pszName, G_FILE_TEST_IS_REGULAR) || pszDir == NULL || strchr(pszName, '/') != NULL) {
        return g_strdup(pszName);
    }
    for (guint i = 0; i < G_N_ELEMENTS(c_suffixes); ++i) {
        gchar* pszFile = g_strconcat(pszName, c_suffixes[i], NULL);
        gchar* pszPath = g_build_filename(pszDir, pszFile, NULL);
        g_free(pszFile);
        if (g_file_test(pszPath, G_FILE_TEST_IS_REGULAR)) {
            return pszPath;
        }
        g_free(pszPath);
    }
    return g_strdup(pszName);
}
