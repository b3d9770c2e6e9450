#include "tree_formatter.h"

#include <cstdio>
#include <cstdlib>
#include <string>

namespace tool {

tree_formatter::tree_formatter() : m_root(nlohmann::ordered_json::object())
{
    m_open.push_back(&m_root);
}

void tree_formatter::put(const char* key, nlohmann::ordered_json value)
{
    nlohmann::ordered_json& node = *m_open.back();
    if (node.is_array()) {
        // A value directly inside a list: keep it as a one-entry item.
        node.push_back(nlohmann::ordered_json::object({{key, std::move(value)}}));
    } else {
        node[key] = std::move(value);
    }
}

void tree_formatter::begin_node(bool is_list, const char* name)
{
    nlohmann::ordered_json& parent = *m_open.back();
    nlohmann::ordered_json child = is_list ? nlohmann::ordered_json::array() : nlohmann::ordered_json::object();
    if (parent.is_array()) {
        // An item of a list keeps its node name: {"plugin": {...}}.
        parent.push_back(nlohmann::ordered_json::object({{name, std::move(child)}}));
        m_open.push_back(&parent.back()[name]);
    } else {
        parent[name] = std::move(child);
        m_open.push_back(&parent[name]);
    }
}

void tree_formatter::end_node(bool, const char*)
{
    if (m_open.size() > 1) {
        m_open.pop_back();
    }
}

void tree_formatter::write_string(const char* key, const char* value) { put(key, value ? value : ""); }
void tree_formatter::write_uint(const char* key, unsigned int value) { put(key, value); }
void tree_formatter::write_ulong(const char* key, unsigned long value) { put(key, value); }
void tree_formatter::write_float(const char* key, float value) { put(key, shortest_double(value)); }
void tree_formatter::write_bool(const char* key, bool value) { put(key, value); }

double shortest_double(float value)
{
    char text[32];
    for (int nDigits = 6; nDigits <= 9; ++nDigits) {
        std::snprintf(text, sizeof(text), "%.*g", nDigits, static_cast<double>(value));
        if (std::strtof(text, nullptr) == value) {
            break;
        }
    }
    return std::strtod(text, nullptr);
}

static std::string scalar_text(const nlohmann::ordered_json& value)
{
    return value.is_string() ? value.get<std::string>() : value.dump();
}

void print_tree(std::ostream& out, const nlohmann::ordered_json& tree, unsigned int nIndent)
{
    std::string strPad(nIndent * 2, ' ');
    if (tree.is_array()) {
        for (const auto& item : tree) {
            print_tree(out, item, nIndent);
        }
        return;
    }
    for (const auto& entry : tree.items()) {
        if (entry.value().is_structured()) {
            out << strPad << entry.key() << '\n';
            print_tree(out, entry.value(), nIndent + 1);
        } else {
            out << strPad << entry.key() << ": " << scalar_text(entry.value()) << '\n';
        }
    }
}

}  // namespace tool
