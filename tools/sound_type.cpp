#include "sound_type.h"

#include <sndfile.h>
#include <strings.h>

#include <filesystem>
#include <iterator>

#include "common.h"

namespace tool {

namespace {

constexpr int c_nPcm16 = SF_FORMAT_PCM_16;

// Raw names are sox's and the codec option's own.
const sound_type c_types[] = {
    {"aif", sound_kind::sndfile, codec::id_none, SF_FORMAT_AIFF | c_nPcm16},
    {"aifc", sound_kind::sndfile, codec::id_none, SF_FORMAT_AIFF | c_nPcm16},
    {"aiff", sound_kind::sndfile, codec::id_none, SF_FORMAT_AIFF | c_nPcm16},
    {"al", sound_kind::raw, codec::id_g711_alaw, 0},
    {"alaw", sound_kind::raw, codec::id_g711_alaw, 0},
    {"au", sound_kind::sndfile, codec::id_none, SF_FORMAT_AU | c_nPcm16},
    {"caf", sound_kind::sndfile, codec::id_none, SF_FORMAT_CAF | c_nPcm16},
    {"f32", sound_kind::raw, codec::id_pcm_float32, 0},
    {"f32le", sound_kind::raw, codec::id_pcm_float32, 0},
    {"flac", sound_kind::sndfile, codec::id_none, SF_FORMAT_FLAC | c_nPcm16},
    {"float32", sound_kind::raw, codec::id_pcm_float32, 0},
    {"gsm", sound_kind::raw, codec::id_gsm_610, 0},
    {"mp3", sound_kind::sndfile, codec::id_none, SF_FORMAT_MPEG | SF_FORMAT_MPEG_LAYER_III},
    {"mulaw", sound_kind::raw, codec::id_g711_ulaw, 0},
    {"oga", sound_kind::sndfile, codec::id_none, SF_FORMAT_OGG | SF_FORMAT_VORBIS},
    {"ogg", sound_kind::sndfile, codec::id_none, SF_FORMAT_OGG | SF_FORMAT_VORBIS},
    {"opus", sound_kind::sndfile, codec::id_none, SF_FORMAT_OGG | SF_FORMAT_OPUS},
    {"pcm16be", sound_kind::raw, codec::id_pcm_int16be, 0},
    {"pcm16le", sound_kind::raw, codec::id_pcm_int16le, 0},
    {"raw", sound_kind::raw, codec::id_none, 0},
    {"rf64", sound_kind::sndfile, codec::id_none, SF_FORMAT_RF64 | c_nPcm16},
    {"s16", sound_kind::raw, codec::id_pcm_int16le, 0},
    {"snd", sound_kind::sndfile, codec::id_none, SF_FORMAT_AU | c_nPcm16},
    {"sw", sound_kind::raw, codec::id_pcm_int16le, 0},
    {"ul", sound_kind::raw, codec::id_g711_ulaw, 0},
    {"ulaw", sound_kind::raw, codec::id_g711_ulaw, 0},
    {"w64", sound_kind::sndfile, codec::id_none, SF_FORMAT_W64 | c_nPcm16},
    {"wav", sound_kind::wav, codec::id_none, SF_FORMAT_WAV | c_nPcm16},
};

}  // namespace

const sound_type* find_type(const std::string& strName)
{
    for (const sound_type& type : c_types) {
        if (::strcasecmp(type.pszName, strName.c_str()) == 0) {
            return &type;
        }
    }
    return nullptr;
}

std::string extension(const std::string& strPath)
{
    const std::string strName = std::filesystem::path(strPath).filename().string();
    const std::size_t nDot = strName.rfind('.');
    return nDot == std::string::npos ? std::string() : strName.substr(nDot + 1);
}

const sound_type* type_of(const std::string& strPath, const std::string& strType)
{
    if (!strType.empty()) {
        const sound_type* pType = find_type(strType);
        if (!pType) {
            throw error(format("-t %s: unknown file type", strType.c_str()));
        }
        return pType;
    }
    std::string strExt = strPath == "-" ? std::string() : extension(strPath);
    if (strExt.empty()) {
        return nullptr;
    }
    const sound_type* pType = find_type(strExt);
    if (!pType) {
        throw error(format("%s: unknown file type '%s' (name it with -t TYPE)", strPath.c_str(), strExt.c_str()));
    }
    return pType;
}

}  // namespace tool
