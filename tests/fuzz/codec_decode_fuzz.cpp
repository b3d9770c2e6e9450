// Every decoder with random bytes, random room, channel count and offset, fed
// in random pieces the way the engine feeds it. Checks that nothing outside
// the reported samples is written, that the counts add up, that a decoder
// consumes all it has room for, and that integer codecs stay within full
// scale.
#include <algorithm>
#include <cstdint>
#include <cstring>
#include <memory>
#include <vector>

#include "fuzz_input.h"
#include "vocalith/codec/factory.h"

namespace {

// A value no decoder produces: it marks samples that must stay untouched.
const float c_fUntouched = 1234.5f;

void fill(app::sample_buffer& buf)
{
    for (std::uint32_t c = 0; c < buf.channel_count(); ++c) {
        std::fill(buf.channels()[c].pBegin, buf.channels()[c].pEnd, c_fUntouched);
    }
}

// Size of the smallest input piece that yields samples, and the samples it yields.
struct unit {
    std::uint32_t nBytes;
    std::uint32_t nSamples;
};

unit unit_of(const codec::decoder& dec, std::uint32_t nChannels)
{
    const codec::block_format format = dec.format();
    const bool bInterleaved = !format.bCompressed;
    return unit{format.nBlockBytes * (bInterleaved ? nChannels : 1), format.nBlockSamples};
}

void check_call(const codec::decoder& dec, const app::sample_buffer& buf, std::uint32_t nRoom,
                std::uint32_t nSize, const codec::decode_result& result)
{
    const unit u = unit_of(dec, buf.channel_count());
    const std::uint32_t nOffset = buf.offset();

    FUZZ_CHECK(result.nSampleCount <= nRoom);
    FUZZ_CHECK(result.nRestByteCount <= nSize);
    FUZZ_CHECK(result.nSampleCount % u.nSamples == 0);
    const std::uint32_t nConsumed = nSize - result.nRestByteCount;
    FUZZ_CHECK(nConsumed == result.nSampleCount / u.nSamples * u.nBytes);
    // Whatever was left over either did not fit or is less than one unit.
    if (result.nRestByteCount >= u.nBytes) {
        FUZZ_CHECK(result.nSampleCount + u.nSamples > nRoom);
        FUZZ_CHECK(result.bMore);
    }
    if (!result.bMore) {
        FUZZ_CHECK(result.nRestByteCount < u.nBytes);
    }

    const bool bFloat = dec.id() == codec::id_pcm_float32;
    const bool bMono = dec.format().bCompressed;
    for (std::uint32_t c = 0; c < buf.channel_count(); ++c) {
        const float* pBegin = buf.channels()[c].pBegin;
        const std::uint32_t nCapacity = buf.capacity();
        for (std::uint32_t i = 0; i < nCapacity; ++i) {
            const bool bWritten = i >= nOffset && i < nOffset + result.nSampleCount;
            if (!bWritten) {
                FUZZ_CHECK(std::memcmp(&pBegin[i], &c_fUntouched, sizeof(float)) == 0);
            } else if (!bFloat) {
                FUZZ_CHECK(pBegin[i] >= -1.0f && pBegin[i] <= 1.0f);
            }
            if (bWritten && bMono) {
                FUZZ_CHECK(pBegin[i] == buf.channels()[0].pBegin[i]);
            }
        }
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* pData, std::size_t nSize)
{
    fuzz::input in(pData, nSize);
    const codec::id nId = static_cast<codec::id>(in.range(1, 6));
    // Mostly few channels; sometimes more than a scratch chunk holds.
    const std::uint32_t nChannels = in.byte() < 240 ? in.range(1, 8) : in.range(9, 1100);
    const std::uint32_t nRoom = nChannels <= 8 ? in.range(0, 2048) : in.range(0, 200);
    const std::uint32_t nOffset = in.range(0, 40);

    std::unique_ptr<codec::decoder> dec = codec::factory::instance().create_decoder(nId);
    FUZZ_CHECK(dec != nullptr && dec->id() == nId);
    app::sample_buffer buf(nChannels, nOffset + nRoom);

    // Pieces as a stream arrives: each call gets the previous rest in front.
    // Each call's input is a heap block of its exact size, so that a read
    // past its end is caught.
    std::vector<std::uint8_t> pending;
    while (in.left() > 0) {
        std::size_t nTaken = 0;
        const std::uint8_t* pPiece = in.take(in.range(0, 1500), nTaken);
        pending.insert(pending.end(), pPiece, pPiece + nTaken);
        pending.shrink_to_fit();
        const std::uint32_t nPending = static_cast<std::uint32_t>(pending.size());

        fill(buf);
        buf.set_offset(nOffset);
        // Room that ends exactly where the buffer does, so an overrun is seen.
        const std::uint32_t nCallRoom = buf.capacity() - nOffset;
        const codec::decode_result result = dec->decode(buf, nCallRoom, pending.data(), nPending);
        check_call(*dec, buf, nCallRoom, nPending, result);
        FUZZ_CHECK(buf.offset() == nOffset);

        pending.erase(pending.begin(), pending.end() - result.nRestByteCount);
    }
    return 0;
}
