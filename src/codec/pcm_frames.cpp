#include "codec/pcm_frames.h"

#include <algorithm>

namespace codec {
namespace pcm_frames {
namespace {

// Frames [nFirst, nFirst + nFrames) of channels [nChannel, nChannel + nWidth)
// move between the planes and a scratch area that holds them interleaved
// with nWidth samples per frame.
void scatter(const app::sample_buffer& buf, std::uint32_t nFirst, std::uint32_t nFrames,
             std::uint32_t nChannel, std::uint32_t nWidth, const float* pScratch)
{
    for (std::uint32_t c = 0; c < nWidth; ++c) {
        float* pPlane = buf.data(nChannel + c) + nFirst;
        const float* pSrc = pScratch + c;
        for (std::uint32_t i = 0; i < nFrames; ++i, pSrc += nWidth) {
            pPlane[i] = *pSrc;
        }
    }
}

void gather(const app::sample_buffer& buf, std::uint32_t nFirst, std::uint32_t nFrames,
            std::uint32_t nChannel, std::uint32_t nWidth, float* pScratch)
{
    for (std::uint32_t c = 0; c < nWidth; ++c) {
        const float* pPlane = buf.data(nChannel + c) + nFirst;
        float* pDst = pScratch + c;
        for (std::uint32_t i = 0; i < nFrames; ++i, pDst += nWidth) {
            *pDst = pPlane[i];
        }
    }
}

// Visits the nFrames frames in chunks that fill the scratch area: several
// whole frames per chunk up to c_nChunkSamples channels, otherwise each
// frame split into runs of at most c_nChunkSamples channels.
template <typename Visit>
void for_each_chunk(std::uint32_t nChannels, std::uint32_t nFrames, Visit visit)
{
    if (nChannels <= c_nChunkSamples) {
        const std::uint32_t nChunkFrames = c_nChunkSamples / nChannels;
        for (std::uint32_t f = 0; f < nFrames; f += nChunkFrames) {
            visit(f, std::min(nChunkFrames, nFrames - f), 0u, nChannels);
        }
        return;
    }
    for (std::uint32_t f = 0; f < nFrames; ++f) {
        for (std::uint32_t c = 0; c < nChannels; c += c_nChunkSamples) {
            visit(f, 1u, c, std::min(c_nChunkSamples, nChannels - c));
        }
    }
}

}  // namespace

decode_result decode(app::sample_buffer& out, std::uint32_t nCapacity, const void* pData,
                     std::uint32_t nSize, std::uint32_t nSampleBytes, to_float_fn convert)
{
    const std::uint32_t nChannels = out.channel_count();
    if (nChannels == 0) {
        return decode_result{0, nSize, false};
    }
    const std::uint32_t nFrames = std::min(nSize / nSampleBytes / nChannels, nCapacity);
    const std::uint32_t nRest = nSize - nFrames * nChannels * nSampleBytes;
    const unsigned char* pIn = static_cast<const unsigned char*>(pData);

    if (nChannels == 1) {
        // With nothing to convert pData may be null: no call at all then.
        if (nFrames != 0) {
            convert(out.data(0), pIn, nFrames);
        }
    } else {
        float scratch[c_nChunkSamples];
        for_each_chunk(nChannels, nFrames,
                       [&](std::uint32_t nFirst, std::uint32_t nCount, std::uint32_t nChannel,
                           std::uint32_t nWidth) {
                           const std::size_t nAt =
                               (static_cast<std::size_t>(nFirst) * nChannels + nChannel) * nSampleBytes;
                           convert(scratch, pIn + nAt, nCount * nWidth);
                           scatter(out, nFirst, nCount, nChannel, nWidth, scratch);
                       });
    }
    return decode_result{nFrames, nRest, nRest >= nSampleBytes};
}

encode_result encode(void* pOut, std::uint32_t nCapacity, const app::sample_buffer& in,
                     std::uint32_t nSampleCount, std::uint32_t nSampleBytes, from_float_fn convert)
{
    const std::uint32_t nChannels = in.channel_count();
    if (nChannels == 0) {
        return encode_result{0, nSampleCount, false};
    }
    const std::uint32_t nFrames = std::min(nCapacity / nSampleBytes / nChannels, nSampleCount);
    unsigned char* pBytes = static_cast<unsigned char*>(pOut);

    if (nChannels == 1) {
        if (nFrames != 0) {
            convert(pBytes, in.data(0), nFrames);
        }
    } else {
        float scratch[c_nChunkSamples];
        for_each_chunk(nChannels, nFrames,
                       [&](std::uint32_t nFirst, std::uint32_t nCount, std::uint32_t nChannel,
                           std::uint32_t nWidth) {
                           gather(in, nFirst, nCount, nChannel, nWidth, scratch);
                           const std::size_t nAt =
                               (static_cast<std::size_t>(nFirst) * nChannels + nChannel) * nSampleBytes;
                           convert(pBytes + nAt, scratch, nCount * nWidth);
                       });
    }
    const std::uint32_t nRest = nSampleCount - nFrames;
    return encode_result{nFrames * nChannels * nSampleBytes, nRest, nRest != 0};
}

}  // namespace pcm_frames
}  // namespace codec
