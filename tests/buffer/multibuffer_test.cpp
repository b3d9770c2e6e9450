#include "vocalith/app/multibuffer.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>

namespace {

// Planes start on 32-byte boundaries, hold whole 32-byte units and lie apart
// from one another and from the channel table; a copy owns its samples.
TEST(Multibuffer, PlanesAreAlignedAndApartAndCopiesOwnTheirSamples)
{
    // {channels, samples asked, capacity}; seven planes make a table of no whole 32-byte units.
    for (const auto& test : {std::array<std::uint32_t, 3>{1, 250, 256}, {2, 1, 8}, {7, 100, 104}, {3, 0, 0}}) {
        app::sample_buffer buffer(test[0], test[1]);
        ASSERT_EQ(buffer.capacity(), test[2]);
        for (std::uint32_t c = 0; c < test[0]; ++c) {
            std::fill(buffer.channels()[c].pBegin, buffer.channels()[c].pEnd, static_cast<float>(c));
        }
        app::sample_buffer copy(5, 8);
        copy = buffer;
        for (std::uint32_t c = 0; c < test[0]; ++c) {
            std::fill(buffer.channels()[c].pBegin, buffer.channels()[c].pEnd, -1.0f);
        }
        for (std::uint32_t c = 0; c < test[0]; ++c) {
            const app::sample_buffer::plane& plane = copy.channels()[c];
            EXPECT_EQ(reinterpret_cast<std::uintptr_t>(plane.pBegin) % 32, 0u) << test[0] << " channels";
            ASSERT_EQ(plane.pEnd, plane.pBegin + test[2]);
            EXPECT_EQ(std::count(plane.pBegin, plane.pEnd, static_cast<float>(c)), test[2]) << "channel " << c;
        }
    }
}

}  // namespace
