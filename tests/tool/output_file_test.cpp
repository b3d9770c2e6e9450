// The output file is written under a temporary name and appears under its
// own name only once it is complete.
#include "output_file.h"

#include <cstdint>
#include <string>
#include <vector>

#include "common.h"
#include "tool_runner.h"

namespace tool_test {
namespace {

class output_file : public scratch {};

TEST_F(output_file, appears_only_when_committed)
{
    std::string strOut = path("result.wav");
    {
        tool::output_file out(strOut, codec::id_pcm_int16le, 1, 8000);
        std::int16_t samples[3] = {1, -2, 3};
        out.write(samples, sizeof(samples));
        EXPECT_FALSE(exists(strOut));
        // The partial file lives beside the output, hidden.
        std::vector<std::string> names = files();
        ASSERT_EQ(names.size(), 1u);
        EXPECT_EQ(names[0].rfind(".result.wav.", 0), 0u) << names[0];
        out.commit(3);
        EXPECT_TRUE(exists(strOut));
    }
    EXPECT_EQ(files(), std::vector<std::string>{"result.wav"});
    EXPECT_EQ(wav_samples(strOut), (std::vector<std::int16_t>{1, -2, 3}));
}

TEST_F(output_file, abandoned_output_leaves_an_existing_file_alone)
{
    std::string strOut = path("keep.raw");
    write_file(strOut, "old contents");
    {
        tool::output_file out(strOut, codec::id_g711_alaw, 1, 8000);
        out.write("new", 3);
        // Destroyed without commit, as when a conversion throws.
    }
    EXPECT_EQ(read_file(strOut), "old contents");
    EXPECT_EQ(files(), std::vector<std::string>{"keep.raw"});
}

TEST_F(output_file, refuses_what_a_wav_file_cannot_hold)
{
    EXPECT_THROW(tool::output_file(path("x.wav"), codec::id_gsm_610, 1, 8000), tool::error);
    EXPECT_THROW(tool::output_file(path("missing/x.raw"), codec::id_pcm_int16le, 1, 8000), tool::error);
    EXPECT_TRUE(files().empty());
}

}  // namespace
}  // namespace tool_test
