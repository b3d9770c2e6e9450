// Every encoder with random samples (NaN, infinities, huge and tiny values
// among them), random room, channel count and offset, called again and again
// as the engine calls it while the output area runs full. Checks that nothing
// past the reported bytes is written, that the counts add up, and that the
// bytes equal those of a second encoder fed the same samples with NaN made 0
// and infinities made full scale: garbage never reaches the output. The
// 16-bit codecs are also checked against the scale rule itself.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>
#include <memory>
#include <vector>

#include "fuzz_input.h"
#include "vocalith/codec/factory.h"

namespace {

const std::uint8_t c_nUntouched = 0xA5;

float next_sample(fuzz::input& in)
{
    static const float c_aSpecial[] = {
        0.0f, -0.0f, 1.0f, -1.0f, 0.5f, 32767.0f / 32768.0f, 1.0f + 1.0f / 65536.0f,
        1.0f / 65536.0f, 3.0f / 65536.0f, -1.0f / 65536.0f, 1e30f, -1e30f,
        std::numeric_limits<float>::max(), std::numeric_limits<float>::lowest(),
        std::numeric_limits<float>::denorm_min(), std::numeric_limits<float>::infinity(),
        -std::numeric_limits<float>::infinity(), std::numeric_limits<float>::quiet_NaN(),
        -std::numeric_limits<float>::quiet_NaN(), std::numeric_limits<float>::signaling_NaN()};
    const std::uint8_t nKind = in.byte();
    if (nKind < 0x80) {
        return c_aSpecial[nKind % (sizeof c_aSpecial / sizeof c_aSpecial[0])];
    }
    if (nKind < 0xC0) {
        // Near full scale, where rounding and saturation meet.
        return static_cast<float>(static_cast<std::int16_t>(in.u16())) / 32768.0f +
               static_cast<float>(in.byte()) / (256.0f * 32768.0f);
    }
    const std::uint32_t nBits = in.u32();
    float f;
    std::memcpy(&f, &nBits, sizeof f);
    return f;
}

float sanitised(float f)
{
    if (std::isnan(f)) {
        return 0.0f;
    }
    if (std::isinf(f)) {
        return f > 0 ? 1.0f : -1.0f;
    }
    return f;
}

std::int16_t scale_rule(float f)
{
    double x = std::isnan(f) ? 0.0 : static_cast<double>(f) * 32768.0;
    x = x < -32768.0 ? -32768.0 : x > 32767.0 ? 32767.0 : x;
    return static_cast<std::int16_t>(std::nearbyint(x));
}

void check_pcm16(const codec::encoder& enc, const app::sample_buffer& in, const std::uint8_t* pOut,
                 std::uint32_t nFrames)
{
    const bool bBig = enc.id() == codec::id_pcm_int16be;
    const std::uint32_t nChannels = in.channel_count();
    for (std::uint32_t i = 0; i < nFrames; ++i) {
        for (std::uint32_t c = 0; c < nChannels; ++c) {
            const std::uint8_t* p = pOut + (static_cast<std::size_t>(i) * nChannels + c) * 2;
            const std::uint16_t nBits =
                bBig ? static_cast<std::uint16_t>(p[0] << 8 | p[1]) : static_cast<std::uint16_t>(p[1] << 8 | p[0]);
            FUZZ_CHECK(static_cast<std::int16_t>(nBits) == scale_rule(in.data(c)[i]));
        }
    }
}

void check_float32(const app::sample_buffer& in, const std::uint8_t* pOut, std::uint32_t nFrames)
{
    const std::uint32_t nChannels = in.channel_count();
    for (std::uint32_t i = 0; i < nFrames; ++i) {
        for (std::uint32_t c = 0; c < nChannels; ++c) {
            float f;
            std::memcpy(&f, pOut + (static_cast<std::size_t>(i) * nChannels + c) * 4, sizeof f);
            const float fExpected = sanitised(in.data(c)[i]);
            FUZZ_CHECK(std::memcmp(&f, &fExpected, sizeof f) == 0);
        }
    }
}

void check_call(const codec::encoder& enc, std::uint32_t nChannels, std::uint32_t nCapacity,
                std::uint32_t nSampleCount, const codec::encode_result& result,
                const std::vector<std::uint8_t>& out)
{
    const codec::block_format format = enc.format();
    const std::uint32_t nUnitBytes = format.nBlockBytes * (format.bCompressed ? 1 : nChannels);

    FUZZ_CHECK(result.nByteCount <= nCapacity);
    FUZZ_CHECK(result.nRestSampleCount <= nSampleCount);
    const std::uint32_t nConsumed = nSampleCount - result.nRestSampleCount;
    FUZZ_CHECK(nConsumed % format.nBlockSamples == 0);
    FUZZ_CHECK(result.nByteCount == nConsumed / format.nBlockSamples * nUnitBytes);
    if (result.nRestSampleCount >= format.nBlockSamples) {
        FUZZ_CHECK(result.nByteCount + nUnitBytes > nCapacity);
        FUZZ_CHECK(result.bMore);
    }
    if (!result.bMore) {
        FUZZ_CHECK(result.nRestSampleCount < format.nBlockSamples);
    }
    for (std::size_t i = result.nByteCount; i < out.size(); ++i) {
        FUZZ_CHECK(out[i] == c_nUntouched);
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* pData, std::size_t nSize)
{
    fuzz::input in(pData, nSize);
    const codec::id nId = static_cast<codec::id>(in.range(1, 6));
    const std::uint32_t nChannels = in.byte() < 240 ? in.range(1, 8) : in.range(9, 1100);
    const std::uint32_t nSampleCount = nChannels <= 8 ? in.range(0, 2048) : in.range(0, 40);
    const std::uint32_t nCapacity = in.range(0, 9000);
    const std::uint32_t nOffset = in.range(0, 40);

    app::sample_buffer raw(nChannels, nOffset + nSampleCount);
    app::sample_buffer clean(nChannels, nOffset + nSampleCount);
    raw.clear(0, raw.capacity());
    clean.clear(0, clean.capacity());
    raw.set_offset(nOffset);
    clean.set_offset(nOffset);
    for (std::uint32_t c = 0; c < nChannels; ++c) {
        for (std::uint32_t i = 0; i < nSampleCount; ++i) {
            raw.data(c)[i] = next_sample(in);
            clean.data(c)[i] = sanitised(raw.data(c)[i]);
        }
    }
    const app::sample_buffer original(raw);

    auto& factory = codec::factory::instance();
    std::unique_ptr<codec::encoder> enc = factory.create_encoder(nId);
    std::unique_ptr<codec::encoder> reference = factory.create_encoder(nId);
    FUZZ_CHECK(enc != nullptr && reference != nullptr && enc->id() == nId);

    std::uint32_t nLeft = nSampleCount;
    for (;;) {
        // Exactly the capacity on the heap, so an overrun is caught.
        std::vector<std::uint8_t> out(nCapacity, c_nUntouched);
        std::vector<std::uint8_t> expected(nCapacity, c_nUntouched);
        const codec::encode_result result = enc->encode(out.data(), nCapacity, raw, nLeft);
        check_call(*enc, nChannels, nCapacity, nLeft, result, out);
        FUZZ_CHECK(raw.offset() == original.offset() + (nSampleCount - nLeft));

        const codec::encode_result cleanResult = reference->encode(expected.data(), nCapacity, clean, nLeft);
        FUZZ_CHECK(cleanResult.nByteCount == result.nByteCount);
        FUZZ_CHECK(std::equal(out.begin(), out.begin() + result.nByteCount, expected.begin()));

        const std::uint32_t nConsumed = nLeft - result.nRestSampleCount;
        if (nId == codec::id_pcm_int16le || nId == codec::id_pcm_int16be) {
            check_pcm16(*enc, raw, out.data(), nConsumed);
        } else if (nId == codec::id_pcm_float32) {
            check_float32(raw, out.data(), nConsumed);
        }
        if (!result.bMore || nConsumed == 0) {
            break;
        }
        raw.advance(nConsumed);
        clean.advance(nConsumed);
        nLeft = result.nRestSampleCount;
    }

    // Encoding reads its samples and leaves them as they were.
    for (std::uint32_t c = 0; c < nChannels; ++c) {
        FUZZ_CHECK(std::memcmp(raw.channels()[c].pBegin, original.channels()[c].pBegin,
                               raw.capacity() * sizeof(float)) == 0);
    }
    return 0;
}
