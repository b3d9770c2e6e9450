#include "vocalith/fconv/file_factory.h"

#include <utility>

#include "fconv/file_error.h"
#include "vocalith/fconv/raw_file.h"
#include "vocalith/fconv/sound_stream.h"
#include "vocalith/fconv/wav_file.h"

namespace fconv {

// Sorted by name in byte order for the binary search.
const app::id_to_string::record file_factory::s_Map[] = {
    {"amr", format_amr},
    {"gsm", format_raw},
    {"raw", format_raw},
    {"wav", format_wav},
};
const std::size_t file_factory::s_nMapSize = sizeof(s_Map) / sizeof(s_Map[0]);

file_factory::file_factory()
{
    m_prototypes.push_back(std::make_unique<raw_file>());
    m_prototypes.push_back(std::make_unique<wav_file>());
}

file_factory::file_factory(std::vector<std::unique_ptr<sound_file>> prototypes)
    : m_prototypes(std::move(prototypes))
{
}

file_factory::~file_factory() = default;
file_factory::file_factory(file_factory&& other) noexcept = default;
file_factory& file_factory::operator=(file_factory&& other) noexcept = default;

unsigned file_factory::id(const char* pszName, unsigned nDefault)
{
    if (pszName == nullptr) return nDefault;
    return app::id_to_string::find_id(s_Map, s_nMapSize, pszName, nDefault);
}

unsigned file_factory::id(const std::string& strName, unsigned nDefault)
{
    return id(strName.c_str(), nDefault);
}

const char* file_factory::name(unsigned nId, const char* pszDefault)
{
    return app::id_to_string::find_name(s_Map, s_nMapSize, nId, pszDefault);
}

unsigned file_factory::get_format_from_filename(const std::string& strName)
{
    std::string::size_type nDot = strName.rfind('.');
    if (nDot == std::string::npos) return format_none;
    std::string::size_type nSlash = strName.rfind('/');
    if (nSlash != std::string::npos && nSlash >= nDot) return format_none;
    return id(strName.c_str() + nDot + 1, format_none);
}

std::unique_ptr<sound_file> file_factory::instantiate(sound_stream& s)
{
    std::vector<sound_file*> suitable;
    for (const auto& pPrototype : m_prototypes) {
        s.top();
        if (pPrototype->is_suitable(s)) suitable.push_back(pPrototype.get());
    }
    if (suitable.empty()) return nullptr;
    if (suitable.size() == 1) {
        s.top();
        return std::unique_ptr<sound_file>(suitable.front()->create(s));
    }
    std::string strNames;
    for (sound_file* pFile : suitable) {
        if (!strNames.empty()) strNames += ',';
        strNames += name(pFile->id(), "");
    }
    file_error::raise(file_error::several_formats,
                      "Cannot recognize file format, several formats are suitable: %s",
                      strNames.c_str());
}

std::unique_ptr<sound_file> file_factory::instantiate(unsigned nId, sound_stream& s)
{
    for (const auto& pPrototype : m_prototypes) {
        if (pPrototype->id() != nId) continue;
        s.top();
        return std::unique_ptr<sound_file>(pPrototype->create(s));
    }
    return nullptr;
}

}  // namespace fconv
