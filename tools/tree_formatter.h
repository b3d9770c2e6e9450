// A preset description collected as a JSON tree, printable as JSON or as an
// indented text tree.
#ifndef VOCALITH_TOOL_TREE_FORMATTER_H
#define VOCALITH_TOOL_TREE_FORMATTER_H

#include <ostream>
#include <vector>

#include <nlohmann/json.hpp>

#include "vocalith/app/preset_formatter.h"

namespace tool {

// Nodes become objects and list nodes arrays whose items are one-key
// objects {"<node name>": {...}}; values keep their order, names and types. Floats are
// written with the fewest digits that read back as the same float.
class tree_formatter : public app::preset_formatter {
public:
    tree_formatter();

    void begin_node(bool is_list, const char* name) override;
    void end_node(bool is_list, const char* name) override;
    void write_string(const char* key, const char* value) override;
    void write_uint(const char* key, unsigned int value) override;
    void write_ulong(const char* key, unsigned long value) override;
    void write_float(const char* key, float value) override;
    void write_bool(const char* key, bool value) override;

    // The whole tree: an object holding the outermost node(s) by name.
    const nlohmann::ordered_json& tree() const { return m_root; }

private:
    void put(const char* key, nlohmann::ordered_json value);

    nlohmann::ordered_json m_root;
    std::vector<nlohmann::ordered_json*> m_open;  // innermost last
};

// A float as the double whose shortest decimal form is the float's.
double shortest_double(float value);

// Bounds of sample-rate ports as the plugin is set, in hertz at the
// plugin's "sample_rate", as `plugins` shows them; with bRaw the hint's own
// values stay beside them as "raw_lower_bound" and "raw_upper_bound".
void bounds_at_rate(nlohmann::ordered_json& tree, bool bRaw);

// Prints tree as indented "key: value" lines and nodes as their names, two
// spaces per level; the items of a list stand one level under it.
void print_tree(std::ostream& out, const nlohmann::ordered_json& tree, unsigned int nIndent = 0);

}  // namespace tool

#endif
