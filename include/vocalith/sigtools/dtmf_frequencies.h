// The two frequency groups of DTMF signalling, in hertz.
#ifndef VOCALITH_SIGTOOLS_DTMF_FREQUENCIES_H
#define VOCALITH_SIGTOOLS_DTMF_FREQUENCIES_H

#include "vocalith/export.h"

namespace sigtools {
namespace dtmf {

// Rows of the keypad, low to high: 697, 770, 852, 941 Hz.
VOCALITH_API extern const float c_loFreq[4];
// Columns of the keypad, low to high: 1209, 1336, 1477, 1633 Hz.
VOCALITH_API extern const float c_hiFreq[4];

// The key at row nLo (0..3, index into c_loFreq) and column nHi (0..3, index
// into c_hiFreq), as its ASCII character; 0 for an index out of range.
VOCALITH_API int key_at(unsigned int nLo, unsigned int nHi);

}  // namespace dtmf
}  // namespace sigtools

#endif
