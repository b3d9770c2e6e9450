#include "preset/preset_number.h"

#include <locale.h>
#include <stdlib.h>

#include <cstdlib>

namespace app {

namespace {

// Made once and kept for the process's life; never installed as any
// thread's locale.
locale_t c_locale()
{
    static const locale_t s_locale = newlocale(LC_ALL_MASK, "C", static_cast<locale_t>(0));
    return s_locale;
}

}  // namespace

double parse_preset_double(const std::string& strText)
{
    const std::string::size_type nComma = strText.find(',');
    if (nComma != std::string::npos && strText.find('.') == std::string::npos) {
        std::string strPoint(strText);
        strPoint[nComma] = '.';
        return strtod_l(strPoint.c_str(), nullptr, c_locale());
    }
    return strtod_l(strText.c_str(), nullptr, c_locale());
}

unsigned long parse_preset_id(const std::string& strText)
{
    return std::strtoul(strText.c_str(), nullptr, 10);
}

}  // namespace app
