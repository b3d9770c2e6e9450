#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "fconv_test_util.h"
#include "vocalith/app/exception.h"
#include "vocalith/codec/id.h"
#include "vocalith/fconv/file_factory.h"
#include "vocalith/fconv/sound_stream.h"
#include "vocalith/fconv/wav_file.h"

namespace {

using fconv::file_factory;
using fconv::sound_file;
using fconv::sound_stream;
using fconv_test::bytes;
using fconv_test::chunk;
using fconv_test::le16;
using fconv_test::le32;

class WavFile : public ::testing::Test {
protected:
    // Writes a WAV file through the factory: header, data, finish.
    bytes write_wav(unsigned nCodec, unsigned nChannels, unsigned nRate, const bytes& data,
                    unsigned nSampleCount)
    {
        const std::string strPath = m_dir.file("w.wav");
        {
            sound_stream s(strPath, false);
            std::unique_ptr<sound_file> pFile = m_factory.instantiate(2, s);
            pFile->write_header(nCodec, nChannels, nRate);
            EXPECT_EQ(data.size(), pFile->write(data.data(), static_cast<unsigned>(data.size())));
            pFile->finish(nSampleCount);
            EXPECT_EQ(44u + data.size(), s.pos());  // finish leaves the stream at the end
        }
        return fconv_test::read_file(strPath);
    }

    // Opens content by detection and reads all its data in pieces of nPiece.
    bytes read_all(const bytes& content, unsigned nPiece, unsigned* pCodec = nullptr)
    {
        const std::string strPath = m_dir.file("r.wav");
        fconv_test::write_file(strPath, content);
        sound_stream s(strPath, true);
        std::unique_ptr<sound_file> pFile = m_factory.instantiate(2, s);
        if (pCodec != nullptr) *pCodec = pFile->codec();
        bytes all;
        bytes piece(nPiece);
        while (unsigned nRead = pFile->read(piece.data(), nPiece))
            all.insert(all.end(), piece.begin(), piece.begin() + nRead);
        return all;
    }

    fconv_test::temp_dir m_dir;
    file_factory m_factory;
};

TEST_F(WavFile, HeaderForEveryCodec)
{
    const struct {
        unsigned nCodec;
        unsigned nTag;
        unsigned nWidth;
    } rows[] = {
        {codec::id_pcm_float32, 3, 4}, {codec::id_pcm_int16be, 1, 2}, {codec::id_pcm_int16le, 1, 2},
        {codec::id_g711_alaw, 6, 1},   {codec::id_g711_ulaw, 7, 1},   {codec::id_none, 0, 1},
        {codec::id_gsm_610, 0, 1},     {77, 0, 1},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.nCodec);
        const bytes file = write_wav(row.nCodec, 2, 11025, {}, 0);
        ASSERT_EQ(44u, file.size());
        EXPECT_EQ("RIFF", std::string(file.begin(), file.begin() + 4));
        EXPECT_EQ(36u, le32(file, 4));  // finish after no data
        EXPECT_EQ("WAVEfmt ", std::string(file.begin() + 8, file.begin() + 16));
        EXPECT_EQ(16u, le32(file, 16));
        EXPECT_EQ(row.nTag, le16(file, 20));
        EXPECT_EQ(2u, le16(file, 22));
        EXPECT_EQ(11025u, le32(file, 24));
        EXPECT_EQ(2u * row.nWidth * 11025u, le32(file, 28));
        EXPECT_EQ(2u * row.nWidth, le16(file, 32));
        EXPECT_EQ(8u * row.nWidth, le16(file, 34));
        EXPECT_EQ("data", std::string(file.begin() + 36, file.begin() + 40));
        EXPECT_EQ(0u, le32(file, 40));
    }
}

TEST_F(WavFile, FinishSetsRiffAndDataSizes)
{
    const bytes alaw = write_wav(codec::id_g711_alaw, 1, 8000, bytes(16000, 0xD5), 16000);
    ASSERT_EQ(16044u, alaw.size());
    EXPECT_EQ(6u, le16(alaw, 20));
    EXPECT_EQ(8000u, le32(alaw, 28));
    EXPECT_EQ(1u, le16(alaw, 32));
    EXPECT_EQ(8u, le16(alaw, 34));
    EXPECT_EQ(16000u, le32(alaw, 40));
    EXPECT_EQ(alaw.size() - 8, le32(alaw, 4));

    // Stereo float: 4 bytes x 2 channels per sample count.
    const bytes stereo = write_wav(codec::id_pcm_float32, 2, 8000, bytes(8 * 30), 30);
    EXPECT_EQ(240u, le32(stereo, 40));
    EXPECT_EQ(stereo.size() - 8, le32(stereo, 4));
}

TEST_F(WavFile, BigEndianPcmIsSwappedInWholeValues)
{
    // 2500 values cross the 1024-value scratch area twice; the odd last byte
    // is dropped. The input vector is exactly as long as the count passed.
    bytes input(2 * 2500 + 1);
    for (std::size_t i = 0; i < input.size(); ++i) input[i] = static_cast<std::uint8_t>(i * 7 + i / 256);
    const std::string strPath = m_dir.file("be.wav");
    {
        sound_stream s(strPath, false);
        std::unique_ptr<sound_file> pFile = m_factory.instantiate(2, s);
        pFile->write_header(codec::id_pcm_int16be, 1, 8000);
        EXPECT_EQ(5000u, pFile->write(input.data(), static_cast<unsigned>(input.size())));
        EXPECT_EQ(2u, pFile->write(input.data(), 3));
        EXPECT_EQ(0u, pFile->write(input.data(), 1));
        pFile->finish(2501);
    }
    const bytes file = fconv_test::read_file(strPath);
    ASSERT_EQ(44u + 5002u, file.size());
    EXPECT_EQ(1u, le16(file, 20));
    EXPECT_EQ(5002u, le32(file, 40));
    for (std::size_t i = 0; i < 2500; ++i) {
        ASSERT_EQ(input[2 * i + 1], file[44 + 2 * i]) << i;
        ASSERT_EQ(input[2 * i], file[44 + 2 * i + 1]) << i;
    }
    EXPECT_EQ(input[1], file[44 + 5000]);
    EXPECT_EQ(input[0], file[44 + 5001]);

    unsigned nCodec = 0;
    const bytes back = read_all(file, 4096, &nCodec);
    EXPECT_EQ(codec::id_pcm_int16le, nCodec);
    EXPECT_EQ(bytes(file.begin() + 44, file.end()), back);
}

TEST_F(WavFile, SwappedWriteErrorRaises)
{
    sound_stream s("/dev/full", false);
    std::unique_ptr<sound_file> pFile = m_factory.instantiate(2, s);
    pFile->write_header(codec::id_pcm_int16be, 1, 8000);
    const bytes data(1 << 17);
    try {
        pFile->write(data.data(), static_cast<unsigned>(data.size()));
        FAIL() << "no exception";
    } catch (const app::exception& error) {
        EXPECT_EQ(0, std::string(error.what()).find("file_factory, line 60: Error writing file, errno="));
        EXPECT_EQ(exit_code::FileError, error.exit_code());
    }
}

TEST_F(WavFile, RoundTripKeepsFormatAndData)
{
    const bytes data = fconv_test::ramp(96, 3);
    for (unsigned nCodec : {codec::id_pcm_float32, codec::id_pcm_int16le, codec::id_g711_alaw,
                            codec::id_g711_ulaw}) {
        SCOPED_TRACE(nCodec);
        const bytes file = write_wav(nCodec, 3, 22050, data, 0);
        const std::string strPath = m_dir.file("rt.wav");
        fconv_test::write_file(strPath, file);
        sound_stream s(strPath, true);
        std::unique_ptr<sound_file> pFile = m_factory.instantiate(s);
        ASSERT_NE(nullptr, pFile);
        EXPECT_EQ(nCodec, pFile->codec());
        EXPECT_EQ(3u, pFile->channels());
        EXPECT_EQ(22050u, pFile->sample_rate());
        // finish(0) wrote a data size of 0: nothing is delivered.
        std::uint8_t aBuf[8];
        EXPECT_EQ(0u, pFile->read(aBuf, sizeof(aBuf)));
    }
    const bytes file = write_wav(codec::id_g711_ulaw, 1, 8000, data, 96);
    EXPECT_EQ(data, read_all(file, 7));
}

TEST_F(WavFile, ExtraChunksBeforeAndAfterData)
{
    const bytes samples = fconv_test::ramp(1001, 9);
    // An odd LIST chunk with its pad byte, a fact chunk, then data (odd too)
    // and trailing chunks that must not be delivered.
    const bytes file = fconv_test::riff({
        {"fmt ", fconv_test::fmt_payload(1, 2, 16000, 16)},
        {"LIST", fconv_test::ramp(13, 200)},
        {"fact", bytes(4, 0)},
        {"data", samples},
        {"LIST", bytes(20, 0xEE)},
        {"id3 ", bytes(3, 0xAA)},
    });
    unsigned nCodec = 0;
    EXPECT_EQ(samples, read_all(file, 64, &nCodec));
    EXPECT_EQ(codec::id_pcm_int16le, nCodec);
    EXPECT_EQ(samples, read_all(file, 5000));
}

TEST_F(WavFile, LongAndExtensibleFormatChunks)
{
    const bytes samples = fconv_test::ramp(24, 1);
    const struct {
        const char* pszCase;
        bytes format;
        unsigned nCodec;
        unsigned nChannels;
    } cases[] = {
        {"alaw with cbSize", fconv_test::fmt_payload(6, 1, 8000, 8, {0, 0}), codec::id_g711_alaw, 1},
        {"odd-sized ulaw", fconv_test::fmt_payload(7, 2, 8000, 8, {0, 0, 0}), codec::id_g711_ulaw, 2},
        {"extensible pcm", fconv_test::extensible_payload(1, 2, 48000, 16), codec::id_pcm_int16le, 2},
        {"extensible float", fconv_test::extensible_payload(3, 1, 48000, 32), codec::id_pcm_float32, 1},
        {"extensible, foreign GUID", fconv_test::extensible_payload(1, 1, 48000, 16, false),
         codec::id_none, 1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.pszCase);
        const bytes file = fconv_test::riff({{"fmt ", c.format}, {"data", samples}});
        const std::string strPath = m_dir.file("x.wav");
        fconv_test::write_file(strPath, file);
        sound_stream s(strPath, true);
        std::unique_ptr<sound_file> pFile = m_factory.instantiate(s);
        ASSERT_NE(nullptr, pFile);
        EXPECT_EQ(c.nCodec, pFile->codec());
        EXPECT_EQ(c.nChannels, pFile->channels());
        EXPECT_EQ(le32(c.format, 4), pFile->sample_rate());
        // The image keeps the first 16 bytes of the format chunk and its size.
        const auto* pWav = dynamic_cast<fconv::wav_file*>(pFile.get());
        ASSERT_NE(nullptr, pWav);
        EXPECT_EQ(bytes(c.format.begin(), c.format.begin() + 16),
                  bytes(pWav->header() + 20, pWav->header() + 36));
        EXPECT_EQ(c.format.size(), le32(bytes(pWav->header(), pWav->header() + 36), 16));
        bytes back(100);
        back.resize(pFile->read(back.data(), 100));
        EXPECT_EQ(samples, back);
    }
}

TEST_F(WavFile, FormatChunkAfterOtherChunksIsFound)
{
    const bytes samples = fconv_test::ramp(10);
    const bytes file = fconv_test::riff({{"JUNK", bytes(27, 0)},
                                         {"fmt ", fconv_test::fmt_payload(3, 1, 44100, 32)},
                                         {"data", samples}});
    unsigned nCodec = 0;
    EXPECT_EQ(samples, read_all(file, 3, &nCodec));
    EXPECT_EQ(codec::id_pcm_float32, nCodec);
}

}  // namespace
