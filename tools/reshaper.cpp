#include "reshaper.h"

#include <algorithm>
#include <cstring>

#include "common.h"
#include "input_file.h"
#include "vocalith/codec/factory.h"

namespace tool {

unsigned long soxr_recipe(const std::string& strQuality)
{
    static const struct {
        const char* pszName;
        unsigned long nRecipe;
    } c_qualities[] = {
        {"quick", SOXR_QQ}, {"low", SOXR_LQ}, {"medium", SOXR_MQ}, {"high", SOXR_HQ}, {"very-high", SOXR_VHQ},
    };
    for (const auto& q : c_qualities) {
        if (strQuality == q.pszName) {
            return q.nRecipe;
        }
    }
    throw error(format("--quality %s: quick, low, medium, high or very-high", strQuality.c_str()));
}

reshaper::reshaper(input_file& in, unsigned int nChannels, unsigned int nRate, unsigned long nRecipe,
                   unsigned int nBlock)
    : m_in(in),
      m_pDecoder(codec::factory::instance().create_decoder(in.codec())),
      m_nChannels(nChannels),
      m_nHeld(0),
      m_nCapacity((nBlock + in.unit_samples() - 1) / in.unit_samples() * in.unit_samples()),
      m_decoded(in.channels(), m_nCapacity),
      m_mixed(nChannels, m_nCapacity),
      m_planes(nChannels),
      m_nQueueStart(0),
      m_nQueueEnd(0),
      m_bEnd(false)
{
    if (nChannels != in.channels() && nChannels != 1 && in.channels() != 1) {
        throw error(format("--out-channels %u: %u channels can be mixed down to 1, or 1 copied to several",
                           nChannels, in.channels()));
    }
    m_bytes.resize(m_nCapacity / in.unit_samples() * in.unit_bytes());
    if (nRate != in.rate()) {
        soxr_error_t err = nullptr;
        soxr_io_spec_t io = soxr_io_spec(SOXR_FLOAT32_S, SOXR_FLOAT32_I);
        soxr_quality_spec_t q = soxr_quality_spec(nRecipe, 0);
        m_pSoxr.reset(soxr_create(in.rate(), nRate, nChannels, &err, &io, &q, nullptr));
        if (!m_pSoxr || err) {
            throw error(format("--out-rate %u: %s", nRate, err ? err : "no resampler"));
        }
    }
    std::size_t nOut = static_cast<std::size_t>(static_cast<double>(m_nCapacity) * nRate / in.rate()) + 1024;
    m_queue.resize(nOut * nChannels);
}

reshaper::~reshaper() = default;

unsigned int reshaper::read(void* pBuf, unsigned int nSize)
{
    while (m_nQueueStart == m_nQueueEnd && !m_bEnd) {
        m_nQueueStart = m_nQueueEnd = 0;
        fill();
    }
    std::size_t nFrames = std::min<std::size_t>(nSize / (4 * m_nChannels), m_nQueueEnd - m_nQueueStart);
    std::memcpy(pBuf, m_queue.data() + m_nQueueStart * m_nChannels, nFrames * 4 * m_nChannels);
    m_nQueueStart += nFrames;
    return static_cast<unsigned int>(nFrames * 4 * m_nChannels);
}

void reshaper::fill()
{
    unsigned int nRead = m_in.read(m_bytes.data() + m_nHeld, static_cast<unsigned int>(m_bytes.size() - m_nHeld));
    if (nRead == 0) {
        // Bytes short of a coded unit at the very end carry no sample.
        push(0, true);
        m_bEnd = true;
        return;
    }
    std::size_t nAvail = m_nHeld + nRead, nUsed = 0;
    while (nUsed < nAvail) {
        m_decoded.set_offset(0);
        codec::decode_result res = m_pDecoder->decode(m_decoded, m_nCapacity, m_bytes.data() + nUsed,
                                                      static_cast<std::uint32_t>(nAvail - nUsed));
        if (res.nSampleCount == 0) {
            break;
        }
        nUsed = nAvail - res.nRestByteCount;
        mix(res.nSampleCount);
        push(res.nSampleCount, false);
    }
    m_nHeld = nAvail - nUsed;
    std::memmove(m_bytes.data(), m_bytes.data() + nUsed, m_nHeld);
}

void reshaper::mix(unsigned int nCount)
{
    const unsigned int nIn = m_decoded.channel_count();
    for (unsigned int c = 0; c < m_nChannels; ++c) {
        float* pOut = m_mixed.data(c);
        if (nIn == m_nChannels || nIn == 1) {
            std::memcpy(pOut, m_decoded.data(nIn == 1 ? 0 : c), nCount * sizeof(float));
            continue;
        }
        // Down to one channel: the mean of all.
        std::fill(pOut, pOut + nCount, 0.0f);
        for (unsigned int i = 0; i < nIn; ++i) {
            const float* pIn = m_decoded.data(i);
            for (unsigned int n = 0; n < nCount; ++n) {
                pOut[n] += pIn[n];
            }
        }
        for (unsigned int n = 0; n < nCount; ++n) {
            pOut[n] /= static_cast<float>(nIn);
        }
    }
}

void reshaper::push(unsigned int nCount, bool bEnd)
{
    if (!m_pSoxr) {
        if (m_queue.size() < (m_nQueueEnd + nCount) * m_nChannels) {
            m_queue.resize((m_nQueueEnd + nCount) * m_nChannels);
        }
        for (unsigned int n = 0; n < nCount; ++n) {
            for (unsigned int c = 0; c < m_nChannels; ++c) {
                m_queue[(m_nQueueEnd + n) * m_nChannels + c] = m_mixed.data(c)[n];
            }
        }
        m_nQueueEnd += nCount;
        return;
    }
    std::size_t nDone = 0;
    for (;;) {
        for (unsigned int c = 0; c < m_nChannels; ++c) {
            m_planes[c] = m_mixed.data(c) + nDone;
        }
        if (m_queue.size() < (m_nQueueEnd + 1024) * m_nChannels) {
            m_queue.resize((m_nQueueEnd + 4096) * m_nChannels);
        }
        std::size_t nIn = 0, nOut = 0;
        soxr_error_t err = soxr_process(m_pSoxr.get(), bEnd ? nullptr : m_planes.data(), nCount - nDone, &nIn,
                                        m_queue.data() + m_nQueueEnd * m_nChannels,
                                        m_queue.size() / m_nChannels - m_nQueueEnd, &nOut);
        if (err) {
            throw error(format("resampling: %s", err), exit_failed);
        }
        nDone += nIn;
        m_nQueueEnd += nOut;
        if (bEnd ? nOut == 0 : nDone == nCount && nOut == 0) {
            break;
        }
    }
}

}  // namespace tool
