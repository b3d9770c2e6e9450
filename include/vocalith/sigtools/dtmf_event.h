// Receivers of the keys a DTMF detector recognises.
#ifndef VOCALITH_SIGTOOLS_DTMF_EVENT_H
#define VOCALITH_SIGTOOLS_DTMF_EVENT_H

#include <cstdint>

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

// A receiver that also learns where each press lies in the stream. The
// detector calls on_tone as soon as it is sure of a key, and on_key once the
// press has ended: after the pause that releases it, when another key
// follows, or at the end of the stream (detect with bEnd). Presses are
// reported in the order they happened, each on_key after its on_tone.
class VOCALITH_API dtmf_key_event : public dtmf_event {
public:
    // nOnset is the first sample of the tones, nEnd one past the last, both
    // counted in samples fed to the detector since it was built; within a
    // few milliseconds of the truth whatever the pieces the stream came in.
    virtual void on_key(int nTone, std::uint64_t nOnset, std::uint64_t nEnd) = 0;

    ~dtmf_key_event() override;
};

}  // namespace sigtools

#endif
