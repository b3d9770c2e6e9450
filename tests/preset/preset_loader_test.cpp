// Reading preset documents: which elements count, what they set, what is
// skipped and what is refused.
#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "preset_test_support.h"
#include "vocalith/app/exception.h"
#include "vocalith/app/preset.h"
#include "vocalith/app/preset_xml_parser.h"
#include "vocalith/ladspa/abstract_instance.h"
#include "vocalith/ladspa/plugin_desc.h"

namespace preset_test {
namespace {

const std::string c_strIdFirst = "[WARN ] First child element for \"plugin\" must be \"id\"\n";
const char c_szNotPreset[] = "..\\..\\..\\..\\src\\preset_xml_parser, line 155: The xml document is not a preset";

std::string unknown_id(const char* pszId)
{
    return std::string("[WARN ] An unknown plugin with ID=") + pszId + " has been encountered, skipped\n";
}

class PresetLoader : public preset_test {
protected:
    // Loads strXml; returns what the loader printed.
    static std::string load_logged(const std::string& strXml, std::shared_ptr<app::preset>& pPreset)
    {
        testing::internal::CaptureStderr();
        pPreset = load_string(strXml);
        return testing::internal::GetCapturedStderr();
    }

    static std::vector<float> inputs(const app::preset& preset, unsigned int nIndex)
    {
        return entry(preset, nIndex).instance->input_values;
    }

    static std::string error_of(const std::function<void()>& load)
    {
        try {
            load();
        } catch (const app::exception& error) {
            EXPECT_EQ(exit_code::Unspecified, error.exit_code());
            return error.what();
        }
        return "(no exception)";
    }

    static std::string string_error(const std::string& strXml)
    {
        return error_of([&] { app::preset_xml_parser(*s_pFactory).load_from_string(strXml); });
    }
};

TEST_F(PresetLoader, AJackRackFileGivesItsPluginsWithProcessWideSettings)
{
    // The file asks for 2 channels at 48000 Hz and carries the elements
    // "wet_dry_locked", "lockall", "lock" and "midi_control", all skipped.
    for (const char* pszFile : {"good/jackrack_saved.xml", "good/jackrack_saved_gzip.xml.gz"}) {
        testing::internal::CaptureStderr();
        const std::shared_ptr<app::preset> pPreset = load_file(data_path(pszFile));
        EXPECT_EQ("", testing::internal::GetCapturedStderr());
        EXPECT_EQ(data_path(pszFile), pPreset->file());
        ASSERT_EQ(2u, pPreset->plugins().size()) << pszFile;
        const ladspa::abstract_instance& amp = *entry(*pPreset, 0).instance;
        EXPECT_TRUE(entry(*pPreset, 0).enabled);
        EXPECT_EQ(c_nMonoAmp, amp.plugin()->unique_id());
        EXPECT_EQ(8000u, amp.sample_rate());
        EXPECT_EQ(1u, amp.handle_count());
        EXPECT_EQ(std::vector<float>{2.0f}, amp.input_values);
        EXPECT_EQ(std::vector<float>{2.0f}, amp.port_values);
        EXPECT_FALSE(amp.wet_dry_enabled);
        // One wet/dry value per channel, as saved from a stereo rack.
        EXPECT_EQ((std::vector<float>{1.0f, 0.5f}), amp.wet_dry_values);
        EXPECT_FALSE(entry(*pPreset, 1).enabled);
        EXPECT_TRUE(entry(*pPreset, 1).instance->wet_dry_enabled);
        // One value per plugin copy in each row: the last one counts.
        EXPECT_EQ((std::vector<float>{0.25f, 0.75f}), inputs(*pPreset, 1));
    }
}

TEST_F(PresetLoader, UnrecognisedElementsAreSkippedWithEverythingInside)
{
    std::shared_ptr<app::preset> pPreset;
    const std::string strLog = load_logged(jackrack(
        "<other><plugin><id>1048</id><enabled>true</enabled></plugin></other>"
        "<plugin><Id>1048</Id><enabled>true</enabled></plugin>"
        "<plugin><id>1043</id><extra><controlrow><value>3</value></controlrow></extra>"
        "<controlrow><value>0.125</value></controlrow></plugin>"), pPreset);
    ASSERT_TRUE(pPreset);
    // "Id" is not "id": that plugin has none, so its "enabled" warns.
    EXPECT_EQ(c_strIdFirst, strLog);
    ASSERT_EQ(1u, pPreset->plugins().size());
    EXPECT_EQ((std::vector<float>{0.125f, 0.5f}), inputs(*pPreset, 0));
}

TEST_F(PresetLoader, AnElementsTextIsWhatFollowsItsLastChild)
{
    std::shared_ptr<app::preset> pPreset;
    const std::string strLog = load_logged(jackrack(
        "<plugin><id>99<x>5</x>1048</id><enabled>no<b>x</b>true</enabled></plugin>"
        "<plugin><id>1048<x/></id></plugin>"), pPreset);
    ASSERT_TRUE(pPreset);
    EXPECT_EQ(unknown_id("0"), strLog);
    ASSERT_EQ(1u, pPreset->plugins().size());
    EXPECT_TRUE(entry(*pPreset, 0).enabled);
}

TEST_F(PresetLoader, OnlyTheExactWordTrueEnables)
{
    for (const char* pszText : {"true", " true", "true ", "True", "1", "", "yes"}) {
        const std::string strText = pszText;
        const std::shared_ptr<app::preset> pPreset = load_string(jackrack(
            "<plugin><id>1048</id><enabled>" + strText + "</enabled><wet_dry_enabled>" + strText +
            "</wet_dry_enabled></plugin><plugin><id>1048</id></plugin>"));
        ASSERT_TRUE(pPreset);
        EXPECT_EQ(strText == "true", entry(*pPreset, 0).enabled) << "'" << strText << "'";
        EXPECT_EQ(strText == "true", entry(*pPreset, 0).instance->wet_dry_enabled) << "'" << strText << "'";
        EXPECT_FALSE(entry(*pPreset, 1).enabled);
        EXPECT_FALSE(entry(*pPreset, 1).instance->wet_dry_enabled);
    }
}

TEST_F(PresetLoader, ElementsBeforeTheIdAreDroppedAndSomeWarn)
{
    std::shared_ptr<app::preset> pPreset;
    const std::string strLog = load_logged(jackrack(
        "<plugin><enabled>true</enabled><wet_dry_enabled>true</wet_dry_enabled>"
        "<wet_dry_values><value>0.5</value></wet_dry_values>"
        "<controlrow><value>0.25</value><value>0.5</value></controlrow>"
        "<id>1043</id><controlrow><value>0.75</value></controlrow></plugin>"), pPreset);
    ASSERT_TRUE(pPreset);
    // One warning for "enabled" and one per control value; none for wet/dry.
    EXPECT_EQ(c_strIdFirst + c_strIdFirst + c_strIdFirst, strLog);
    ASSERT_EQ(1u, pPreset->plugins().size());
    EXPECT_FALSE(entry(*pPreset, 0).enabled);
    EXPECT_FALSE(entry(*pPreset, 0).instance->wet_dry_enabled);
    EXPECT_TRUE(entry(*pPreset, 0).instance->wet_dry_values.empty());
    // The row before the id still counts: the row after it is the second one.
    EXPECT_EQ((std::vector<float>{1.0f, 0.75f}), inputs(*pPreset, 0));
}

TEST_F(PresetLoader, ControlRowsFillInputPortsInOrder)
{
    std::shared_ptr<app::preset> pPreset;
    const std::string strLog = load_logged(jackrack(
        plugin(c_nDelay, true, {"0.1", "0.2", "0.3"}) + plugin(c_nDelay, true, {"2"}) +
        "<plugin><id>1043</id><controlrow><value>0.1</value><value>0.9</value></controlrow>"
        "<id>1043</id><controlrow><value>0.2</value></controlrow></plugin>"), pPreset);
    ASSERT_TRUE(pPreset);
    // A third row for two ports is dropped silently.
    EXPECT_EQ("", strLog);
    ASSERT_EQ(4u, pPreset->plugins().size());
    EXPECT_EQ((std::vector<float>{0.1f, 0.2f}), inputs(*pPreset, 0));
    EXPECT_EQ((std::vector<float>{0.1f, 0.2f}), entry(*pPreset, 0).instance->port_values);
    // A missing row keeps the port's default.
    EXPECT_EQ((std::vector<float>{2.0f, 0.5f}), inputs(*pPreset, 1));
    // The last value of a row wins. A second "id" appends another entry,
    // which takes the rest; the row count goes on.
    EXPECT_EQ((std::vector<float>{0.9f, 0.5f}), inputs(*pPreset, 2));
    EXPECT_EQ((std::vector<float>{1.0f, 0.2f}), inputs(*pPreset, 3));
}

TEST_F(PresetLoader, NumbersAreReadLikeStrtodInTheCLocale)
{
    struct row {
        const char* pszText;
        float fValue;
    };
    const row rows[] = {{"0.500000", 0.5f}, {"  -2.5e1", -25.0f}, {"+7", 7.0f},    {"3.5abc", 3.5f}, {"abc", 0.0f},
                        {"", 0.0f},         {"0,25", 0.25f},      {"1,5,7", 1.5f}, {"1.5,7", 1.5f}};
    for (const row& r : rows) {
        const std::shared_ptr<app::preset> pPreset = load_string(jackrack(
            plugin(c_nMonoAmp, true, {r.pszText}) + "<plugin><id>1048</id><wet_dry_values><value>" + r.pszText +
            "</value></wet_dry_values></plugin>"));
        ASSERT_TRUE(pPreset);
        EXPECT_EQ(std::vector<float>{r.fValue}, inputs(*pPreset, 0)) << r.pszText;
        EXPECT_EQ(std::vector<float>{r.fValue}, entry(*pPreset, 1).instance->wet_dry_values) << r.pszText;
    }
}

TEST_F(PresetLoader, UnknownIdsWarnAndTheirNeighboursLoad)
{
    std::shared_ptr<app::preset> pPreset;
    const std::string strLog = load_logged(
        jackrack(plugin(c_nMonoAmp, true, {"2"}) + plugin(4242, true, {"7"}) + plugin(c_nDelay, false, {"0.5"})),
        pPreset);
    ASSERT_TRUE(pPreset);
    EXPECT_EQ(unknown_id("4242") + c_strIdFirst + c_strIdFirst, strLog);
    ASSERT_EQ(2u, pPreset->plugins().size());
    EXPECT_EQ(std::vector<float>{2.0f}, inputs(*pPreset, 0));
    EXPECT_EQ(c_nDelay, entry(*pPreset, 1).instance->plugin()->unique_id());
    EXPECT_EQ((std::vector<float>{0.5f, 0.5f}), inputs(*pPreset, 1));
}

TEST_F(PresetLoader, TheFirstTopLevelNodeMattersOnlyForStrings)
{
    const std::string strBody = "<jackrack><plugin><id>1048</id><enabled>true</enabled></plugin></jackrack>";
    // Files: any root, and anything before it.
    EXPECT_TRUE(load_file(data_path("good/root_not_jackrack.xml"))->plugins().empty());
    EXPECT_EQ(1u, load_file(data_path("good/leading_comment.xml"))->plugins().size());
    // Strings: the root or a DOCTYPE naming it must come first.
    const std::shared_ptr<app::preset> pDoctype = load_string(
        "<?xml version=\"1.0\"?>\n<!DOCTYPE jackrack SYSTEM \"jack-rack-1.0.dtd\">\n<!-- after -->\n" + strBody);
    ASSERT_TRUE(pDoctype);
    EXPECT_EQ(1u, pDoctype->plugins().size());
    EXPECT_TRUE(pDoctype->file().empty());
    for (const char* pszHead : {"", "<!-- comment -->", "<?target data?>", "<!DOCTYPE rack>"}) {
        const std::string strXml = *pszHead == '\0' ? "<rack><plugin><id>1048</id></plugin></rack>" : pszHead + strBody;
        EXPECT_EQ(c_szNotPreset, string_error(strXml)) << strXml;
    }
}

TEST_F(PresetLoader, UnparsableInputGivesTheFileAndMemoryErrors)
{
    EXPECT_EQ("preset_xml_parser, line 30: Unable to parse preset XML file 'no_such_preset.xml'",
              error_of([] { load_file("no_such_preset.xml"); }));
    EXPECT_EQ("preset_xml_parser, line 30: Unable to parse preset XML file '100%s.xml'",
              error_of([] { load_file("100%s.xml"); }));
    for (const char* pszXml : {"", "<jackrack>", "<jackrack></plugin>", "not xml at all"}) {
        EXPECT_EQ("..\\..\\..\\..\\src\\preset_xml_parser, line 38: Unable to parse preset XML from memory",
                  string_error(pszXml)) << pszXml;
    }
}

TEST_F(PresetLoader, ANameThatDoesNotOpenIsTriedInThePresetsDirectory)
{
    // The test's current directory holds no such file.
    const std::string strName = "jackrack_saved.xml";
    for (const std::string& strDir : {data_path("good"), data_path("good/")}) {
        app::s_Global.strPresetDir = strDir;
        const std::shared_ptr<app::preset> pPreset = load_file(strName);
        EXPECT_EQ(2u, pPreset->plugins().size()) << strDir;
        EXPECT_EQ(strName, pPreset->file());
        EXPECT_EQ("string file=" + strName, describe(*pPreset).at(1));
    }
    app::s_Global.strPresetDir = data_path("");
    EXPECT_EQ(2u, load_file("good/" + strName)->plugins().size());
    app::s_Global.strPresetDir = data_path("bad");
    EXPECT_EQ("preset_xml_parser, line 30: Unable to parse preset XML file 'jackrack_saved.xml'",
              error_of([&] { load_file(strName); }));
}

TEST_F(PresetLoader, DebugLinesNameTheSource)
{
    app::s_Global.nLogLevel = 5;
    testing::internal::CaptureStderr();
    load_file(data_path("good/leading_comment.xml"));
    load_string(jackrack(""));
    const std::string strLog = testing::internal::GetCapturedStderr();
    EXPECT_NE(std::string::npos,
              strLog.find("[DEBUG] Create preset from file " + data_path("good/leading_comment.xml") + "\n"));
    EXPECT_NE(std::string::npos, strLog.find("[DEBUG] Create preset from string\n"));
}

}  // namespace
}  // namespace preset_test
