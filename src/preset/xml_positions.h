// libxml2 parsing that also notes where each element starts: its tree keeps
// lines only, and users look for a finding by line and column.
#ifndef VOCALITH_SRC_PRESET_XML_POSITIONS_H
#define VOCALITH_SRC_PRESET_XML_POSITIONS_H

#include <libxml/tree.h>

#include <string>

namespace app {

class load_observer;

// As xmlReadFile and xmlReadMemory with nOptions; the observer learns every
// element's position, and on failure libxml2's message and position
// (except for a file that cannot be opened at all).
xmlDoc* read_file_noting_positions(const std::string& strPath, int nOptions, load_observer& observer);
xmlDoc* read_memory_noting_positions(const std::string& strXml, int nOptions, load_observer& observer);

}  // namespace app

#endif
