// Damaged WAV files are not reported: the header fields read as whatever the
// file held and the data delivered never runs past the file or the data
// chunk. Run under the address sanitizer build, these cases also show that
// nothing is read or written outside a buffer.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "fconv_test_util.h"
#include "vocalith/codec/id.h"
#include "vocalith/fconv/file_factory.h"
#include "vocalith/fconv/sound_stream.h"

namespace {

using fconv::sound_file;
using fconv::sound_stream;
using fconv_test::bytes;
using fconv_test::chunk;
using fconv_test::fmt_payload;
using fconv_test::riff;

struct damaged {
    std::string strName;
    bytes content;
    bool bRecognised;
    unsigned nCodec;
    unsigned nChannels;
    unsigned nRate;
    bytes data;  // what read() delivers in all
};

bytes with_field16(bytes format, std::size_t nAt, std::uint16_t nValue)
{
    format[nAt] = static_cast<std::uint8_t>(nValue);
    format[nAt + 1] = static_cast<std::uint8_t>(nValue >> 8);
    return format;
}

std::vector<damaged> damaged_files()
{
    const bytes pcm = fmt_payload(1, 1, 8000, 16);
    const bytes ten = fconv_test::ramp(10, 1);
    const bytes good = riff({{"fmt ", pcm}, {"data", ten}});
    std::vector<damaged> cases = {
        {"three bytes", {'R', 'I', 'F'}, false, 0, 0, 0, {}},
        {"empty file", {}, false, 0, 0, 0, {}},
        {"truncated header", bytes(good.begin(), good.begin() + 30), false, 0, 0, 0, {}},
        {"data header cut", bytes(good.begin(), good.begin() + 40), true, 3, 1, 8000, {}},
        {"data size past the end", riff({{"fmt ", pcm}, {"data", ten, 1000}}), true, 3, 1, 8000, ten},
        {"data size 0xFFFFFFFF", riff({{"fmt ", pcm}, {"data", ten, 0xFFFFFFFF}}), true, 3, 1, 8000, ten},
        {"empty data", riff({{"fmt ", pcm}, {"data", {}}, {"LIST", ten}}), true, 3, 1, 8000, {}},
        {"no data chunk", riff({{"fmt ", pcm}, {"LIST", ten}}), true, 3, 1, 8000, {}},
        {"zero-size chunks", riff({{"fmt ", pcm}, {"JUNK", {}}, {"LIST", {}}, {"data", ten}}), true, 3,
         1, 8000, ten},
        {"huge chunk before data", riff({{"fmt ", pcm}, {"LIST", bytes(4), 0xFFFFFFFF}, {"data", ten}}),
         true, 3, 1, 8000, {}},
        {"chunk past the end", riff({{"fmt ", pcm}, {"LIST", bytes(4), 30}, {"data", ten}}), true, 3,
         1, 8000, {}},
        {"huge format chunk", riff({{"fmt ", pcm, 0xFFFFFFF0}, {"data", ten}}), true, 0, 0, 0, {}},
        {"format size 0", riff({{"fmt ", {}}, {"data", ten}}), true, 0, 0, 0, ten},
        {"format size 3", riff({{"fmt ", {1, 0, 2}}, {"data", ten}}), true, 3, 2, 0, ten},
        {"odd chunk without pad", riff({{"fmt ", pcm}, {"LIST", {1, 2, 3}, -1, false}, {"data", ten}}),
         true, 3, 1, 8000, {}},
        {"zero channels", riff({{"fmt ", fmt_payload(1, 0, 8000, 16)}, {"data", ten}}), true, 3, 0,
         8000, ten},
        {"zero bits", riff({{"fmt ", fmt_payload(1, 1, 8000, 0)}, {"data", ten}}), true, 3, 1, 8000,
         ten},
        {"seven bits", riff({{"fmt ", fmt_payload(1, 1, 8000, 7)}, {"data", ten}}), true, 3, 1, 8000,
         ten},
        {"zero rate", riff({{"fmt ", fmt_payload(6, 1, 0, 8)}, {"data", ten}}), true, 4, 1, 0, ten},
        {"unknown tag", riff({{"fmt ", fmt_payload(0x55, 2, 8000, 16)}, {"data", ten}}), true, 0, 2,
         8000, ten},
        {"block align 0", riff({{"fmt ", with_field16(pcm, 12, 0)}, {"data", ten}}), true, 3, 1, 8000,
         ten},
        {"extensible cut short", riff({{"fmt ", fmt_payload(0xFFFE, 1, 8000, 16, {22, 0, 16, 0})},
                                       {"data", ten}}),
         true, 0, 1, 8000, ten},
    };
    // Many empty chunks before the data still end in the data.
    std::vector<chunk> many = {{"fmt ", pcm}};
    for (int i = 0; i < 500; ++i) many.push_back({"JUNK", {}});
    many.push_back({"data", ten});
    cases.push_back({"500 empty chunks", riff(many), true, 3, 1, 8000, ten});
    return cases;
}

TEST(WavMalformed, NeitherCrashesNorReadsPastTheFile)
{
    fconv_test::temp_dir dir;
    fconv::file_factory factory;
    for (const damaged& c : damaged_files()) {
        SCOPED_TRACE(c.strName);
        const std::string strPath = dir.file("damaged.wav");
        fconv_test::write_file(strPath, c.content);
        sound_stream s(strPath, true);
        std::unique_ptr<sound_file> pDetected = factory.instantiate(s);
        EXPECT_EQ(c.bRecognised, pDetected != nullptr);

        // Opened as WAV whatever detection said.
        std::unique_ptr<sound_file> pFile = factory.instantiate(2, s);
        ASSERT_NE(nullptr, pFile);
        EXPECT_EQ(c.nCodec, pFile->codec());
        EXPECT_EQ(c.nChannels, pFile->channels());
        EXPECT_EQ(c.nRate, pFile->sample_rate());
        bytes all;
        std::uint8_t aPiece[7];
        for (int nCalls = 0; nCalls < 1000; ++nCalls) {
            const unsigned nRead = pFile->read(aPiece, sizeof(aPiece));
            ASSERT_LE(nRead, sizeof(aPiece));
            if (nRead == 0) break;
            all.insert(all.end(), aPiece, aPiece + nRead);
        }
        EXPECT_EQ(c.data, all);
    }
}

}  // namespace
