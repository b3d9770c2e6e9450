// Constant tables that map names to numeric identifiers (codec names, sound
// file format names). A table is sorted once by name and then only read, so
// it may be shared by any number of threads after that.
#ifndef VOCALITH_APP_ID_TO_STRING_H
#define VOCALITH_APP_ID_TO_STRING_H

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>

namespace app {

struct id_to_string {
    // One row: a static, NUL-terminated name and its identifier.
    struct record {
        const char* pszName;
        std::uint32_t nId;
    };

    // Byte-wise (unsigned char) order of the names, as strcmp compares.
    static bool name_less(const record& a, const record& b)
    {
        return std::strcmp(a.pszName, b.pszName) < 0;
    }

    // Sorts nCount rows in place by name.
    static void sort(record* pRows, std::size_t nCount)
    {
        std::sort(pRows, pRows + nCount, name_less);
    }

    // Identifier of the row named exactly pszName (case-sensitive) in a table
    // sorted by sort(), else nDefault.
    static std::uint32_t find_id(const record* pRows, std::size_t nCount, const char* pszName,
                                 std::uint32_t nDefault)
    {
        const record key = {pszName, 0};
        const record* pEnd = pRows + nCount;
        const record* pRow = std::lower_bound(pRows, pEnd, key, name_less);
        return pRow != pEnd && std::strcmp(pRow->pszName, pszName) == 0 ? pRow->nId : nDefault;
    }

    // Name of the first row with identifier nId in table order (for a sorted
    // table the byte-wise smallest alias), else pszDefault.
    static const char* find_name(const record* pRows, std::size_t nCount, std::uint32_t nId,
                                 const char* pszDefault)
    {
        for (std::size_t i = 0; i < nCount; ++i) {
            if (pRows[i].nId == nId) {
                return pRows[i].pszName;
            }
        }
        return pszDefault;
    }
};

}  // namespace app

#endif
