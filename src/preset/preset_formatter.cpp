#include "vocalith/app/preset_formatter.h"

namespace app {

preset_formatter::~preset_formatter() = default;

void preset_formatter::write_int(const char*, int) {}
void preset_formatter::write_long(const char*, long) {}
void preset_formatter::write_double(const char*, double) {}

}  // namespace app
