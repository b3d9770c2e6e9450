#include "vocalith/codec/factory.h"

#include <algorithm>
#include <iterator>
#include <new>
#include <utility>

#include "vocalith/app/id_to_string.h"
#include "vocalith/codec/g711_alaw.h"
#include "vocalith/codec/g711_ulaw.h"
#include "vocalith/codec/gsm_610.h"
#include "vocalith/codec/pcm_float32.h"
#include "vocalith/codec/pcm_int16be.h"
#include "vocalith/codec/pcm_int16le.h"

namespace codec {
namespace {

typedef decoder* (*decoder_creator)();
typedef encoder* (*encoder_creator)();
typedef abstract_codec* (*pair_creator)();

struct creator_row {
    std::uint32_t nId;
    decoder_creator pDecoder;
    encoder_creator pEncoder;
};

struct pair_row {
    std::uint32_t nInput;
    std::uint32_t nOutput;
    pair_creator pCreate;
};

// Allocation failure gives an empty pointer rather than an exception: codec
// creation reports failure through its result only.
template <typename T, typename Base>
Base* create()
{
    return new (std::nothrow) T();
}

template <typename D, typename E>
constexpr pair_row pair(codec::id nId)
{
    return pair_row{nId, nId, create<codec_pair<D, E>, abstract_codec>};
}

// The tables are constants, written in the order the lookups need, so that
// they are complete and ordered before any code runs, even a host's own
// static initialiser that creates a converter. The check below keeps them so.

// By name, byte-wise.
constexpr app::id_to_string::record s_names[] = {
    {"alaw", id_g711_alaw},     {"float", id_pcm_float32},  {"float32", id_pcm_float32},
    {"gsm", id_gsm_610},        {"gsm0610", id_gsm_610},    {"gsm610", id_gsm_610},
    {"pcm", id_pcm_int16le},    {"pcm16", id_pcm_int16le},  {"pcm16be", id_pcm_int16be},
    {"pcm16le", id_pcm_int16le}, {"ulaw", id_g711_ulaw},
};

// Row n is id n.
constexpr creator_row s_creators[] = {
    {id_none, nullptr, nullptr},
    {id_pcm_float32, create<pcm_float32::decoder, decoder>, create<pcm_float32::encoder, encoder>},
    {id_pcm_int16be, create<pcm_int16be::decoder, decoder>, create<pcm_int16be::encoder, encoder>},
    {id_pcm_int16le, create<pcm_int16le::decoder, decoder>, create<pcm_int16le::encoder, encoder>},
    {id_g711_alaw, create<g711_alaw::decoder, decoder>, create<g711_alaw::encoder, encoder>},
    {id_g711_ulaw, create<g711_ulaw::decoder, decoder>, create<g711_ulaw::encoder, encoder>},
    {id_gsm_610, create<gsm_610::decoder, decoder>, create<gsm_610::encoder, encoder>},
};

// By input, then output id.
constexpr pair_row s_pairs[] = {
    pair<pcm_float32::decoder, pcm_float32::encoder>(id_pcm_float32),
    pair<pcm_int16be::decoder, pcm_int16be::encoder>(id_pcm_int16be),
    pair<pcm_int16le::decoder, pcm_int16le::encoder>(id_pcm_int16le),
    pair<g711_alaw::decoder, g711_alaw::encoder>(id_g711_alaw),
    pair<g711_ulaw::decoder, g711_ulaw::encoder>(id_g711_ulaw),
    pair<gsm_610::decoder, gsm_610::encoder>(id_gsm_610),
};

constexpr std::size_t c_nNames = std::size(s_names);

constexpr bool pair_less(const pair_row& a, const pair_row& b)
{
    return a.nInput < b.nInput || (a.nInput == b.nInput && a.nOutput < b.nOutput);
}

constexpr int compare_names(const char* a, const char* b)
{
    for (; *a != 0 && *a == *b; ++a, ++b) {
    }
    return static_cast<unsigned char>(*a) - static_cast<unsigned char>(*b);
}

constexpr bool tables_ordered()
{
    for (std::size_t i = 1; i < c_nNames; ++i) {
        if (compare_names(s_names[i - 1].pszName, s_names[i].pszName) >= 0) {
            return false;
        }
    }
    for (std::size_t i = 0; i < std::size(s_creators); ++i) {
        if (s_creators[i].nId != i) {
            return false;
        }
    }
    for (std::size_t i = 1; i < std::size(s_pairs); ++i) {
        if (!pair_less(s_pairs[i - 1], s_pairs[i])) {
            return false;
        }
    }
    return true;
}
static_assert(tables_ordered(), "codec tables out of order");

}  // namespace

factory factory::s_Factory;

factory::factory() = default;

factory& factory::instance() { return s_Factory; }

codec::id factory::id(const char* pszName, codec::id nDefault) const
{
    return static_cast<codec::id>(app::id_to_string::find_id(s_names, c_nNames, pszName, nDefault));
}

codec::id factory::id(const std::string& strName, codec::id nDefault) const
{
    return id(strName.c_str(), nDefault);
}

const char* factory::name(codec::id nId, const char* pszDefault) const
{
    return app::id_to_string::find_name(s_names, c_nNames, nId, pszDefault);
}

std::unique_ptr<decoder> factory::create_decoder(codec::id nId) const
{
    if (nId < 1 || nId >= std::size(s_creators)) {
        return nullptr;
    }
    try {
        return std::unique_ptr<decoder>(s_creators[nId].pDecoder());
    } catch (const std::bad_alloc&) {
        return nullptr;  // libgsm's state among others: no codec, as for an unknown id
    }
}

std::unique_ptr<encoder> factory::create_encoder(codec::id nId) const
{
    if (nId < 1 || nId >= std::size(s_creators)) {
        return nullptr;
    }
    try {
        return std::unique_ptr<encoder>(s_creators[nId].pEncoder());
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
}

std::unique_ptr<abstract_codec> factory::create_codec(codec::id nInput, codec::id nOutput) const
{
    const pair_row key = {nInput, nOutput, nullptr};
    const pair_row* pRow = std::lower_bound(std::begin(s_pairs), std::end(s_pairs), key, pair_less);
    try {
        if (pRow != std::end(s_pairs) && pRow->nInput == nInput && pRow->nOutput == nOutput) {
            return std::unique_ptr<abstract_codec>(pRow->pCreate());
        }
        std::unique_ptr<decoder> pDecoder = create_decoder(nInput);
        std::unique_ptr<encoder> pEncoder = create_encoder(nOutput);
        if (!pDecoder || !pEncoder) {
            return nullptr;
        }
        // If this allocation throws, both unique_ptrs release their objects.
        return std::make_unique<dynamic_codec>(std::move(pDecoder), std::move(pEncoder));
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
}

std::unique_ptr<abstract_codec> factory::create_codec(codec::id nId) const
{
    return create_codec(nId, nId);
}

}  // namespace codec
