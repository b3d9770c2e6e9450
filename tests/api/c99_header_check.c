/* Compiled as C99 with -Wall -Wextra -Werror -pedantic. */
#include <stddef.h>
#include <stdio.h>

#include "vocalith/vocalith.h"

static int on_write(void* pUser, const void* pData, unsigned int nSize)
{
    (void)pUser;
    (void)pData;
    return (int)nSize;
}

int main(void)
{
    vocalith_write_fn pfn = on_write;
    int nLevel = 0;
    if (vocalith_set_property(VOCALITH_PROP_LOG_LEVEL, &nLevel) != 0) {
        fprintf(stderr, "set_property failed\n");
        return 1;
    }
    if (vocalith_get_property(VOCALITH_PROP_LOG_LEVEL, &nLevel) != -1) {
        fprintf(stderr, "get_property should fail\n");
        return 1;
    }
    if (vocalith_convert(NULL, pfn, NULL, VOCALITH_CODEC_ULAW, "", 0, VOCALITH_CODEC_ULAW) != -1) {
        fprintf(stderr, "convert on a null handle should fail\n");
        return 1;
    }
    return 0;
}
