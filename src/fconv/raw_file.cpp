#include "vocalith/fconv/raw_file.h"

#include "vocalith/fconv/sound_stream.h"

namespace fconv {

raw_file::raw_file() : sound_file(format_raw) {}

raw_file::raw_file(sound_stream& s) : sound_file(s, format_raw) {}

raw_file::~raw_file() = default;

bool raw_file::is_suitable(sound_stream&)
{
    return false;
}

sound_file* raw_file::create(sound_stream& s)
{
    return new raw_file(s);
}

void raw_file::write_header(unsigned, unsigned, unsigned) {}

unsigned raw_file::read(void* pBuf, unsigned nSize)
{
    return stream().read(pBuf, nSize);
}

unsigned raw_file::write(const void* pBuf, unsigned nSize)
{
    return stream().write(pBuf, nSize);
}

void raw_file::finish(unsigned) {}

unsigned raw_file::codec()
{
    return 0;
}

unsigned raw_file::sample_rate()
{
    return 0;
}

unsigned raw_file::channels()
{
    return 1;
}

}  // namespace fconv
