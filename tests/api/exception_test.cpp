#include <gtest/gtest.h>

#include <climits>
#include <cstdarg>
#include <string>

#include "api/format_message.h"
#include "vocalith/app/exception.h"

namespace {

app::exception make_formatted(exit_code::ExitCode code, const char* file, unsigned int line,
                              const char* fmt, ...)
{
    va_list args;
    va_start(args, fmt);
    app::exception error(code, fmt, args, file, line);
    va_end(args);
    return error;
}

app::exception make_formatted_nocode(const char* file, unsigned int line, const char* fmt, ...)
{
    va_list args;
    va_start(args, fmt);
    app::exception error(fmt, args, file, line);
    va_end(args);
    return error;
}

TEST(Exception, MessageCarriesFileLineAndCode)
{
    app::exception error(exit_code::FileError, "M", "F", 21);
    EXPECT_STREQ("F, line 21: M", error.what());
    EXPECT_EQ(exit_code::FileError, error.exit_code());
    EXPECT_FALSE(error.empty_msg());

    app::exception plain("text", "file.cpp", 7);
    EXPECT_STREQ("file.cpp, line 7: text", plain.what());
    EXPECT_EQ(exit_code::Unspecified, plain.exit_code());
}

TEST(Exception, StringConstructorPrintsLineSigned)
{
    app::exception fromString(std::string("s"), "f", UINT_MAX);
    EXPECT_STREQ("f, line -1: s", fromString.what());
    EXPECT_EQ(exit_code::Unspecified, fromString.exit_code());

    app::exception fromChars("s", "f", UINT_MAX);
    EXPECT_STREQ("f, line 4294967295: s", fromChars.what());
}

TEST(Exception, FormatConstructorsExpandArguments)
{
    app::exception withCode = make_formatted(exit_code::FileError, "x.cpp", 3, "n=%d [%s]", 2, "ok");
    EXPECT_STREQ("x.cpp, line 3: n=2 [ok]", withCode.what());
    EXPECT_EQ(exit_code::FileError, withCode.exit_code());

    app::exception noCode = make_formatted_nocode("y.cpp", 4, "%u%%", 50u);
    EXPECT_STREQ("y.cpp, line 4: 50%", noCode.what());
    EXPECT_EQ(exit_code::Unspecified, noCode.exit_code());
}

TEST(Exception, EmptyMessageStillHasPrefix)
{
    app::exception error("", "", 0);
    EXPECT_STREQ(", line 0: ", error.what());
    EXPECT_FALSE(error.empty_msg());
}

TEST(Exception, CopiesAreIndependent)
{
    app::exception original(exit_code::FileError, "first", "a", 1);
    app::exception copy(original);
    EXPECT_STREQ(original.what(), copy.what());
    EXPECT_EQ(original.exit_code(), copy.exit_code());

    app::exception other("second", "b", 2);
    copy = other;
    EXPECT_STREQ("b, line 2: second", copy.what());
    EXPECT_EQ(exit_code::Unspecified, copy.exit_code());
    EXPECT_STREQ("a, line 1: first", original.what());

    copy = copy;  // self-assignment keeps the text
    EXPECT_STREQ("b, line 2: second", copy.what());
}

TEST(Exception, ThrowMacroNamesThisFile)
{
    try {
        VOCALITH_THROW(exit_code::FileError, "cannot open '%s'", "x.wav");
        FAIL() << "nothing thrown";
    } catch (const std::exception& error) {
        const std::string text = error.what();
        EXPECT_EQ(0u, text.find("exception_test.cpp, line ")) << text;
        EXPECT_NE(std::string::npos, text.find(": cannot open 'x.wav'")) << text;
        EXPECT_EQ(exit_code::FileError, dynamic_cast<const app::exception&>(error).exit_code());
    }
}

TEST(FormatMessage, CutsAtBufferSize)
{
    const std::string strLong(20000, 'x');
    const std::string strOut = app::format_message("%s", strLong.c_str());
    EXPECT_EQ(app::c_nFormatBufferSize - 1, strOut.size());
    EXPECT_EQ(std::string(app::c_nFormatBufferSize - 1, 'x'), strOut);

    app::exception error(strLong, "f", 1);
    EXPECT_EQ(app::c_nFormatBufferSize - 1, std::string(error.what()).size());
    EXPECT_EQ(0, std::string(error.what()).compare(0, 11, "f, line 1: "));
}

TEST(FormatMessage, BothShapesAgree)
{
    std::string strAssigned = "old";
    app::format_message(strAssigned, "%s-%03d", "a", 7);
    EXPECT_EQ("a-007", strAssigned);
    EXPECT_EQ("a-007", app::format_message("%s-%03d", "a", 7));
    app::format_message(strAssigned, "%s", "");
    EXPECT_TRUE(strAssigned.empty());
}

}  // namespace
