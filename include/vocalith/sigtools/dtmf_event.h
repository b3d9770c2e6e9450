// Receiver of the keys a DTMF detector recognises.
#ifndef VOCALITH_SIGTOOLS_DTMF_EVENT_H
#define VOCALITH_SIGTOOLS_DTMF_EVENT_H

#include "vocalith/export.h"

namespace sigtools {

class VOCALITH_API dtmf_event {
public:
    // Called once per key press, on the thread that called detect and before
    // detect returns. nTone is the key's ASCII character: '0'..'9', '*', '#'
    // or 'A'..'D'. Must not call detect or reset of the detector reporting.
    virtual void on_tone(int nTone) = 0;

    virtual ~dtmf_event();
};

}  // namespace sigtools

#endif
