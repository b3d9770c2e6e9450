// Finds where a DTMF key began. The detector reports a key once it is sure,
// some time after the tones started (or after they ended); this looks back
// over the recent samples for the stretch where the key's two frequencies
// carry the signal's energy.
#ifndef VOCALITH_TOOL_KEY_ONSET_H
#define VOCALITH_TOOL_KEY_ONSET_H

#include <cstdint>
#include <vector>

namespace tool {

class key_onset {
public:
    // Keeps the last two seconds of nRate Hz samples.
    explicit key_onset(unsigned int nRate);

    // Appends samples (any scale) to the history.
    void feed(const float* pSamples, unsigned int nCount);
    // Samples fed so far.
    std::uint64_t position() const { return m_nPosition; }

    // Sample index at which the tones of key (an ASCII key character) began,
    // searching back from the newest sample; the newest position when the
    // history holds no such stretch or the character is no key.
    std::uint64_t find_start(char key) const;

    // Window of the analysis and step of the search, in samples at 8000 Hz.
    static const unsigned int c_nWindow = 80;
    static const unsigned int c_nStep = 4;

private:
    // Whether the key's frequencies hold at least half of the energy of the
    // window of c_nWindow samples that ends at nEnd.
    bool key_dominates(std::uint64_t nEnd, double fLow, double fHigh) const;
    float at(std::uint64_t nIndex) const { return m_history[nIndex % m_history.size()]; }

    unsigned int m_nRate;
    std::vector<float> m_history;  // ring buffer indexed by absolute position
    std::uint64_t m_nPosition;
};

// The low and high frequency of a key character, in Hz; false for others.
bool key_frequencies(char key, double& fLow, double& fHigh);

}  // namespace tool

#endif
