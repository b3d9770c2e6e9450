// Changes an input's sample rate (libsoxr) and channel count before the
// preset runs, so that the preset runs at the rate and on the channels of
// the output. Hands on interleaved 32-bit float frames, as they are made
// from what the input delivered so far.
#ifndef VOCALITH_TOOL_RESHAPER_H
#define VOCALITH_TOOL_RESHAPER_H

#include <soxr.h>

#include <memory>
#include <string>
#include <vector>

#include "vocalith/app/multibuffer.h"
#include "vocalith/codec/decoder.h"

namespace tool {

class input_file;

// libsoxr's recipe for a --quality name (quick, low, medium, high,
// very-high); throws tool::error for any other.
unsigned long soxr_recipe(const std::string& strQuality);

class reshaper {
public:
    // Reads in about nBlock samples per channel at a time. Channels are mixed
    // down to one by their mean or one is copied to every output channel;
    // other changes of the channel count throw tool::error.
    reshaper(input_file& in, unsigned int nChannels, unsigned int nRate, unsigned long nRecipe,
             unsigned int nBlock);
    ~reshaper();
    reshaper(const reshaper&) = delete;
    reshaper& operator=(const reshaper&) = delete;

    // Up to nSize bytes of whole frames; 0 at the end of the input.
    unsigned int read(void* pBuf, unsigned int nSize);

private:
    struct soxr_deleter {
        void operator()(soxr* p) const { soxr_delete(p); }
    };

    void fill();
    void mix(unsigned int nCount);
    void push(unsigned int nCount, bool bEnd);

    input_file& m_in;
    std::unique_ptr<codec::decoder> m_pDecoder;
    std::unique_ptr<soxr, soxr_deleter> m_pSoxr;  // null when the rate stays
    unsigned int m_nChannels;
    std::vector<unsigned char> m_bytes;
    std::size_t m_nHeld;
    std::uint32_t m_nCapacity;  // samples per channel one read can decode to
    app::sample_buffer m_decoded;
    app::sample_buffer m_mixed;
    std::vector<const float*> m_planes;
    std::vector<float> m_queue;  // interleaved frames not yet handed on
    std::size_t m_nQueueStart;
    std::size_t m_nQueueEnd;
    bool m_bEnd;
};

}  // namespace tool

#endif
