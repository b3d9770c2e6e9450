#include "vocalith/app/multibuffer.h"

#include <gtest/gtest.h>

namespace {

using app::sample_buffer;

bool aligned32(const void* p)
{
    return reinterpret_cast<std::uintptr_t>(p) % 32 == 0;
}

// Channel c, sample i holds c * 1000 + i, so a sample shows where it came from.
void fill_pattern(sample_buffer& buffer, float fBase = 0.0f)
{
    for (std::uint32_t c = 0; c < buffer.channel_count(); ++c) {
        for (std::uint32_t i = 0; i < buffer.capacity(); ++i) {
            buffer.channels()[c].pBegin[i] = fBase + static_cast<float>(c * 1000 + i);
        }
    }
}

void expect_layout(const sample_buffer& buffer, std::uint32_t nChannels, std::uint32_t nCapacity)
{
    ASSERT_EQ(buffer.channel_count(), nChannels);
    ASSERT_EQ(buffer.capacity(), nCapacity);
    EXPECT_TRUE(aligned32(buffer.channels()));
    for (std::uint32_t c = 0; c < nChannels; ++c) {
        const sample_buffer::plane& plane = buffer.channels()[c];
        EXPECT_TRUE(aligned32(plane.pBegin)) << "channel " << c;
        EXPECT_EQ(plane.pEnd - plane.pBegin, static_cast<std::ptrdiff_t>(nCapacity)) << "channel " << c;
        if (c > 0) {
            EXPECT_EQ(plane.pBegin, buffer.channels()[c - 1].pEnd) << "planes follow in channel order";
        }
        // The planes lie after the channel table, never over it.
        EXPECT_GE(reinterpret_cast<const void*>(plane.pBegin),
                  reinterpret_cast<const void*>(buffer.channels() + nChannels));
    }
}

TEST(Multibuffer, CapacityRoundsUpToWholeThirtyTwoByteUnits)
{
    expect_layout(sample_buffer(1, 250), 1, 256);
    expect_layout(sample_buffer(3, 8192), 3, 8192);
    expect_layout(sample_buffer(2, 1), 2, 8);
    expect_layout(sample_buffer(5, 9), 5, 16);
    // Channel counts whose table is not a whole number of 32 bytes.
    expect_layout(sample_buffer(7, 100), 7, 104);
    expect_layout(sample_buffer(1, 0), 1, 0);
}

TEST(Multibuffer, EveryPlaneIsWritableWithoutDisturbingTheOthers)
{
    sample_buffer buffer(3, 20);
    fill_pattern(buffer);
    for (std::uint32_t c = 0; c < 3; ++c) {
        EXPECT_EQ(buffer.channels()[c].pBegin[0], static_cast<float>(c * 1000));
        EXPECT_EQ(buffer.channels()[c].pEnd[-1], static_cast<float>(c * 1000 + 23));
    }
}

TEST(Multibuffer, DataAddressesPlanePlusOffset)
{
    sample_buffer buffer(2, 64);
    buffer.set_offset(5);
    buffer.advance(3);
    EXPECT_EQ(buffer.offset(), 8u);
    EXPECT_EQ(buffer.data(1), buffer.channels()[1].pBegin + 8);
}

TEST(Multibuffer, CopyFromTakesTheSourceOffsetToOffsetPlusPosition)
{
    sample_buffer source(2, 32);
    sample_buffer target(2, 32);
    fill_pattern(source);
    fill_pattern(target, 0.5f);
    source.set_offset(5);

    target.copy_from(source, 10, 4);
    for (std::uint32_t c = 0; c < 2; ++c) {
        for (std::uint32_t i = 0; i < 32; ++i) {
            const float fExpected = (i >= 10 && i < 14) ? static_cast<float>(c * 1000 + i - 5)
                                                        : 0.5f + static_cast<float>(c * 1000 + i);
            ASSERT_EQ(target.channels()[c].pBegin[i], fExpected) << "channel " << c << " sample " << i;
        }
    }

    // The target's own offset shifts the destination as well.
    target.set_offset(2);
    target.copy_from(source, 20, 1);
    EXPECT_EQ(target.channels()[1].pBegin[22], 1005.0f);
    EXPECT_EQ(target.channels()[1].pBegin[21], 1021.5f);
    EXPECT_EQ(target.channels()[1].pBegin[23], 1023.5f);
}

TEST(Multibuffer, CopyFromWithCountZeroChangesNothing)
{
    sample_buffer source(2, 16);
    sample_buffer target(2, 16);
    fill_pattern(source);
    fill_pattern(target, 0.5f);
    const sample_buffer before(target);
    target.copy_from(source, 3, 0);
    for (std::uint32_t c = 0; c < 2; ++c) {
        for (std::uint32_t i = 0; i < 16; ++i) {
            ASSERT_EQ(target.channels()[c].pBegin[i], before.channels()[c].pBegin[i]);
        }
    }
}

TEST(Multibuffer, ClearZeroesTheRangeOfEveryChannel)
{
    sample_buffer buffer(3, 16);
    fill_pattern(buffer, 1.0f);
    buffer.set_offset(4);
    buffer.clear(2, 5);
    for (std::uint32_t c = 0; c < 3; ++c) {
        for (std::uint32_t i = 0; i < 16; ++i) {
            const float fExpected = (i >= 6 && i < 11) ? 0.0f : 1.0f + static_cast<float>(c * 1000 + i);
            ASSERT_EQ(buffer.channels()[c].pBegin[i], fExpected) << "channel " << c << " sample " << i;
        }
    }
}

TEST(Multibuffer, CopiesOwnTheirSamples)
{
    sample_buffer original(2, 20);
    fill_pattern(original);
    original.set_offset(3);

    sample_buffer copy(original);
    expect_layout(copy, 2, 24);
    EXPECT_EQ(copy.offset(), 3u);
    EXPECT_NE(copy.channels()[0].pBegin, original.channels()[0].pBegin);
    EXPECT_EQ(copy.channels()[1].pBegin[7], 1007.0f);
    copy.channels()[1].pBegin[7] = -1.0f;
    EXPECT_EQ(original.channels()[1].pBegin[7], 1007.0f);

    sample_buffer assigned(5, 8);
    assigned = original;
    expect_layout(assigned, 2, 24);
    EXPECT_EQ(assigned.channels()[0].pBegin[23], 23.0f);
    original.channels()[0].pBegin[23] = -2.0f;
    EXPECT_EQ(assigned.channels()[0].pBegin[23], 23.0f);

    // Self-assignment keeps the samples; the destructors of all three then
    // free three separate allocations (checked under the sanitizers).
    const sample_buffer& self = assigned;
    assigned = self;
    EXPECT_EQ(assigned.channels()[1].pBegin[0], 1000.0f);
}

}  // namespace
