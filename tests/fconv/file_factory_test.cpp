#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "fconv_test_util.h"
#include "vocalith/app/exception.h"
#include "vocalith/codec/id.h"
#include "vocalith/fconv/file_factory.h"
#include "vocalith/fconv/raw_file.h"
#include "vocalith/fconv/sound_stream.h"
#include "vocalith/fconv/wav_file.h"

namespace {

using fconv::file_factory;
using fconv::sound_stream;
using fconv_test::bytes;
using fconv_test::chunk;

TEST(FileFactory, NamesMapToIdsExactly)
{
    // Every row is found by the binary search, so the map is in search order.
    for (std::size_t i = 0; i < file_factory::s_nMapSize; ++i)
        EXPECT_EQ(file_factory::s_Map[i].nId, file_factory::id(file_factory::s_Map[i].pszName, 99))
            << file_factory::s_Map[i].pszName;
    EXPECT_EQ(4u, file_factory::s_nMapSize);
    EXPECT_EQ(2u, file_factory::id("wav", 0));
    EXPECT_EQ(1u, file_factory::id(std::string("gsm"), 0));
    EXPECT_EQ(1u, file_factory::id("raw", 0));
    EXPECT_EQ(3u, file_factory::id("amr", 0));
    for (const char* pszOther : {"WAV", "Wav", "", "wa", "wavx", "a", "zzz", "pcm16le"})
        EXPECT_EQ(77u, file_factory::id(pszOther, 77)) << pszOther;
    EXPECT_EQ(77u, file_factory::id(static_cast<const char*>(nullptr), 77));

    EXPECT_STREQ("gsm", file_factory::name(1, "def"));
    EXPECT_STREQ("wav", file_factory::name(2, "def"));
    EXPECT_STREQ("amr", file_factory::name(3, "def"));
    EXPECT_STREQ("def", file_factory::name(0, "def"));
    EXPECT_STREQ("def", file_factory::name(4, "def"));
}

TEST(FileFactory, FormatFromFileNameExtension)
{
    const struct {
        const char* pszName;
        unsigned nId;
    } cases[] = {
        {"talk.wav", 2},         {"a.b.gsm", 1},       {"x.raw", 1},
        {"voice.amr", 3},        {"TALK.WAV", 0},      {"talk.Wav", 0},
        {"noextension", 0},      {"trailing.", 0},     {"", 0},
        {".wav", 2},             {"dir.wav/file", 0},  {"dir.d/sub/file", 0},
        {"dir.d/talk.wav", 2},   {"/a.b/c.d/x.gsm", 1}, {"dir\\talk.wav", 2},
        {"talk.mp3", 0},         {"talk.wav.bak", 0},  {"dir.wav/", 0},
    };
    for (const auto& c : cases)
        EXPECT_EQ(c.nId, file_factory::get_format_from_filename(c.pszName)) << c.pszName;
}

class FileFactoryOnFiles : public ::testing::Test {
protected:
    std::string put(const std::string& strName, const bytes& data)
    {
        const std::string strPath = m_dir.file(strName);
        fconv_test::write_file(strPath, data);
        return strPath;
    }

    fconv_test::temp_dir m_dir;
    file_factory m_factory;
};

TEST_F(FileFactoryOnFiles, DetectsWavAndLeavesItReadyForData)
{
    const bytes samples = fconv_test::ramp(40, 100);
    sound_stream s(put("a.bin", fconv_test::riff({{"fmt ", fconv_test::fmt_payload(7, 1, 8000, 8)},
                                                  {"data", samples}})),
                   true);
    s.skip(5);  // detection starts from the beginning whatever the position
    std::unique_ptr<fconv::sound_file> pFile = m_factory.instantiate(s);
    ASSERT_NE(nullptr, pFile);
    EXPECT_NE(nullptr, dynamic_cast<fconv::wav_file*>(pFile.get()));
    EXPECT_EQ(2u, pFile->id());
    EXPECT_TRUE(pFile->is_attached());
    EXPECT_EQ(codec::id_g711_ulaw, pFile->codec());
    bytes back(64);
    back.resize(pFile->read(back.data(), 64));
    EXPECT_EQ(samples, back);
    EXPECT_EQ(&s, pFile->detach());
    EXPECT_FALSE(pFile->is_attached());
}

TEST_F(FileFactoryOnFiles, RawAndShortContentAreNotRecognised)
{
    bytes gsmFrames(33 * 3, 0xD5);
    bytes almostWav = fconv_test::riff({{"fmt ", fconv_test::fmt_payload(1, 1, 8000, 16)}});
    almostWav.resize(35);
    bytes notWave = fconv_test::riff({{"fmt ", fconv_test::fmt_payload(1, 1, 8000, 16)}});
    std::memcpy(notWave.data() + 8, "AVI ", 4);
    bytes listFirst = fconv_test::riff(
        {{"LIST", bytes(4, 'x')}, {"fmt ", fconv_test::fmt_payload(1, 1, 8000, 16)}});
    for (const bytes& content : {gsmFrames, bytes(), almostWav, notWave, listFirst}) {
        sound_stream s(put("x", content), true);
        EXPECT_EQ(nullptr, m_factory.instantiate(s)) << content.size() << " bytes";
    }
}

TEST_F(FileFactoryOnFiles, StreamOpenedForWritingIsNeverRecognised)
{
    sound_stream s(m_dir.file("w.wav"), false);
    s.write("12345", 5);
    fconv::wav_file prototype;
    EXPECT_FALSE(prototype.is_suitable(s));
    EXPECT_EQ(5u, s.pos());
}

// A format that claims every content, to make detection ambiguous.
class greedy_file : public fconv::raw_file {
public:
    bool is_suitable(fconv::sound_stream&) override { return true; }
};

TEST_F(FileFactoryOnFiles, SeveralSuitableFormatsRaiseWithTheirNames)
{
    std::vector<std::unique_ptr<fconv::sound_file>> prototypes;
    prototypes.push_back(std::make_unique<greedy_file>());
    prototypes.push_back(std::make_unique<fconv::wav_file>());
    file_factory factory(std::move(prototypes));

    sound_stream wav(put("a.wav", fconv_test::riff({{"fmt ", fconv_test::fmt_payload(1, 1, 8000, 16)},
                                                    {"data", bytes(8)}})),
                     true);
    try {
        factory.instantiate(wav);
        FAIL() << "no exception";
    } catch (const app::exception& error) {
        EXPECT_STREQ("file_factory, line 133: Cannot recognize file format, several formats are "
                     "suitable: gsm,wav",
                     error.what());
        EXPECT_EQ(exit_code::FileError, error.exit_code());
    }

    // Only one of them fits other content: no ambiguity.
    sound_stream raw(put("a.raw", bytes(50, 1)), true);
    std::unique_ptr<fconv::sound_file> pFile = factory.instantiate(raw);
    ASSERT_NE(nullptr, pFile);
    EXPECT_EQ(1u, pFile->id());
}

TEST_F(FileFactoryOnFiles, CreatesByIdAndSurvivesAMove)
{
    sound_stream s(put("r", fconv_test::ramp(6)), true);
    s.skip(4);
    file_factory moved(std::move(m_factory));

    std::unique_ptr<fconv::sound_file> pRaw = moved.instantiate(1, s);
    ASSERT_NE(nullptr, dynamic_cast<fconv::raw_file*>(pRaw.get()));
    EXPECT_EQ(0u, pRaw->codec());
    EXPECT_EQ(0u, pRaw->sample_rate());
    EXPECT_EQ(1u, pRaw->channels());
    std::uint8_t aBuf[8];
    EXPECT_EQ(6u, pRaw->read(aBuf, sizeof(aBuf)));  // rewound first

    EXPECT_NE(nullptr, dynamic_cast<fconv::wav_file*>(moved.instantiate(2, s).get()));
    EXPECT_EQ(nullptr, moved.instantiate(3, s));
    EXPECT_EQ(nullptr, moved.instantiate(0, s));
    EXPECT_EQ(nullptr, moved.instantiate(42, s));
}

TEST_F(FileFactoryOnFiles, RawFilePassesBytesStraightThrough)
{
    const std::string strPath = m_dir.file("out.raw");
    const bytes data = fconv_test::ramp(33);
    {
        sound_stream s(strPath, false);
        std::unique_ptr<fconv::sound_file> pRaw = m_factory.instantiate(1, s);
        pRaw->write_header(codec::id_gsm_610, 1, 8000);
        EXPECT_EQ(33u, pRaw->write(data.data(), 33));
        pRaw->finish(160);
    }
    EXPECT_EQ(data, fconv_test::read_file(strPath));
}

}  // namespace
