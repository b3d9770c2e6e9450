#include "preset/preset_number.h"

#include <cctype>
#include <cstdlib>

#include "sysport/runtime.h"

namespace app {

namespace {

void tell_whole(const char* pszStart, const char* pszEnd, bool* pbWhole)
{
    if (pbWhole == nullptr) {
        return;
    }
    *pbWhole = pszEnd != pszStart;
    for (; *pszEnd != '\0'; ++pszEnd) {
        if (!std::isspace(static_cast<unsigned char>(*pszEnd))) {
            *pbWhole = false;
        }
    }
}

}  // namespace

double parse_preset_double(const std::string& strText, bool* pbWhole)
{
    const std::string::size_type nComma = strText.find(',');
    std::string strPoint;
    const char* pszText = strText.c_str();
    if (nComma != std::string::npos && strText.find('.') == std::string::npos) {
        strPoint = strText;
        strPoint[nComma] = '.';
        pszText = strPoint.c_str();
    }
    char* pszEnd = nullptr;
    const double fValue = sysport::strtod_c_locale(pszText, &pszEnd);
    tell_whole(pszText, pszEnd, pbWhole);
    return fValue;
}

unsigned long parse_preset_id(const std::string& strText, bool* pbWhole)
{
    char* pszEnd = nullptr;
    const unsigned long nId = std::strtoul(strText.c_str(), &pszEnd, 10);
    tell_whole(strText.c_str(), pszEnd, pbWhole);
    return nId;
}

}  // namespace app
