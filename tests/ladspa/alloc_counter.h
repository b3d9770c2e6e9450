// Counts calls of the global operator new in this test program.
#ifndef VOCALITH_TESTS_LADSPA_ALLOC_COUNTER_H
#define VOCALITH_TESTS_LADSPA_ALLOC_COUNTER_H

#include <cstddef>

namespace vt {

std::size_t allocation_count();

}  // namespace vt

#endif
