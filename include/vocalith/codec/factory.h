// Codec names and identifiers both ways, and creation of decoders, encoders
// and joined codecs by identifier.
#ifndef VOCALITH_CODEC_FACTORY_H
#define VOCALITH_CODEC_FACTORY_H

#include <memory>
#include <string>

#include "vocalith/codec/abstract_codec.h"
#include "vocalith/codec/decoder.h"
#include "vocalith/codec/encoder.h"
#include "vocalith/codec/id.h"
#include "vocalith/export.h"

namespace codec {

// One process-wide object, s_Factory, over constant tables that are complete
// before any code runs (a static initialiser may use it too) and only read:
// every member may be called from any thread. Names:
//   "float32", "float"           -> id_pcm_float32
//   "pcm16le", "pcm", "pcm16"    -> id_pcm_int16le
//   "pcm16be"                    -> id_pcm_int16be
//   "alaw"                       -> id_g711_alaw
//   "ulaw"                       -> id_g711_ulaw
//   "gsm", "gsm610", "gsm0610"   -> id_gsm_610
class VOCALITH_API factory {
public:
    static factory& instance();

    // Identifier of a name (exact, case-sensitive match), else nDefault.
    codec::id id(const char* pszName, codec::id nDefault) const;
    codec::id id(const std::string& strName, codec::id nDefault) const;
    // The byte-wise smallest name of nId ("float" for id_pcm_float32, "pcm"
    // for id_pcm_int16le), a static string; pszDefault for an unknown id.
    const char* name(codec::id nId, const char* pszDefault) const;

    // A new object owned by the caller, or empty for id_none, an unknown id
    // or a failed allocation.
    std::unique_ptr<decoder> create_decoder(codec::id nId) const;
    std::unique_ptr<encoder> create_encoder(codec::id nId) const;
    // Equal ids give one codec_pair, different ids a dynamic_codec; empty if
    // either id is unknown.
    std::unique_ptr<abstract_codec> create_codec(codec::id nInput, codec::id nOutput) const;
    std::unique_ptr<abstract_codec> create_codec(codec::id nId) const;

    // Nothing to copy: all state is static.
    factory& operator=(const factory&) { return *this; }

    static factory s_Factory;

private:
    factory();
    factory(const factory&) = default;
};

}  // namespace codec

#endif
