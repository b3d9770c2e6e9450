// Sink of a preset's description, implemented by callers (tools that print
// presets). The description is a tree of named nodes holding named values.
#ifndef VOCALITH_APP_PRESET_FORMATTER_H
#define VOCALITH_APP_PRESET_FORMATTER_H

#include "vocalith/export.h"

namespace app {

// Keys and node names are static strings; string values are valid only
// during the call. Keys repeat across nodes.
class VOCALITH_API preset_formatter {
public:
    virtual ~preset_formatter();
    // is_list: the node's children are a sequence of like nodes.
    virtual void begin_node(bool is_list, const char* name) = 0;
    // Called with the same arguments as the begin_node that opened the node.
    virtual void end_node(bool is_list, const char* name) = 0;
    virtual void write_string(const char* key, const char* value) = 0;
    virtual void write_int(const char* key, int value);  // never called by the library
    virtual void write_uint(const char* key, unsigned int value) = 0;
    virtual void write_long(const char* key, long value);  // never called by the library
    virtual void write_ulong(const char* key, unsigned long value) = 0;
    virtual void write_float(const char* key, float value) = 0;
    virtual void write_double(const char* key, double value);  // never called by the library
    virtual void write_bool(const char* key, bool value) = 0;
};

}  // namespace app

#endif
