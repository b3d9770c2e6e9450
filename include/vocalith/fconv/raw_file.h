// Headerless samples. Raw data cannot be recognised, carries no codec or
// rate (both 0) and is taken as one channel; reads and writes go straight
// to the stream.
#ifndef VOCALITH_FCONV_RAW_FILE_H
#define VOCALITH_FCONV_RAW_FILE_H

#include "vocalith/export.h"
#include "vocalith/fconv/sound_file.h"

namespace fconv {

class VOCALITH_API raw_file : public sound_file {
public:
    raw_file();  // detached
    explicit raw_file(sound_stream& s);
    ~raw_file() override;

    bool is_suitable(sound_stream& s) override;  // always false
    sound_file* create(sound_stream& s) override;
    void write_header(unsigned nCodec, unsigned nChannels, unsigned nRate) override;  // nothing
    unsigned read(void* pBuf, unsigned nSize) override;
    unsigned write(const void* pBuf, unsigned nSize) override;
    void finish(unsigned nSampleCount) override;  // nothing
    unsigned codec() override;        // 0
    unsigned sample_rate() override;  // 0
    unsigned channels() override;     // 1
};

}  // namespace fconv

#endif
