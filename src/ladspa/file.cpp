#include "vocalith/ladspa/file.h"

#include <utility>

#include "api/log.h"

namespace ladspa {

file::file() : m_pEntry(nullptr), m_nLoadCount(0) {}

file::file(const std::string& strPath) : m_strPath(strPath), m_pEntry(nullptr), m_nLoadCount(0) {}

file::file(const std::string& strPath, sysport::shared_library&& library)
    : m_strPath(strPath), m_library(std::move(library)), m_pEntry(nullptr), m_nLoadCount(0)
{
}

file::~file() = default;

bool file::load()
{
    std::string strError;
    if (!m_library.is_open() && !m_library.open(m_strPath, strError)) {
        LOG_ERROR("file::load: Unadle to load LADSPA file '%s': %s \n", m_strPath.c_str(), strError.c_str());
        return false;
    }
    void* pSymbol = m_library.symbol("ladspa_descriptor", strError);
    if (pSymbol == nullptr) {
        LOG_ERROR("file::load: error finding ladspa_descriptor symbol in LADSPA file '%s': error msg \"%s\"\n",
                  m_strPath.c_str(), strError.c_str());
        m_library.release();
        return false;
    }
    m_pEntry = reinterpret_cast<descriptor_function>(pSymbol);
    ++m_nLoadCount;
    return true;
}

void file::unload()
{
    --m_nLoadCount;
}

const LADSPA_Descriptor* file::get_plugin(unsigned long nIndex) const
{
    return m_pEntry != nullptr ? m_pEntry(nIndex) : nullptr;
}

}  // namespace ladspa
