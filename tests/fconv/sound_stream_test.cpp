#include <gtest/gtest.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>
#include <fcntl.h>
#include <unistd.h>

#include "fconv_test_util.h"
#include "vocalith/app/exception.h"
#include "vocalith/fconv/sound_stream.h"

namespace {

using fconv::sound_stream;
using fconv_test::bytes;

std::string expected_message(unsigned nLine, const std::string& strText, int nErrno)
{
    return "file_factory, line " + std::to_string(nLine) + ": " + strText + ", errno=" +
           std::to_string(nErrno) + " \"" + std::strerror(nErrno) + "\"";
}

// Runs f and returns the app::exception it throws; fails the test if none.
template <typename F>
app::exception caught(F f)
{
    try {
        f();
    } catch (const app::exception& error) {
        return error;
    }
    ADD_FAILURE() << "no app::exception thrown";
    return app::exception("none", "none", 0);
}

TEST(SoundStream, OpenFailuresNameFileLineAndErrno)
{
    fconv_test::temp_dir dir;
    const std::string strMissing = dir.file("missing.wav");
    app::exception reading = caught([&] { sound_stream s(strMissing, true); });
    EXPECT_EQ(expected_message(21, "Cannot open file " + strMissing + " for reading", ENOENT),
              reading.what());
    EXPECT_EQ(exit_code::FileError, reading.exit_code());

    const std::string strNoDir = dir.file("no/such/dir/out.wav");
    app::exception writing = caught([&] { sound_stream s(strNoDir, false); });
    EXPECT_EQ(expected_message(23, "Cannot open file " + strNoDir + " for writing", ENOENT),
              writing.what());
    EXPECT_EQ(exit_code::FileError, writing.exit_code());
}

TEST(SoundStream, ReadsShortAndThenZeroAtEnd)
{
    fconv_test::temp_dir dir;
    fconv_test::write_file(dir.file("ten"), fconv_test::ramp(10, 1));
    sound_stream s(dir.file("ten"), true);
    EXPECT_TRUE(s.readable());

    std::uint8_t aBuf[16] = {};
    EXPECT_EQ(4u, s.read(aBuf, 4));
    EXPECT_EQ(4u, s.pos());
    EXPECT_EQ(6u, s.read(aBuf, sizeof(aBuf)));
    EXPECT_EQ(bytes({5, 6, 7, 8, 9, 10}), bytes(aBuf, aBuf + 6));
    EXPECT_EQ(0u, s.read(aBuf, sizeof(aBuf)));
    EXPECT_EQ(0u, s.read(aBuf, sizeof(aBuf)));

    // top() clears the end-of-file state; positions are absolute or relative.
    s.top();
    EXPECT_EQ(0u, s.pos());
    s.top(3);
    s.skip(2);
    ASSERT_EQ(1u, s.read(aBuf, 1));
    EXPECT_EQ(6, aBuf[0]);
    s.end();
    EXPECT_EQ(10u, s.pos());
}

TEST(SoundStream, WritesCreateOrTruncate)
{
    fconv_test::temp_dir dir;
    const std::string strPath = dir.file("out.bin");
    fconv_test::write_file(strPath, fconv_test::ramp(100));
    {
        sound_stream s(strPath, false);
        EXPECT_FALSE(s.readable());
        const bytes data = {9, 8, 7};
        EXPECT_EQ(3u, s.write(data.data(), 3));
        EXPECT_EQ(3u, s.pos());
    }
    EXPECT_EQ(bytes({9, 8, 7}), fconv_test::read_file(strPath));
}

TEST(SoundStream, ReadAndWriteErrorsRaiseWithErrno)
{
    fconv_test::temp_dir dir;
    // A directory opens for reading but cannot be read.
    sound_stream directory(dir.path().string(), true);
    std::uint8_t aBuf[8];
    app::exception reading = caught([&] { directory.read(aBuf, sizeof(aBuf)); });
    EXPECT_EQ(expected_message(48, "Error reading file", EISDIR), reading.what());
    EXPECT_EQ(exit_code::FileError, reading.exit_code());

    // More than the runtime buffers, so the device's refusal shows at once.
    sound_stream full("/dev/full", false);
    const bytes data(1 << 16, 0x55);
    app::exception writing =
        caught([&] { full.write(data.data(), static_cast<unsigned>(data.size())); });
    EXPECT_EQ(expected_message(60, "Error writing file", ENOSPC), writing.what());
    EXPECT_EQ(exit_code::FileError, writing.exit_code());
}

TEST(SoundStream, TemporaryFileReadsBackWhatWasWritten)
{
    sound_stream s{fconv::temp_file()};
    EXPECT_TRUE(s.readable());
    const bytes data = fconv_test::ramp(300);
    EXPECT_EQ(300u, s.write(data.data(), 300));
    s.top();
    bytes back(400);
    EXPECT_EQ(300u, s.read(back.data(), 400));
    back.resize(300);
    EXPECT_EQ(data, back);
}

TEST(SoundStream, MovedStreamKeepsTheOnlyHandle)
{
    fconv_test::temp_dir dir;
    fconv_test::write_file(dir.file("a"), {1, 2, 3, 4});
    fconv_test::write_file(dir.file("b"), {5, 6});
    sound_stream target(dir.file("b"), true);
    {
        sound_stream source(dir.file("a"), true);
        std::uint8_t nFirst = 0;
        source.read(&nFirst, 1);
        sound_stream moved(std::move(source));
        target = std::move(moved);
    }  // both moved-from streams end here without touching the handle
    std::uint8_t aRest[4] = {};
    EXPECT_EQ(3u, target.read(aRest, sizeof(aRest)));
    EXPECT_EQ(bytes({2, 3, 4}), bytes(aRest, aRest + 3));
}

TEST(SoundStream, NameStartingWithDashIsAnOrdinaryFile)
{
    fconv_test::temp_dir dir;
    char aOld[4096];
    ASSERT_NE(nullptr, ::getcwd(aOld, sizeof(aOld)));
    ASSERT_EQ(0, ::chdir(dir.path().c_str()));
    {
        sound_stream s("-x", false);
        s.write("ab", 2);
    }
    EXPECT_EQ(bytes({'a', 'b'}), fconv_test::read_file(dir.file("-x")));
    ASSERT_EQ(0, ::chdir(aOld));
}

TEST(SoundStream, DashReadsStandardInputAndLeavesItOpen)
{
    fconv_test::temp_dir dir;
    fconv_test::write_file(dir.file("in"), {'h', 'e', 'l', 'l', 'o'});
    ASSERT_NE(nullptr, std::freopen(dir.file("in").c_str(), "rb", stdin));
    {
        sound_stream s("-", true);
        EXPECT_TRUE(s.readable());
        char aBuf[3];
        ASSERT_EQ(3u, s.read(aBuf, 3));
        EXPECT_EQ(0, std::memcmp(aBuf, "hel", 3));
    }
    // Still open: the descriptor is valid and the rest of the input is there.
    EXPECT_NE(-1, ::fcntl(fileno(stdin), F_GETFD));
    char aRest[8];
    EXPECT_EQ(2u, std::fread(aRest, 1, sizeof(aRest), stdin));
    EXPECT_EQ(0, std::memcmp(aRest, "lo", 2));
}

TEST(SoundStream, DashWritesStandardOutputAndLeavesItOpen)
{
    fconv_test::temp_dir dir;
    std::fflush(stdout);
    const int nSaved = ::dup(fileno(stdout));
    ASSERT_GE(nSaved, 0);
    ASSERT_NE(nullptr, std::freopen(dir.file("out").c_str(), "wb", stdout));
    const int nFd = fileno(stdout);
    {
        sound_stream s("-", false);
        EXPECT_FALSE(s.readable());
        s.write("abc", 3);
    }
    // Still open: the descriptor is valid and more can be written.
    const bool bOpen = ::fcntl(nFd, F_GETFD) != -1;
    const bool bWrote = std::fwrite("de", 1, 2, stdout) == 2 && std::fflush(stdout) == 0;
    ::dup2(nSaved, fileno(stdout));
    ::close(nSaved);
    std::clearerr(stdout);
    EXPECT_TRUE(bOpen);
    EXPECT_TRUE(bWrote);
    EXPECT_EQ(bytes({'a', 'b', 'c', 'd', 'e'}), fconv_test::read_file(dir.file("out")));
}

}  // namespace
