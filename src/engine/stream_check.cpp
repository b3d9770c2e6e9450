#include "engine/stream_check.h"

#include "vocalith/app/exception.h"

namespace app {

namespace {

void check_range(const char* pszName, std::uint32_t nValue, std::uint32_t nMax, const char* pszUnit)
{
    if (nValue < 1 || nValue > nMax) {
        VOCALITH_THROW(exit_code::Unspecified, "%s %u is outside the allowed range 1 to %u%s", pszName, nValue,
                       nMax, pszUnit);
    }
}

}  // namespace

const stream_format& checked(const stream_format& format)
{
    check_range("channel count", format.nChannelCount, c_nMaxChannelCount, "");
    check_range("sample rate", format.nSampleRate, c_nMaxSampleRate, " Hz");
    check_range("block size", format.nBlockSize, c_nMaxBlockSize, " samples");
    return format;
}

}  // namespace app
