/* A C99 host built outside the project against an installed vocalith_core:
 * 512 samples of 16-bit PCM through a preset without plugins must come back
 * unchanged, and the library must report the version given as argument. */
#include <stdint.h>
#include <stdio.h>
#include <string.h>
#include <vocalith/vocalith.h>

static unsigned char s_out[4096];
static unsigned int s_nOut = 0;

static int on_output(void* pUser, const void* pData, unsigned int nSize)
{
    (void)pUser;
    if (s_nOut + nSize > sizeof s_out) return -1;
    memcpy(s_out + s_nOut, pData, nSize);
    s_nOut += nSize;
    return (int)nSize;
}

int main(int argc, char** argv)
{
    const char* pszPreset = "<?xml version=\"1.0\"?>\n<jackrack><channels>1</channels></jackrack>\n";
    unsigned char in[1024];
    unsigned int i;
    int32_t nLevel = 1;
    if (argc != 2) {
        fprintf(stderr, "usage: %s VERSION\n", argv[0]);
        return 2;
    }
    for (i = 0; i < sizeof in; ++i) in[i] = (unsigned char)(i * 7 + 3);
    vocalith_set_property(VOCALITH_PROP_LOG_LEVEL, &nLevel);
    vocalith_set_property(VOCALITH_PROP_LADSPA_DIR, "/nonexistent");
    void* pConverter = vocalith_init_string(1, 8000, pszPreset);
    if (pConverter == NULL) return 1;
    int nStatus = vocalith_convert(pConverter, on_output, NULL, VOCALITH_CODEC_PCM16LE, in, sizeof in,
                                   VOCALITH_CODEC_PCM16LE);
    vocalith_fini(pConverter);
    if (nStatus != 0 || s_nOut != sizeof in || memcmp(in, s_out, sizeof in) != 0) {
        fprintf(stderr, "conversion: status %d, %u bytes, %s\n", nStatus, s_nOut,
                s_nOut == sizeof in && memcmp(in, s_out, sizeof in) == 0 ? "same" : "changed");
        return 1;
    }
    if (strcmp(vocalith_version(), argv[1]) != 0) {
        fprintf(stderr, "version %s, not %s\n", vocalith_version(), argv[1]);
        return 1;
    }
    printf("vocalith %s: 512 samples through\n", vocalith_version());
    return 0;
}
