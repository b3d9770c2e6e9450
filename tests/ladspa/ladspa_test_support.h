// Shared helpers of the LADSPA host tests: fixture plugin locations and
// ids, log capture, a recording description sink and buffer filling.
#ifndef VOCALITH_TESTS_LADSPA_TEST_SUPPORT_H
#define VOCALITH_TESTS_LADSPA_TEST_SUPPORT_H

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "vocalith/app/globals.h"
#include "vocalith/app/multibuffer.h"
#include "vocalith/app/preset_formatter.h"

namespace vt {

// Built by tests/plugins (see its README.md).
const std::string c_strLib = VOCALITH_TEST_PLUGIN_DIR;
const std::string c_strAltLib = VOCALITH_TEST_PLUGIN_ALT_DIR;

enum plugin_id : unsigned long {
    c_nGain = 77001,     // 1 -> 1, Output = Gain * Input; Runs and Last control outputs
    c_nStereo = 77002,   // 2 -> 2, L = Gain * L, R = 2 * Gain * R
    c_nSplit = 77003,    // 1 -> 2, A = Gain * In, B = 10 * Gain * In
    c_nMix = 77004,      // 2 -> 1, Out = A + 10 * B
    c_nHints = 77005,    // 1 -> 1 copy, one control per hint combination
    c_nPicky = 77006,    // 1 -> 1 copy, refuses rates below 16000 Hz
    c_nBare = 77007,     // 1 -> 1 copy, no names, no optional callbacks
    c_nDup = 77201,      // in vt_dup_a and vt_dup_b
    c_nTwice = 77202,    // twice in vt_dup_a
    c_nOrder = 77301,    // in lib/vt_order.so and lib_alt/vt_order.so
};

// A new empty directory under the system's temporary directory, unique
// across processes (several builds may run these tests at once).
inline std::filesystem::path scratch_dir(const std::string& strPrefix)
{
    std::string strTemplate = (std::filesystem::temp_directory_path() / (strPrefix + "_XXXXXX")).string();
    if (mkdtemp(&strTemplate[0]) == nullptr) {
        ADD_FAILURE() << "mkdtemp failed for " << strTemplate;
    }
    return strTemplate;
}

// Sets the log level and captures standard error while it lives.
class log_capture {
public:
    explicit log_capture(unsigned int nLevel) : m_nSaved(app::s_Global.nLogLevel)
    {
        app::s_Global.nLogLevel = nLevel;
        testing::internal::CaptureStderr();
    }
    ~log_capture()
    {
        if (!m_bTaken) {
            testing::internal::GetCapturedStderr();
        }
        app::s_Global.nLogLevel = m_nSaved;
    }
    log_capture(const log_capture&) = delete;
    log_capture& operator=(const log_capture&) = delete;

    // What reached standard error; ends the capture.
    std::string text()
    {
        m_bTaken = true;
        return testing::internal::GetCapturedStderr();
    }

private:
    unsigned int m_nSaved;
    bool m_bTaken = false;
};

// Writes every call as one line "kind key=value".
class recording_formatter : public app::preset_formatter {
public:
    std::vector<std::string> lines;

    void begin_node(bool, const char* name) override { lines.push_back(std::string("begin ") + name); }
    void end_node(bool, const char* name) override { lines.push_back(std::string("end ") + name); }
    void write_string(const char* key, const char* value) override
    {
        lines.push_back(std::string("string ") + key + "=" + value);
    }
    void write_uint(const char* key, unsigned int value) override
    {
        lines.push_back(std::string("uint ") + key + "=" + std::to_string(value));
    }
    void write_ulong(const char* key, unsigned long value) override
    {
        lines.push_back(std::string("ulong ") + key + "=" + std::to_string(value));
    }
    void write_float(const char* key, float value) override
    {
        lines.push_back(std::string("float ") + key + "=" + std::to_string(value));
    }
    void write_bool(const char* key, bool value) override
    {
        lines.push_back(std::string("bool ") + key + "=" + (value ? "true" : "false"));
    }
};

// A distinct value for every channel and sample: 100 * (channel + 1) + t.
inline float ramp(unsigned int nChannel, unsigned int t)
{
    return 100.0f * static_cast<float>(nChannel + 1) + static_cast<float>(t);
}

// Fills nFrames samples of every channel from the buffer's offset on.
inline void fill_ramp(app::sample_buffer& buffer, unsigned int nFrames)
{
    for (unsigned int c = 0; c < buffer.channel_count(); ++c) {
        for (unsigned int t = 0; t < nFrames; ++t) {
            buffer.data(c)[t] = ramp(c, t);
        }
    }
}

}  // namespace vt

#endif
