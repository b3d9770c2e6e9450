// The one table of sound file types the command knows: a type comes from
// -t/--type when given, else from the file name's extension, and is looked
// up without regard to case. Each type says who carries it: the library's
// WAV or raw files, or libsndfile for every other container.
#ifndef VOCALITH_TOOL_SOUND_TYPE_H
#define VOCALITH_TOOL_SOUND_TYPE_H

#include <string>

#include "vocalith/codec/id.h"

namespace tool {

enum class sound_kind {
    wav,      // RIFF/WAVE; the library's file where its header allows, else libsndfile
    raw,      // headerless samples through the library's raw file
    sndfile,  // any other container, read and written by libsndfile
};

struct sound_type {
    const char* pszName;  // lower case, as given to -t or as an extension
    sound_kind kind;
    codec::id nCodec;  // raw: the samples' codec; id_none leaves it to the codec options
    int nSfFormat;     // sndfile: major format and the subtype written by default
};

// The type named strName in any case, or null.
const sound_type* find_type(const std::string& strName);

// The type of a file: strType when it is not empty, else the extension of
// strPath (none for "-"). Null when no type is named; throws tool::error for
// a strType or extension that names no known type.
const sound_type* type_of(const std::string& strPath, const std::string& strType);

// Text after the last dot of the file name, or empty.
std::string extension(const std::string& strPath);

}  // namespace tool

#endif
