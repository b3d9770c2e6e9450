// Runs the built vocalith command in a scratch directory and reads what it
// wrote: exit status, standard output and error, sound files.
#ifndef VOCALITH_TESTS_TOOL_RUNNER_H
#define VOCALITH_TESTS_TOOL_RUNNER_H

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

namespace tool_test {

struct result {
    int nStatus;  // exit status, or -1 when the command did not exit normally
    std::string strOut;
    std::string strErr;
};

// Bundled content and plugins.
std::string sample(const std::string& strName);  // samples/<name>
std::string preset_dir();
const char* const c_ladspa = "/usr/lib/ladspa";

// A fresh directory per test, removed afterwards.
class scratch : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // Path of a file inside the scratch directory.
    std::string path(const std::string& strName) const { return m_strDir + "/" + strName; }
    // Runs "vocalith <args>" through the shell (args are shell words); the
    // standard input comes from strStdin when it is not empty.
    result run(const std::string& strArgs, const std::string& strStdin = std::string()) const;
    // Names of the files in the scratch directory, hidden ones included.
    std::vector<std::string> files() const;

    std::string m_strDir;
};

bool exists(const std::string& strPath);
std::string read_file(const std::string& strPath);
void write_file(const std::string& strPath, const std::string& strData);
// The output of a shell command (for soxi).
std::string shell(const std::string& strCommand);

// 16-bit samples of a PCM WAV file, read by walking its chunks; fails the
// test when the file is no 16-bit PCM WAV.
std::vector<std::int16_t> wav_samples(const std::string& strPath);
// 16-bit little-endian samples of a raw file.
std::vector<std::int16_t> raw_samples(const std::string& strPath);

double rms(const std::vector<std::int16_t>& samples);

// Equal sample sequences; on failure says where they part instead of
// printing tens of thousands of samples.
::testing::AssertionResult same_samples(const std::vector<std::int16_t>& actual,
                                        const std::vector<std::int16_t>& expected);

// A preset without plugins.
const char* const c_emptyPreset = "<?xml version=\"1.0\"?>\n<jackrack>\n  <channels>1</channels>\n</jackrack>\n";

}  // namespace tool_test

#endif
