// Every encoder with random samples (any bits: NaN, infinities, huge and
// tiny values among them), random room, channel count and offset, called again and again
// as the engine calls it while the output area runs full. Checks that the
// counts add up, that nothing past the reported bytes is written, and that
// the bytes equal those of a second encoder fed the same samples with NaN
// made 0 and infinities made full scale: garbage never reaches the output.
// (The scale rule itself is the kernel tests'.)
#include "fuzz_input.h"
#include "vocalith/codec/factory.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* pData, std::size_t nSize)
{
    fuzz::input in(pData, nSize);
    const codec::id nId = static_cast<codec::id>(in.range(1, 6));
    const std::uint32_t nChannels = in.byte() < 240 ? in.range(1, 8) : in.range(9, 1100);
    const std::uint32_t nSampleCount = nChannels <= 8 ? in.range(0, 2048) : in.range(0, 40);
    const std::uint32_t nCapacity = in.range(0, 9000), nOffset = in.range(0, 40);
    app::sample_buffer raw(nChannels, nOffset + nSampleCount);
    raw.clear(0, raw.capacity());
    raw.set_offset(nOffset);
    app::sample_buffer clean(raw);
    for (std::uint32_t n = 0; n < nChannels * nSampleCount; ++n) {
        const float f = raw.data(n / nSampleCount)[n % nSampleCount] = in.f32();
        clean.data(n / nSampleCount)[n % nSampleCount] = std::isnan(f)   ? 0.0f
                                                         : std::isinf(f) ? std::copysign(1.0f, f)
                                                                         : f;
    }
    std::unique_ptr<codec::encoder> enc = codec::factory::instance().create_encoder(nId),
                                    reference = codec::factory::instance().create_encoder(nId);
    const codec::block_format format = enc->format();
    const std::uint32_t nUnit = format.nBlockBytes * (format.bCompressed ? 1 : nChannels);
    for (std::uint32_t nLeft = nSampleCount;;) {
        fuzz::bytes out(nCapacity, 0xA5), expected(out);  // exactly the capacity on the heap
        const codec::encode_result r = enc->encode(out.data(), nCapacity, raw, nLeft);
        const std::uint32_t nConsumed = nLeft - r.nRestSampleCount;
        // Whole units written; samples are left over only when the next unit does not fit.
        FUZZ_CHECK(r.nByteCount <= nCapacity && r.nRestSampleCount <= nLeft &&
                   r.nByteCount * format.nBlockSamples == nConsumed * nUnit);
        FUZZ_CHECK(r.nRestSampleCount < format.nBlockSamples || (r.bMore && r.nByteCount + nUnit > nCapacity));
        FUZZ_CHECK(std::count(out.begin() + r.nByteCount, out.end(), 0xA5) == out.end() - out.begin() - r.nByteCount);
        FUZZ_CHECK(reference->encode(expected.data(), nCapacity, clean, nLeft).nByteCount == r.nByteCount &&
                   out == expected);
        if (!r.bMore || nConsumed == 0) {
            return 0;
        }
        raw.advance(nConsumed);
        clean.advance(nConsumed);
        nLeft = r.nRestSampleCount;
    }
}
