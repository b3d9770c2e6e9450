#include "vocalith/fconv/sound_file.h"

namespace fconv {

sound_file::sound_file() : m_pStream(nullptr), m_nId(format_none) {}

sound_file::sound_file(unsigned nId) : m_pStream(nullptr), m_nId(nId) {}

sound_file::sound_file(sound_stream& s, unsigned nId) : m_pStream(&s), m_nId(nId) {}

sound_file::~sound_file() = default;

sound_stream* sound_file::detach()
{
    sound_stream* pStream = m_pStream;
    m_pStream = nullptr;
    return pStream;
}

}  // namespace fconv
