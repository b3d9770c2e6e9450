// The public header compiles alone as pedantic C99, and its functions link.
#include "vocalith/vocalith.h"

int main(void)
{
    int nLevel = 0;
    return vocalith_set_property(VOCALITH_PROP_LOG_LEVEL, &nLevel) == 0 &&
           vocalith_get_property(VOCALITH_PROP_LOG_LEVEL, &nLevel) == -1 ? 0 : 1;
}
