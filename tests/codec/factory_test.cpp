#include "vocalith/codec/factory.h"

#include <cstring>
#include <string>

#include <gtest/gtest.h>

#include "vocalith/codec/gsm_610.h"
#include "vocalith/codec/pcm_float32.h"

namespace {

using codec::factory;

const codec::id c_nUnknown = static_cast<codec::id>(99);

TEST(CodecFactory, NamesAndAliasesResolveToTheirIds)
{
    const struct {
        const char* pszName;
        codec::id nId;
    } cases[] = {
        {"float32", codec::id_pcm_float32}, {"float", codec::id_pcm_float32},
        {"pcm16le", codec::id_pcm_int16le}, {"pcm", codec::id_pcm_int16le},
        {"pcm16", codec::id_pcm_int16le},   {"pcm16be", codec::id_pcm_int16be},
        {"alaw", codec::id_g711_alaw},      {"ulaw", codec::id_g711_ulaw},
        {"gsm", codec::id_gsm_610},         {"gsm610", codec::id_gsm_610},
        {"gsm0610", codec::id_gsm_610},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(factory::instance().id(c.pszName, c_nUnknown), c.nId) << c.pszName;
        EXPECT_EQ(factory::instance().id(std::string(c.pszName), c_nUnknown), c.nId) << c.pszName;
    }
}

TEST(CodecFactory, UnlistedNamesGiveTheDefault)
{
    // Upper case, prefixes, extensions of a listed name and names between or
    // beyond the table's rows all miss.
    for (const char* pszName : {"", "wav", "ALAW", "Gsm", "pcm1", "pcm16lee", "float3", "a", "zzz",
                                "gsm06100", "ulaw "}) {
        EXPECT_EQ(factory::instance().id(pszName, codec::id_none), codec::id_none) << pszName;
        EXPECT_EQ(factory::instance().id(std::string(pszName), c_nUnknown), c_nUnknown) << pszName;
    }
}

TEST(CodecFactory, NameIsTheBytewiseSmallestAliasWhileCodecsKeepTheirOwn)
{
    const struct {
        codec::id nId;
        const char* pszFactoryName;
        const char* pszOwnName;
    } cases[] = {
        {codec::id_pcm_float32, "float", "float32"}, {codec::id_pcm_int16be, "pcm16be", "pcm16be"},
        {codec::id_pcm_int16le, "pcm", "pcm16le"},   {codec::id_g711_alaw, "alaw", "alaw"},
        {codec::id_g711_ulaw, "ulaw", "ulaw"},       {codec::id_gsm_610, "gsm", "gsm"},
    };
    for (const auto& c : cases) {
        EXPECT_STREQ(factory::instance().name(c.nId, "?"), c.pszFactoryName);
        EXPECT_STREQ(factory::instance().create_encoder(c.nId)->name(), c.pszOwnName);
        EXPECT_STREQ(factory::instance().create_decoder(c.nId)->name(), c.pszOwnName);
        // Every name the factory hands out leads back to its id.
        EXPECT_EQ(factory::instance().id(factory::instance().name(c.nId, "?"), codec::id_none),
                  c.nId);
    }
    const char* pszDefault = "none";
    EXPECT_EQ(factory::instance().name(codec::id_none, pszDefault), pszDefault);
    EXPECT_EQ(factory::instance().name(static_cast<codec::id>(7), pszDefault), pszDefault);
    EXPECT_EQ(factory::instance().name(c_nUnknown, nullptr), nullptr);
}

void expect_format(const codec::block_format& format, codec::id nId)
{
    // Bytes and samples of one block, compressed, indexed by id.
    const codec::block_format table[] = {
        {0, 0, false}, {4, 1, false}, {2, 1, false}, {2, 1, false}, {1, 1, true}, {1, 1, true}, {33, 160, true},
    };
    EXPECT_EQ(format.nBlockBytes, table[nId].nBlockBytes) << "codec " << nId;
    EXPECT_EQ(format.nBlockSamples, table[nId].nBlockSamples) << "codec " << nId;
    EXPECT_EQ(format.bCompressed, table[nId].bCompressed) << "codec " << nId;
}

TEST(CodecFactory, UnknownIdsGiveEmptyPointers)
{
    for (const codec::id nId : {codec::id_none, static_cast<codec::id>(7), c_nUnknown}) {
        EXPECT_FALSE(factory::instance().create_decoder(nId)) << nId;
        EXPECT_FALSE(factory::instance().create_encoder(nId)) << nId;
        EXPECT_FALSE(factory::instance().create_codec(nId)) << nId;
        EXPECT_FALSE(factory::instance().create_codec(nId, codec::id_pcm_int16le)) << nId;
        EXPECT_FALSE(factory::instance().create_codec(codec::id_pcm_int16le, nId)) << nId;
    }
}

TEST(CodecFactory, EqualIdsGiveOnePairDifferentIdsADynamicCodec)
{
    for (std::uint32_t nIn = 1; nIn <= 6; ++nIn) {
        for (std::uint32_t nOut = 1; nOut <= 6; ++nOut) {
            const auto in = static_cast<codec::id>(nIn);
            const auto out = static_cast<codec::id>(nOut);
            const auto pCodec = factory::instance().create_codec(in, out);
            ASSERT_TRUE(pCodec) << nIn << "->" << nOut;
            EXPECT_EQ(pCodec->decoder_id(), in);
            EXPECT_EQ(pCodec->encoder_id(), out);
            EXPECT_STREQ(pCodec->decoder_name(), factory::instance().create_decoder(in)->name());
            EXPECT_STREQ(pCodec->encoder_name(), factory::instance().create_encoder(out)->name());
            expect_format(pCodec->decoder_format(), in);
            expect_format(pCodec->encoder_format(), out);
            const bool bDynamic = dynamic_cast<codec::dynamic_codec*>(pCodec.get()) != nullptr;
            EXPECT_EQ(bDynamic, nIn != nOut) << nIn << "->" << nOut;
        }
    }
    typedef codec::codec_pair<codec::gsm_610::decoder, codec::gsm_610::encoder> gsm_pair;
    typedef codec::codec_pair<codec::pcm_float32::decoder, codec::pcm_float32::encoder> float_pair;
    const auto pGsm = factory::instance().create_codec(codec::id_gsm_610);
    const auto pFloat = factory::instance().create_codec(codec::id_pcm_float32, codec::id_pcm_float32);
    EXPECT_NE(dynamic_cast<gsm_pair*>(pGsm.get()), nullptr);
    EXPECT_NE(dynamic_cast<float_pair*>(pFloat.get()), nullptr);
}

TEST(CodecFactory, JoinedCodecsForwardToTheRightSide)
{
    // pcm16le in, float32 out: decoding reads 16-bit samples, encoding writes
    // floats, so a swapped forward shows in the byte counts.
    const auto pCodec = factory::instance().create_codec(codec::id_pcm_int16le, codec::id_pcm_float32);
    app::sample_buffer buf(1, 64);
    const std::int16_t in[4] = {0, 16384, -16384, -32768};
    const codec::decode_result dec = pCodec->decode(buf, 64, in, sizeof in);
    EXPECT_EQ(dec.nSampleCount, 4u);
    EXPECT_EQ(dec.nRestByteCount, 0u);
    float out[4] = {};
    const codec::encode_result enc = pCodec->encode(out, sizeof out, buf, 4);
    EXPECT_EQ(enc.nByteCount, 16u);
    EXPECT_EQ(out[1], 0.5f);
    EXPECT_EQ(out[2], -0.5f);
    EXPECT_EQ(out[3], -1.0f);
}

}  // namespace
