// Numbers in preset documents, read the same whatever locale the host set.
#ifndef VOCALITH_SRC_PRESET_PRESET_NUMBER_H
#define VOCALITH_SRC_PRESET_PRESET_NUMBER_H

#include <cstddef>
#include <string>

namespace app {

// strtod in the C locale: leading white space is skipped, the longest
// number prefix counts, text that is no number gives 0. Text with a comma
// and no point is read with its first comma as the decimal separator, as
// written under decimal-comma locales. pbWhole, when given, tells whether
// the number took the whole text but for white space.
double parse_preset_double(const std::string& strText, bool* pbWhole = nullptr);

// strtoul, base 10: leading white space skipped, no number gives 0.
unsigned long parse_preset_id(const std::string& strText, bool* pbWhole = nullptr);

}  // namespace app

#endif
