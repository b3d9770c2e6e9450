// Keypad frequencies and the event interfaces' out-of-line destructors.
#include "vocalith/sigtools/dtmf_event.h"
#include "vocalith/sigtools/dtmf_frequencies.h"

namespace sigtools {

dtmf_event::~dtmf_event() = default;

dtmf_key_event::~dtmf_key_event() = default;

namespace dtmf {

const float c_loFreq[4] = {697.0f, 770.0f, 852.0f, 941.0f};
const float c_hiFreq[4] = {1209.0f, 1336.0f, 1477.0f, 1633.0f};

int key_at(unsigned int nLo, unsigned int nHi)
{
    static const char s_aKeys[4][5] = {"123A", "456B", "789C", "*0#D"};
    if (nLo >= 4 || nHi >= 4) {
        return 0;
    }
    return s_aKeys[nLo][nHi];
}

}  // namespace dtmf
}  // namespace sigtools
