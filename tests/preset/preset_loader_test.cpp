// Reading preset documents: which elements count, what they set, what is
// skipped and what is refused.
#include <gtest/gtest.h>

#include <iterator>
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

constexpr unsigned long c_nDelay = 1043;  // SDK delay: delay (default 1), balance (default 0.5)

const char c_szIdFirst[] = "[WARN ] First child element for \"plugin\" must be \"id\"\n";

std::string unknown_id_line(const char* pszId)
{
    return std::string("[WARN ] An unknown plugin with ID=") + pszId + " has been encountered, skipped\n";
}

const app::preset::ladspa_instance& entry_at(const app::preset& preset, unsigned int nIndex)
{
    return *std::next(preset.plugins().begin(), nIndex);
}

class PresetLoader : public amp_test {
protected:
    static void SetUpTestSuite()
    {
        s_pDir.reset(new plugin_dir({system_plugin("amp.so"), system_plugin("delay.so")}));
        s_pFactory.reset(new ladspa::plugin_factory(s_pDir->path()));
    }

    // Loads strXml and returns what the loader printed.
    static std::string load_logged(const std::string& strXml, std::shared_ptr<app::preset>& pPreset)
    {
        testing::internal::CaptureStderr();
        pPreset = load_string(strXml);
        return testing::internal::GetCapturedStderr();
    }

    // The exception that loading throws, or a test failure.
    template <typename Load>
    static app::exception error_of(Load load)
    {
        try {
            load();
        } catch (const app::exception& error) {
            return error;
        }
        ADD_FAILURE() << "no exception";
        return app::exception("none", "", 0);
    }

    static std::shared_ptr<app::preset> load_file(const std::string& strFile)
    {
        app::preset_xml_parser parser(*s_pFactory);
        return parser.load(strFile);
    }
};

TEST_F(PresetLoader, AJackRackFileGivesItsPluginWithProcessWideSettings)
{
    // The file asks for 2 channels at 48000 Hz and carries elements that are
    // skipped ("wet_dry_locked", "lockall", "lock").
    testing::internal::CaptureStderr();
    const std::shared_ptr<app::preset> pPreset = load_file(data_path("good/mono_amp_gain_2.xml"));
    EXPECT_EQ("", testing::internal::GetCapturedStderr());
    ASSERT_EQ(1u, pPreset->plugins().size());
    const app::preset::ladspa_instance& entry = entry_at(*pPreset, 0);
    EXPECT_TRUE(entry.enabled);
    EXPECT_EQ(c_nMonoAmp, entry.instance->plugin()->unique_id());
    EXPECT_EQ(8000u, entry.instance->sample_rate());
    EXPECT_EQ(1u, entry.instance->handle_count());
    EXPECT_EQ(std::vector<float>{2.0f}, entry.instance->input_values);
    EXPECT_EQ(std::vector<float>{2.0f}, entry.instance->port_values);
    EXPECT_FALSE(entry.instance->wet_dry_enabled);
    EXPECT_EQ(std::vector<float>{1.0f}, entry.instance->wet_dry_values);
    EXPECT_EQ(data_path("good/mono_amp_gain_2.xml"), pPreset->file());
}

TEST_F(PresetLoader, GzipCompressedFilesReadLikePlainOnes)
{
    const std::shared_ptr<app::preset> pPreset = load_file(data_path("good/mono_amp_gain_2_gzip.xml.gz"));
    ASSERT_EQ(1u, pPreset->plugins().size());
    EXPECT_TRUE(entry_at(*pPreset, 0).enabled);
    EXPECT_EQ(std::vector<float>{2.0f}, entry_at(*pPreset, 0).instance->input_values);
}

TEST_F(PresetLoader, UnrecognisedElementsAreSkippedWithEverythingInside)
{
    std::shared_ptr<app::preset> pPreset;
    const std::string strLog = load_logged(jackrack(
        "<other><plugin><id>1048</id><enabled>true</enabled></plugin></other>"
        "<plugin><Id>1048</Id><enabled>true</enabled></plugin>"
        "<plugin><id>1043</id><enabled>true</enabled><extra><controlrow><value>3</value></controlrow>"
        "</extra><controlrow><value>0.125</value></controlrow></plugin>"), pPreset);
    ASSERT_TRUE(pPreset);
    // "Id" is not "id": its plugin has no id, so its "enabled" warns.
    EXPECT_EQ(c_szIdFirst, strLog);
    ASSERT_EQ(1u, pPreset->plugins().size());
    EXPECT_EQ(c_nDelay, entry_at(*pPreset, 0).instance->plugin()->unique_id());
    EXPECT_EQ((std::vector<float>{0.125f, 0.5f}), entry_at(*pPreset, 0).instance->input_values);

    const std::shared_ptr<app::preset> pMidi = load_file(data_path("good/midi_control_skipped.xml"));
    ASSERT_EQ(1u, pMidi->plugins().size());
    EXPECT_EQ((std::vector<float>{0.25f, 0.75f}), entry_at(*pMidi, 0).instance->input_values);
}

TEST_F(PresetLoader, AnElementsTextIsWhatFollowsItsLastChild)
{
    std::shared_ptr<app::preset> pPreset;
    const std::string strLog = load_logged(jackrack(
        "<plugin><id>99<x>5</x>1048</id><enabled>no<b>x</b>true</enabled></plugin>"
        "<plugin><id>1048<x/></id></plugin>"), pPreset);
    ASSERT_TRUE(pPreset);
    EXPECT_EQ(unknown_id_line("0"), strLog);
    ASSERT_EQ(1u, pPreset->plugins().size());
    EXPECT_TRUE(entry_at(*pPreset, 0).enabled);
}

TEST_F(PresetLoader, OnlyTheExactWordTrueEnables)
{
    struct row {
        const char* pszText;
        bool bEnabled;
    };
    const row rows[] = {{"true", true}, {" true", false}, {"true ", false}, {"True", false},
                        {"1", false},   {"", false},      {"yes", false}};
    for (const row& r : rows) {
        const std::string strText = r.pszText;
        const std::shared_ptr<app::preset> pPreset = load_string(jackrack(
            "<plugin><id>1048</id><enabled>" + strText + "</enabled><wet_dry_enabled>" + strText +
            "</wet_dry_enabled></plugin>"));
        ASSERT_TRUE(pPreset);
        ASSERT_EQ(1u, pPreset->plugins().size());
        EXPECT_EQ(r.bEnabled, entry_at(*pPreset, 0).enabled) << "'" << strText << "'";
        EXPECT_EQ(r.bEnabled, entry_at(*pPreset, 0).instance->wet_dry_enabled) << "'" << strText << "'";
    }
    const std::shared_ptr<app::preset> pPreset = load_string(jackrack("<plugin><id>1048</id></plugin>"));
    ASSERT_TRUE(pPreset);
    EXPECT_FALSE(entry_at(*pPreset, 0).enabled);
    EXPECT_FALSE(entry_at(*pPreset, 0).instance->wet_dry_enabled);
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
    // One warning for "enabled", one per control value; none for wet/dry.
    EXPECT_EQ(std::string(c_szIdFirst) + c_szIdFirst + c_szIdFirst, strLog);
    ASSERT_EQ(1u, pPreset->plugins().size());
    const app::preset::ladspa_instance& entry = entry_at(*pPreset, 0);
    EXPECT_FALSE(entry.enabled);
    EXPECT_FALSE(entry.instance->wet_dry_enabled);
    EXPECT_TRUE(entry.instance->wet_dry_values.empty());
    // The row before the id still counts: the row after it is the second one.
    EXPECT_EQ((std::vector<float>{1.0f, 0.75f}), entry.instance->input_values);
}

TEST_F(PresetLoader, ControlRowsFillInputPortsInOrder)
{
    std::shared_ptr<app::preset> pPreset;
    const std::string strLog = load_logged(jackrack(
        amp_plugin(c_nDelay, true, {"0.1", "0.2", "0.3"}) + amp_plugin(c_nDelay, true, {"2"}) +
        "<plugin><id>1043</id><controlrow><value>0.1</value><value>0.9</value></controlrow></plugin>"),
                                           pPreset);
    ASSERT_TRUE(pPreset);
    EXPECT_EQ("", strLog);
    ASSERT_EQ(3u, pPreset->plugins().size());
    // A third row for two ports is dropped silently.
    EXPECT_EQ((std::vector<float>{0.1f, 0.2f}), entry_at(*pPreset, 0).instance->input_values);
    EXPECT_EQ((std::vector<float>{0.1f, 0.2f}), entry_at(*pPreset, 0).instance->port_values);
    // A missing row keeps the port's default.
    EXPECT_EQ((std::vector<float>{2.0f, 0.5f}), entry_at(*pPreset, 1).instance->input_values);
    // The last value of a row wins.
    EXPECT_EQ((std::vector<float>{0.9f, 0.5f}), entry_at(*pPreset, 2).instance->input_values);
}

TEST_F(PresetLoader, NumbersAreReadLikeStrtodInTheCLocale)
{
    struct row {
        const char* pszText;
        float fValue;
    };
    const row rows[] = {{"0.500000", 0.5f}, {"  -2.5e1", -25.0f}, {"+7", 7.0f},  {"3.5abc", 3.5f},
                        {"abc", 0.0f},      {"", 0.0f},           {"0,25", 0.25f}, {"1,5,7", 1.5f},
                        {"1.5,7", 1.5f}};
    for (const row& r : rows) {
        const std::shared_ptr<app::preset> pPreset = load_string(jackrack(
            amp_plugin(c_nMonoAmp, true, {r.pszText}) +
            "<plugin><id>1048</id><wet_dry_values><value>" + r.pszText + "</value></wet_dry_values></plugin>"));
        ASSERT_TRUE(pPreset);
        ASSERT_EQ(2u, pPreset->plugins().size());
        EXPECT_EQ(r.fValue, entry_at(*pPreset, 0).instance->input_values[0]) << r.pszText;
        EXPECT_EQ(std::vector<float>{r.fValue}, entry_at(*pPreset, 1).instance->wet_dry_values) << r.pszText;
    }
}

TEST_F(PresetLoader, UnknownIdsWarnAndTheirNeighboursLoad)
{
    std::shared_ptr<app::preset> pPreset;
    const std::string strLog = load_logged(jackrack(
        amp_plugin(c_nMonoAmp, true, {"2"}) + amp_plugin(4242, true, {"7"}) +
        amp_plugin(c_nDelay, false, {"0.5"})), pPreset);
    ASSERT_TRUE(pPreset);
    EXPECT_EQ(unknown_id_line("4242") + c_szIdFirst + c_szIdFirst, strLog);
    ASSERT_EQ(2u, pPreset->plugins().size());
    EXPECT_EQ(c_nMonoAmp, entry_at(*pPreset, 0).instance->plugin()->unique_id());
    EXPECT_EQ(std::vector<float>{2.0f}, entry_at(*pPreset, 0).instance->input_values);
    EXPECT_EQ(c_nDelay, entry_at(*pPreset, 1).instance->plugin()->unique_id());
    EXPECT_FALSE(entry_at(*pPreset, 1).enabled);
}

TEST_F(PresetLoader, ASecondIdAppendsAnotherEntryThatTakesTheRest)
{
    const std::shared_ptr<app::preset> pPreset = load_string(jackrack(
        "<plugin><id>1043</id><controlrow><value>0.1</value></controlrow>"
        "<id>1043</id><enabled>true</enabled><controlrow><value>0.2</value></controlrow></plugin>"));
    ASSERT_TRUE(pPreset);
    ASSERT_EQ(2u, pPreset->plugins().size());
    EXPECT_FALSE(entry_at(*pPreset, 0).enabled);
    EXPECT_EQ((std::vector<float>{0.1f, 0.5f}), entry_at(*pPreset, 0).instance->input_values);
    EXPECT_TRUE(entry_at(*pPreset, 1).enabled);
    // The row count goes on: the second row of the plugin element.
    EXPECT_EQ((std::vector<float>{1.0f, 0.2f}), entry_at(*pPreset, 1).instance->input_values);
}

TEST_F(PresetLoader, TheRootNameMattersOnlyForStrings)
{
    const std::shared_ptr<app::preset> pFile = load_file(data_path("good/root_not_jackrack.xml"));
    EXPECT_TRUE(pFile->plugins().empty());
    EXPECT_EQ(data_path("good/root_not_jackrack.xml"), pFile->file());

    const app::exception error = error_of([] {
        app::preset_xml_parser parser(*s_pFactory);
        parser.load_from_string("<rack><plugin><id>1048</id></plugin></rack>");
    });
    EXPECT_STREQ("..\\..\\..\\..\\src\\preset_xml_parser, line 155: The xml document is not a preset", error.what());
    EXPECT_EQ(exit_code::Unspecified, error.exit_code());
}

TEST_F(PresetLoader, AStringMustStartWithTheRootOrItsDoctype)
{
    const std::string strBody = "<jackrack><plugin><id>1048</id></plugin></jackrack>";
    const std::shared_ptr<app::preset> pDoctype =
        load_string("<?xml version=\"1.0\"?>\n<!DOCTYPE jackrack SYSTEM \"jack-rack-1.0.dtd\">\n"
                    "<!-- a comment after the doctype -->\n" + strBody);
    ASSERT_TRUE(pDoctype);
    EXPECT_EQ(1u, pDoctype->plugins().size());
    EXPECT_TRUE(pDoctype->file().empty());

    for (const char* pszHead : {"<!-- comment -->", "<?target data?>", "<!DOCTYPE rack>"}) {
        const app::exception error = error_of([&] {
            app::preset_xml_parser parser(*s_pFactory);
            parser.load_from_string(pszHead + strBody);
        });
        EXPECT_STREQ("..\\..\\..\\..\\src\\preset_xml_parser, line 155: The xml document is not a preset",
                     error.what()) << pszHead;
    }
    // A file with a leading comment reads normally.
    const std::shared_ptr<app::preset> pFile = load_file(data_path("good/leading_comment.xml"));
    ASSERT_EQ(1u, pFile->plugins().size());
    EXPECT_TRUE(entry_at(*pFile, 0).enabled);
}

TEST_F(PresetLoader, UnparsableInputGivesTheFileAndMemoryErrors)
{
    const app::exception fileError = error_of([] { load_file("no_such_preset.xml"); });
    EXPECT_STREQ("preset_xml_parser, line 30: Unable to parse preset XML file 'no_such_preset.xml'",
                 fileError.what());
    EXPECT_EQ(exit_code::Unspecified, fileError.exit_code());

    // A '%' in the name is printed as it stands.
    const app::exception percentError = error_of([] { load_file("100%s.xml"); });
    EXPECT_STREQ("preset_xml_parser, line 30: Unable to parse preset XML file '100%s.xml'",
                 percentError.what());

    for (const char* pszXml : {"", "<jackrack>", "<jackrack></plugin>", "not xml at all"}) {
        const app::exception memoryError = error_of([&] {
            app::preset_xml_parser parser(*s_pFactory);
            parser.load_from_string(pszXml);
        });
        EXPECT_STREQ("..\\..\\..\\..\\src\\preset_xml_parser, line 38: Unable to parse preset XML from memory",
                     memoryError.what()) << pszXml;
        EXPECT_EQ(exit_code::Unspecified, memoryError.exit_code());
    }
}

TEST_F(PresetLoader, ANameThatDoesNotOpenIsTriedInThePresetsDirectory)
{
    // The current directory of the test holds no such file.
    const std::string strName = "mono_amp_gain_2.xml";
    EXPECT_THROW(load_file(strName), app::exception);
    for (const std::string& strDir : {data_path("good"), data_path("good/")}) {
        app::s_Global.strPresetDir = strDir;
        const std::shared_ptr<app::preset> pPreset = load_file(strName);
        ASSERT_EQ(1u, pPreset->plugins().size()) << strDir;
        EXPECT_EQ(strName, pPreset->file());
    }
    // The directory is joined with a plain "/": a sub-path works as well.
    app::s_Global.strPresetDir = data_path("");
    EXPECT_EQ(1u, load_file("good/" + strName)->plugins().size());
    app::s_Global.strPresetDir = data_path("bad");
    const app::exception error = error_of([&] { load_file(strName); });
    EXPECT_STREQ("preset_xml_parser, line 30: Unable to parse preset XML file 'mono_amp_gain_2.xml'",
                 error.what());
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
