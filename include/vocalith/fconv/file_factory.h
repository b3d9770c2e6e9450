// Sound-file formats by name, by file-name extension and by content. The
// factory holds one detached prototype of each format (raw, then WAV) and
// creates sound files on streams; created files belong to the caller. One
// thread at a time per factory; the static lookups may be used from any
// thread.
#ifndef VOCALITH_FCONV_FILE_FACTORY_H
#define VOCALITH_FCONV_FILE_FACTORY_H

#include <cstddef>
#include <memory>
#include <string>
#include <vector>

#include "vocalith/app/id_to_string.h"
#include "vocalith/export.h"
#include "vocalith/fconv/sound_file.h"

namespace fconv {

class sound_stream;

class VOCALITH_API file_factory {
public:
    // Format names, sorted by name in byte order: "amr" 3, "gsm" 1,
    // "raw" 1, "wav" 2.
    static const app::id_to_string::record s_Map[];
    static const std::size_t s_nMapSize;

    file_factory();  // a raw_file and a wav_file prototype
    // Prototypes of the caller's choosing, asked in this order when
    // detecting; none may be null.
    explicit file_factory(std::vector<std::unique_ptr<sound_file>> prototypes);
    ~file_factory();
    file_factory(file_factory&& other) noexcept;
    file_factory& operator=(file_factory&& other) noexcept;
    file_factory(const file_factory&) = delete;
    file_factory& operator=(const file_factory&) = delete;

    // Format id of the exact (case-sensitive) name, else nDefault.
    static unsigned id(const char* pszName, unsigned nDefault);
    static unsigned id(const std::string& strName, unsigned nDefault);
    // First name with that id ("gsm" for 1), else pszDefault.
    static const char* name(unsigned nId, const char* pszDefault);
    // Format id from the text after the last dot of the file name; 0
    // without a dot, with the dot inside a directory (before a "/"), or for
    // an unknown extension. Case-sensitive.
    static unsigned get_format_from_filename(const std::string& strName);

    // The format whose prototype recognises the content from the start of
    // s, positioned for reading; empty when none does. Throws app::exception
    // (FileError) when several do.
    std::unique_ptr<sound_file> instantiate(sound_stream& s);
    // A sound file of that format on s (rewound first); empty for an id
    // without a format class (0, 3 or unknown).
    std::unique_ptr<sound_file> instantiate(unsigned nId, sound_stream& s);

private:
    std::vector<std::unique_ptr<sound_file>> m_prototypes;
};

}  // namespace fconv

#endif
