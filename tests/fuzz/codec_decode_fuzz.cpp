// Every decoder with random bytes, random room, channel count and offset, fed
// in random pieces the way the engine feeds it, each call's input in a heap
// block of its exact size with the previous rest in front. Checks that the
// counts add up, that a decoder consumes all it has room for, and that
// nothing outside the reported samples is written.
#include "fuzz_input.h"
#include "vocalith/codec/factory.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* pData, std::size_t nSize)
{
    fuzz::input in(pData, nSize);
    const codec::id nId = static_cast<codec::id>(in.range(1, 6));
    // Mostly few channels; sometimes more than a scratch chunk holds.
    const std::uint32_t nChannels = in.byte() < 240 ? in.range(1, 8) : in.range(9, 1100);
    const std::uint32_t nRoom = nChannels <= 8 ? in.range(0, 2048) : in.range(0, 200);
    const std::uint32_t nOffset = in.range(0, 40);
    std::unique_ptr<codec::decoder> dec = codec::factory::instance().create_decoder(nId);
    const codec::block_format format = dec->format();
    // The smallest piece that yields samples: a frame of interleaved PCM or one compressed block.
    const std::uint32_t nUnit = format.nBlockBytes * (format.bCompressed ? 1 : nChannels);
    app::sample_buffer buf(nChannels, nOffset + nRoom);
    buf.set_offset(nOffset);
    const std::uint32_t nCapacity = buf.capacity(), nCallRoom = nCapacity - nOffset;  // up to the very end
    for (fuzz::bytes pending; in.left() > 0;) {
        const fuzz::bytes piece = in.take(in.range(0, 1500));
        pending.insert(pending.end(), piece.begin(), piece.end());
        pending.shrink_to_fit();
        for (std::uint32_t c = 0; c < nChannels; ++c) {
            std::fill(buf.channels()[c].pBegin, buf.channels()[c].pEnd, 1234.5f);  // no decoder writes it
        }
        const std::uint32_t nPending = static_cast<std::uint32_t>(pending.size());
        const codec::decode_result r = dec->decode(buf, nCallRoom, pending.data(), nPending);
        // Whole units consumed; whatever is left over is less than one unit, or did not fit.
        FUZZ_CHECK(r.nSampleCount <= nCallRoom && buf.offset() == nOffset &&
                   nPending - r.nRestByteCount == r.nSampleCount / format.nBlockSamples * nUnit);
        FUZZ_CHECK(r.nRestByteCount < nUnit || (r.bMore && r.nSampleCount + format.nBlockSamples > nCallRoom));
        for (std::uint32_t n = 0; n < nChannels * nCapacity; ++n) {
            const bool bWritten = n % nCapacity >= nOffset && n % nCapacity < nOffset + r.nSampleCount;
            FUZZ_CHECK(bWritten || buf.channels()[n / nCapacity].pBegin[n % nCapacity] == 1234.5f);
        }
        pending.erase(pending.begin(), pending.end() - r.nRestByteCount);
    }
    return 0;
}
