#include "vocalith/app/command_processor.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>

#include "api/log.h"
#include "engine/fp_mode.h"
#include "engine/stream_check.h"
#include "vocalith/app/globals.h"
#include "vocalith/app/preset.h"
#include "vocalith/codec/abstract_codec.h"

namespace app {

namespace {

// Bytes decoded per iteration and the size of one encoder output area, and
// the input tail, at least; both grow with the largest frame (32-bit float
// in every channel), so that one frame always fits beside a held rest.
constexpr std::uint32_t c_nChunkBytes = 8192;
constexpr std::uint32_t c_nTailInputBytes = 4096;
constexpr std::uint32_t c_nTailOutputSamples = 4096;
constexpr std::uint32_t c_nMinWorkSamples = 8192;

std::uint32_t largest_frame(std::uint32_t nChannelCount) { return 4 * nChannelCount; }

inline std::size_t sz(std::uint32_t n) { return n; }

}  // namespace

command_processor::byte_buffer::byte_buffer(unsigned int nCapacity)
    : m_pStart(nullptr), m_pRaw(new unsigned char[nCapacity + 31]), m_nCapacity(nCapacity)
{
    const std::uintptr_t nAddress = reinterpret_cast<std::uintptr_t>(m_pRaw);
    m_pStart = m_pRaw + (32 - nAddress % 32) % 32;
    m_pBegin = m_pEnd = m_pStart;
}

command_processor::byte_buffer::~byte_buffer() { delete[] m_pRaw; }

void command_processor::byte_buffer::append(const void* pData, unsigned int nSize)
{
    if (m_pEnd + nSize > m_pStart + m_nCapacity) {
        const unsigned int nHeld = size();
        std::memmove(m_pStart, m_pBegin, nHeld);
        m_pBegin = m_pStart;
        m_pEnd = m_pStart + nHeld;
    }
    // The engine never offers more than fits; never write past the store.
    nSize = std::min(nSize, room());
    std::memcpy(m_pEnd, pData, nSize);
    m_pEnd += nSize;
}

command_processor::command_processor(ladspa::plugin_factory& factory, std::shared_ptr<app::preset> preset)
    : command_processor(factory, std::move(preset), stream_format::current())
{
}

command_processor::command_processor(ladspa::plugin_factory& factory, std::shared_ptr<app::preset> preset,
                                     const stream_format& format)
    : m_preset(std::move(preset)),
      m_lock(0),
      m_factory(factory),
      m_bActive(!s_Global.bBypass),
      m_nBlockSize(checked(format).nBlockSize),
      m_buffer(format.nChannelCount, std::max(4 * m_nBlockSize, c_nMinWorkSamples)),
      m_bytes(std::max(c_nChunkBytes, 2 * largest_frame(format.nChannelCount))),
      m_tailInput(std::max(c_nTailInputBytes, largest_frame(format.nChannelCount))),
      m_tailFilter(format.nChannelCount, m_nBlockSize),
      m_tailOutput(format.nChannelCount, c_nTailOutputSamples),
      m_dtmf(format.nSampleRate)
{
    if (m_preset) {
        m_preset->activate();
    }
}

command_processor::~command_processor() = default;

unsigned int command_processor::tail_input_size() const { return m_tailInput.size(); }

unsigned int command_processor::drop_input_tail()
{
    const unsigned int nDropped = m_tailInput.size();
    m_tailInput.clear();
    return nDropped;
}

unsigned int command_processor::process(app::data_sink& sink, const void* pData, unsigned int nSize,
                                        codec::abstract_codec* codec)
{
    if (codec == nullptr) {
        LOG_ERROR("No codec defined\n");
        sink.write(pData, nSize);
        return 0;
    }
    LOG_DEBUG("process: on start: input byte size=%zu, m_tailInput=%zu, m_tailFilter=%zu, m_tailOutput=%zu\n",
              sz(nSize), sz(m_tailInput.size()), sz(m_tailFilter.nCount), sz(m_tailOutput.nCount));

    const unsigned char* pCursor = static_cast<const unsigned char*>(pData);
    const unsigned char* const pEnd = pCursor + nSize;
    std::uint32_t nProcessed = 0;
    while (pCursor < pEnd) {
        LOG_DEBUG("process: iteration: input byte size=%zu, m_tailInput=%zu, m_tailFilter=%zu, m_tailOutput=%zu\n",
                  sz(static_cast<std::uint32_t>(pEnd - pCursor)), sz(m_tailInput.size()),
                  sz(m_tailFilter.nCount), sz(m_tailOutput.nCount));
        const std::uint32_t nOutput = m_tailOutput.nCount;
        const std::uint32_t nPending = nOutput + m_tailFilter.nCount;
        // New samples land behind the place of the held ones, which are
        // copied in front only when a sample came: a call with a few bytes
        // often makes none, and copying every tail for it would be wasted.
        const codec::decode_result result = decode(pCursor, pEnd, *codec, nPending);
        if (result.nSampleCount == 0) {
            break;
        }
        assemble();
        const std::uint32_t nTotal = nPending + result.nSampleCount;
        m_tailFilter.nCount = 0;
        m_tailOutput.nCount = 0;
        LOG_DEBUG("process: after decoder: decodeResult.nSampleCount=%zu, decodeResult.nRestByteCount=%zu, "
                  "m_tailInput=%zu, m_tailFilter=%zu, m_tailOutput=%zu\n",
                  sz(result.nSampleCount), sz(result.nRestByteCount), sz(m_tailInput.size()), sz(0), sz(0));

        // Only the samples decoded now: the filter tail's were fed by the
        // call that decoded them. Feeding them again would repeat stretches
        // of audio, and a repeated stretch of tone reads as a second key press.
        m_dtmf.feed(m_buffer.channels()[0].pBegin + nPending, result.nSampleCount, m_buffer.channel_count());
        const std::uint32_t nForEncoding = filter(nOutput, nTotal);
        nProcessed += encode(sink, *codec, nForEncoding);
        LOG_DEBUG("process: after encoder: nProcessedSampleCount=%zu, encodeResult.nRestSampleCount=%zu, "
                  "m_tailInput=%zu, m_tailFilter=%zu, m_tailOutput=%zu\n",
                  sz(nProcessed), sz(m_tailOutput.nCount), sz(m_tailInput.size()), sz(m_tailFilter.nCount),
                  sz(m_tailOutput.nCount));
    }
    LOG_DEBUG("process: on end: m_tailInput=%zu, m_tailFilter=%zu, m_tailOutput=%zu\n", sz(m_tailInput.size()),
              sz(m_tailFilter.nCount), sz(m_tailOutput.nCount));
    return nProcessed;
}

std::uint32_t command_processor::assemble()
{
    m_buffer.set_offset(0);
    const std::uint32_t nOutput = m_tailOutput.nCount;
    m_buffer.copy_from(m_tailOutput.buffer, 0, nOutput);
    m_buffer.copy_from(m_tailFilter.buffer, nOutput, m_tailFilter.nCount);
    return nOutput + m_tailFilter.nCount;
}

codec::decode_result command_processor::decode(const unsigned char*& pCursor, const unsigned char* pEnd,
                                               codec::abstract_codec& codec, std::uint32_t nPosition)
{
    const std::uint32_t nLeft = static_cast<std::uint32_t>(pEnd - pCursor);
    const unsigned char* pTaken = pCursor;
    std::uint32_t nTaken = 0;
    std::uint32_t nFromInput = 0;
    if (m_tailInput.empty()) {
        nTaken = nFromInput = std::min(nLeft, m_bytes.capacity());
    } else {
        m_bytes.clear();
        m_bytes.append(m_tailInput.begin(), m_tailInput.size());
        m_tailInput.clear();
        nFromInput = std::min(nLeft, m_bytes.room());
        m_bytes.append(pCursor, nFromInput);
        pTaken = m_bytes.begin();
        nTaken = m_bytes.size();
    }
    pCursor += nFromInput;

    m_buffer.set_offset(nPosition);
    const codec::decode_result result = codec.decode(m_buffer, m_buffer.capacity() - nPosition, pTaken, nTaken);
    m_buffer.set_offset(0);

    // Bytes not consumed: while the decoder wants more room they are offered
    // again from the input; a rest short of a frame (or anything left by a
    // decode that made no samples) is carried in front of the next bytes.
    const std::uint32_t nRest = std::min(result.nRestByteCount, nTaken);
    std::uint32_t nGivenBack = 0;
    if (result.bMore && result.nSampleCount > 0) {
        nGivenBack = std::min(nRest, nFromInput);
        pCursor -= nGivenBack;
    }
    if (nRest > nGivenBack) {
        m_tailInput.append(pTaken + nTaken - nRest, nRest - nGivenBack);
    }
    return result;
}

std::uint32_t command_processor::filter(std::uint32_t nFrom, std::uint32_t nTo)
{
    if (!m_bActive.load(std::memory_order_relaxed)) {
        return nTo;
    }
    const std::uint32_t nPasses = (nTo - nFrom) / m_nBlockSize;
    const std::uint32_t nRest = (nTo - nFrom) % m_nBlockSize;
    m_buffer.set_offset(nFrom);
    {
        // Only the plugins run with denormals flushed: the host's callback,
        // the codecs and the DTMF handler see the caller's own mode.
        flush_denormals_scope fpMode;
        for (std::uint32_t i = 0; i < nPasses; ++i) {
            apply_filter(m_buffer, m_nBlockSize);
            m_buffer.advance(m_nBlockSize);
        }
    }
    if (nRest > 0) {
        m_tailFilter.buffer.copy_from(m_buffer, 0, nRest);
        m_tailFilter.nCount = nRest;
    }
    m_buffer.set_offset(0);
    const std::uint32_t nForEncoding = nTo - nRest;
    LOG_DEBUG("process: after filter: nPassCount=%zu, nStepSampleCount=%zu, nRestSize=%zu, "
              "nSampeCountForEncoding=%zu m_tailInput=%zu, m_tailFilter=%zu, m_tailOutput=%zu\n",
              sz(nPasses), sz(m_nBlockSize), sz(nRest), sz(nForEncoding), sz(m_tailInput.size()),
              sz(m_tailFilter.nCount), sz(m_tailOutput.nCount));
    return nForEncoding;
}

std::uint32_t command_processor::encode(app::data_sink& sink, codec::abstract_codec& codec, std::uint32_t nCount,
                                        std::uint32_t& nBytes)
{
    m_buffer.set_offset(0);
    std::uint32_t nLeft = nCount;
    codec::encode_result result;
    do {
        m_bytes.clear();
        result = codec.encode(m_bytes.start(), m_bytes.capacity(), m_buffer, nLeft);
        if (result.nByteCount > 0) {
            sink.write(m_bytes.start(), result.nByteCount);
            nBytes += result.nByteCount;
        }
        const std::uint32_t nRest = std::min(result.nRestSampleCount, nLeft);
        m_buffer.advance(nLeft - nRest);
        if (nRest == nLeft && result.nByteCount == 0) {
            break;  // no progress: asking again would spin
        }
        nLeft = nRest;
    } while (result.bMore && nLeft > 0);
    return nLeft;
}

std::uint32_t command_processor::encode(app::data_sink& sink, codec::abstract_codec& codec, std::uint32_t nCount)
{
    std::uint32_t nBytes = 0;
    const std::uint32_t nLeft = encode(sink, codec, nCount, nBytes);
    if (nLeft > 0) {
        m_tailOutput.buffer.copy_from(m_buffer, 0, nLeft);
        m_tailOutput.nCount = nLeft;
    }
    m_buffer.set_offset(0);
    return nCount - nLeft;
}

unsigned int command_processor::process_tail(app::data_sink& sink, codec::abstract_codec* codec)
{
    const std::uint32_t nOutput = m_tailOutput.nCount;
    const std::uint32_t nFilter = m_tailFilter.nCount;
    const std::uint32_t nPending = nOutput + nFilter;
    m_dtmf.finish(m_buffer.channel_count());
    if (nPending == 0 || codec == nullptr) {
        return 0;
    }
    m_buffer.set_offset(0);
    if (nFilter > 0) {
        // The plugins see a whole block; what they make of the padding lands
        // behind the pending samples and is overwritten or not encoded.
        const std::uint32_t nCapacity = m_tailFilter.buffer.capacity();
        m_tailFilter.append_zeros(nCapacity - nFilter);
        {
            flush_denormals_scope fpMode;
            apply_filter(m_tailFilter.buffer, m_nBlockSize);
        }
        m_buffer.copy_from(m_tailFilter.buffer, nOutput, nCapacity);
        m_tailFilter.nCount = 0;
    }
    if (nOutput > 0) {
        m_buffer.copy_from(m_tailOutput.buffer, 0, nOutput);
        m_tailOutput.nCount = 0;
    }
    const std::uint32_t nBlock = std::max<std::uint32_t>(codec->encoder_format().nBlockSamples, 1);
    const std::uint32_t nPadded = (nPending + nBlock - 1) / nBlock * nBlock;
    m_buffer.clear(nPending, nPadded - nPending);

    std::uint32_t nBytes = 0;
    encode(sink, *codec, nPadded, nBytes);
    m_buffer.set_offset(0);
    LOG_DEBUG("process_tail: nTailSampleCount=%zu, nBlockSize=%zu, tail byte count=%zu\n", sz(nPending),
              sz(nPadded), sz(nBytes));
    return nPending;
}

}  // namespace app
