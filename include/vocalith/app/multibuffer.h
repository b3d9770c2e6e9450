// Planar sample buffer: one plane per channel, one offset shared by all.
#ifndef VOCALITH_APP_MULTIBUFFER_H
#define VOCALITH_APP_MULTIBUFFER_H

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <utility>

namespace app {

// T: element type. nTableAlign: alignment in bytes of the channel table and
// of every plane. nPlaneAlign: every plane's length is a whole number of
// this many bytes. Any channel count is allowed. Allocated once; the samples
// are not cleared. Users address channel c at m_pChannels[c].pBegin + m_nOffset.
template <typename T, unsigned int nTableAlign, unsigned int nPlaneAlign>
class multibuffer {
public:
    struct plane {
        T* pBegin;
        T* pEnd;
    };

    multibuffer(std::uint32_t nChannelCount, std::uint32_t nSampleCount)
        : m_nChannelCount(nChannelCount),
          m_nCapacity(round_up(nSampleCount, c_nSamplesPerUnit)),
          m_pRaw(nullptr),
          m_pChannels(nullptr),
          m_nOffset(0)
    {
        allocate();
    }

    // A copy owns its own allocation and copies every sample.
    multibuffer(const multibuffer& other)
        : m_nChannelCount(other.m_nChannelCount),
          m_nCapacity(other.m_nCapacity),
          m_pRaw(nullptr),
          m_pChannels(nullptr),
          m_nOffset(other.m_nOffset)
    {
        allocate();
        for (std::uint32_t c = 0; c < m_nChannelCount; ++c) {
            std::memcpy(m_pChannels[c].pBegin, other.m_pChannels[c].pBegin, m_nCapacity * sizeof(T));
        }
    }

    multibuffer& operator=(const multibuffer& other)
    {
        if (this != &other) {
            multibuffer copy(other);
            swap(copy);
        }
        return *this;
    }

    ~multibuffer() { delete[] m_pRaw; }

    std::uint32_t channel_count() const { return m_nChannelCount; }
    std::uint32_t capacity() const { return m_nCapacity; }
    std::uint32_t offset() const { return m_nOffset; }
    void set_offset(std::uint32_t nOffset) { m_nOffset = nOffset; }
    void advance(std::uint32_t nCount) { m_nOffset += nCount; }
    plane* channels() const { return m_pChannels; }
    T* data(std::uint32_t nChannel) const { return m_pChannels[nChannel].pBegin + m_nOffset; }

    // Copies nCount samples of every channel from the source's offset to this
    // buffer's offset plus nPosition. Channel counts must agree.
    void copy_from(const multibuffer& source, std::uint32_t nPosition, std::uint32_t nCount)
    {
        if (nCount == 0) {
            return;
        }
        for (std::uint32_t c = 0; c < m_nChannelCount; ++c) {
            std::memmove(m_pChannels[c].pBegin + m_nOffset + nPosition,
                         source.m_pChannels[c].pBegin + source.m_nOffset, nCount * sizeof(T));
        }
    }

    // Zeroes nCount samples of every channel at the offset plus nPosition.
    void clear(std::uint32_t nPosition, std::uint32_t nCount)
    {
        for (std::uint32_t c = 0; c < m_nChannelCount; ++c) {
            std::memset(m_pChannels[c].pBegin + m_nOffset + nPosition, 0, nCount * sizeof(T));
        }
    }

    void swap(multibuffer& other)
    {
        std::swap(m_nChannelCount, other.m_nChannelCount);
        std::swap(m_nCapacity, other.m_nCapacity);
        std::swap(m_pRaw, other.m_pRaw);
        std::swap(m_pChannels, other.m_pChannels);
        std::swap(m_nOffset, other.m_nOffset);
    }

private:
    static constexpr std::uint32_t c_nSamplesPerUnit = nPlaneAlign / sizeof(T);

    static std::uint32_t round_up(std::uint32_t n, std::uint32_t nUnit)
    {
        return (n + nUnit - 1) / nUnit * nUnit;
    }

    void allocate()
    {
        const std::size_t nTable =
            round_up(static_cast<std::uint32_t>(m_nChannelCount * sizeof(plane)), nTableAlign);
        const std::size_t nPlane = static_cast<std::size_t>(m_nCapacity) * sizeof(T);
        m_pRaw = new unsigned char[nTable + m_nChannelCount * nPlane + nTableAlign - 1];
        const std::uintptr_t nAddress = reinterpret_cast<std::uintptr_t>(m_pRaw);
        unsigned char* pTable =
            m_pRaw + ((nTableAlign - nAddress % nTableAlign) % nTableAlign);
        m_pChannels = reinterpret_cast<plane*>(pTable);
        unsigned char* pPlanes = pTable + nTable;
        for (std::uint32_t c = 0; c < m_nChannelCount; ++c) {
            T* pBegin = reinterpret_cast<T*>(pPlanes + c * nPlane);
            m_pChannels[c].pBegin = pBegin;
            m_pChannels[c].pEnd = pBegin + m_nCapacity;
        }
    }

    std::uint32_t m_nChannelCount;
    std::uint32_t m_nCapacity;
    unsigned char* m_pRaw;
    plane* m_pChannels;
    std::uint32_t m_nOffset;
};

typedef multibuffer<float, 32, 32> sample_buffer;

}  // namespace app

#endif
