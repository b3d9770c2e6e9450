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

static void port_at_rate(nlohmann::ordered_json& port, float fRate, bool bRaw)
{
    const bool bScale = port.value("hint_sample_rate", false);
    for (const char* pszKey : {"lower_bound", "upper_bound"}) {
        if (!port.contains(pszKey)) {
            continue;
        }
        const float fRaw = port[pszKey].get<float>();
        if (bRaw) {
            port[std::string("raw_") + pszKey] = shortest_double(fRaw);
        }
        if (bScale) {
            port[pszKey] = shortest_double(fRaw * fRate);
        }
    }
}

void bounds_at_rate(nlohmann::ordered_json& tree, bool bRaw)
{
    if (!tree.is_structured()) {
        return;
    }
    if (tree.is_object() && tree.contains("sample_rate") && tree.contains("desc")) {
        const float fRate = static_cast<float>(tree["sample_rate"].get<unsigned int>());
        for (const char* pszList : {"input_control_ports", "output_control_ports"}) {
            for (auto& item : tree["desc"][pszList]) {
                port_at_rate(item["port"], fRate, bRaw);
            }
        }
        return;
    }
    for (auto& child : tree) {
        bounds_at_rate(child, bRaw);
    }
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
