// Presets: what a document loads into the chain, what is refused and how
// the chain runs. The library's default stream (one channel at 8000 Hz) over
// the fixture plugins (tests/plugins) and the LADSPA SDK's example plugins.
#include <gtest/gtest.h>

#include <clocale>
#include <cstdlib>
#include <sstream>

#include "vocalith/app/exception.h"
#include "vocalith/app/globals.h"
#include "vocalith/app/preset.h"
#include "vocalith/app/preset_xml_parser.h"
#include "vocalith/ladspa/abstract_instance.h"
#include "vocalith/ladspa/plugin_desc.h"
#include "vocalith/ladspa/plugin_factory.h"
#include "sysport/runtime.h"

namespace {

typedef std::shared_ptr<app::preset> preset_ptr;
const std::string c_strIdFirst = "[WARN ] First child element for \"plugin\" must be \"id\"\n";
const std::string c_strUnknown0 = "[WARN ] An unknown plugin with ID=0 has been encountered, skipped\n";
const std::string c_strData = VOCALITH_SOURCE_DIR "/tests/data/presets/";

std::string jackrack(const std::string& strPlugins)
{
    return "<?xml version=\"1.0\"?>\n<jackrack><channels>1</channels>" + strPlugins + "</jackrack>\n";
}

// vt_gain (77001): Gain (default 1), then the outputs Runs (runs since
// activate, -1 while inactive) and Last (the last input sample); Output =
// Gain x Input.
std::string gain(bool bEnabled, const char* pszGain)
{
    return std::string("<plugin><id>77001</id><enabled>") + (bEnabled ? "true" : "false") +
           "</enabled><controlrow><value>" + pszGain + "</value></controlrow></plugin>";
}

std::string text(const std::vector<float>& values)
{
    std::ostringstream out;
    for (float fValue : values) {
        out << (out.tellp() > 0 ? " " : "") << fValue;
    }
    return out.str();
}

// "id+/- [inputs] wd+/- [wet/dry values]" per entry, "; " between entries.
std::string summary(const preset_ptr& pPreset)
{
    std::string strSummary;
    for (const app::preset::ladspa_instance& entry : pPreset->plugins()) {
        const ladspa::abstract_instance& inst = *entry.instance;
        strSummary += (strSummary.empty() ? "" : "; ") + std::to_string(inst.plugin()->unique_id()) +
                      (entry.enabled ? "+ [" : "- [") + text(inst.input_values) + "] wd" +
                      (inst.wet_dry_enabled ? "+ [" : "- [") + text(inst.wet_dry_values) + "]";
    }
    return strSummary;
}

// Loads a document (bFile: from the file strText names); returns what the
// loader printed (warnings at least), then "throws: <message>" if it threw.
// The registry is made once, quietly: the system's directory holds plugins
// it skips.
std::string load(const std::string& strText, preset_ptr& pPreset, bool bFile = false)
{
    static ladspa::plugin_factory* s_pRegistry = [] {
        app::s_Global.nLogLevel = 0;
        return new ladspa::plugin_factory(VOCALITH_BINARY_DIR "/tests/plugins/lib;" VOCALITH_SDK_PLUGIN_DIR);
    }();
    app::s_Global.nLogLevel = std::max(app::s_Global.nLogLevel.load(), 2u);
    ::testing::internal::CaptureStderr();
    try {
        app::preset_xml_parser parser(*s_pRegistry);
        pPreset = bFile ? parser.load(strText) : parser.load_from_string(strText);
    } catch (const app::exception& error) {
        EXPECT_EQ(exit_code::Unspecified, error.exit_code());
        return ::testing::internal::GetCapturedStderr() + "throws: " + error.what();
    }
    return ::testing::internal::GetCapturedStderr();
}

// What each document loads into and the warnings on the way, the same under
// a decimal-comma locale that a host may have set.
TEST(Preset, DocumentsLoadWhatTheirElementsSay)
{
    const std::string rows[][3] = {
        // An element's text is what follows its last child; only the exact
        // word "true" enables.
        {"<plugin><id>99<x>5</x>1048</id><enabled>no<b>x</b>true</enabled><wet_dry_enabled>True</wet_dry_enabled>"
         "</plugin><plugin><id>1048<x/></id></plugin><plugin><id>1048</id><enabled> true</enabled></plugin>",
         c_strUnknown0, "1048+ [1] wd- []; 1048- [1] wd- []"},
        // Unknown elements are skipped with everything inside; "Id" is not "id".
        {"<other><plugin><id>1048</id></plugin></other><plugin><Id>1048</Id><enabled>true</enabled></plugin>"
         "<plugin><id>1043</id><extra><controlrow><value>3</value></controlrow></extra>"
         "<controlrow><value>0.125</value></controlrow></plugin>",
         c_strIdFirst, "1043- [0.125 0.5] wd- []"},
        // Before the id: "enabled" and each control value warn and are
        // dropped, wet/dry is dropped silently, the row still counts.
        {"<plugin><enabled>true</enabled><wet_dry_enabled>true</wet_dry_enabled><wet_dry_values><value>0.5"
         "</value></wet_dry_values><controlrow><value>0.25</value><value>0.5</value></controlrow><id>1043</id>"
         "<controlrow><value>0.75</value></controlrow></plugin>",
         c_strIdFirst + c_strIdFirst + c_strIdFirst, "1043- [1 0.75] wd- []"},
        // Rows fill ports in order, the last value of a row wins, a missing
        // row keeps the default, a row too many is dropped, a second "id"
        // appends an entry that takes the rest.
        {"<plugin><id>1043</id><controlrow><value>0.1</value><value>0.2</value></controlrow><controlrow><value>0.3"
         "</value></controlrow><controlrow><value>9</value></controlrow></plugin><plugin><id>1043</id></plugin>"
         "<plugin><id>1043</id><controlrow><value>0.9</value></controlrow><id>1043</id><controlrow><value>0.4"
         "</value></controlrow></plugin>",
         "", "1043- [0.2 0.3] wd- []; 1043- [1 0.5] wd- []; 1043- [0.9 0.5] wd- []; 1043- [1 0.4] wd- []"},
        // Numbers as strtod reads them in the C locale, a lone comma as a point.
        {"<plugin><id>1043</id><controlrow><value>  -2.5e1</value></controlrow><controlrow><value>3.5abc</value>"
         "</controlrow><wet_dry_values><value>0,25</value><value>1,5,7</value><value>1.5,7</value><value>abc"
         "</value><value>+7</value><value></value></wet_dry_values></plugin>",
         "", "1043- [-25 3.5] wd- [0.25 1.5 1.5 0 7 0]"},
    };
    // The build makes the locale beside the tests, where localedef can;
    // Windows has its own, under its own name.
    sysport::set_environment("LOCPATH", VOCALITH_TEST_LOCALE_DIR);
    const char* pszComma = std::setlocale(LC_ALL, "de_DE.UTF-8") != nullptr ? "de_DE.UTF-8" : "German_Germany.1252";
    for (const char* pszLocale : {"C", pszComma}) {
        ASSERT_NE(nullptr, std::setlocale(LC_ALL, pszLocale))
            << "localedef made no locale in " VOCALITH_TEST_LOCALE_DIR;
        for (const auto& r : rows) {
            preset_ptr pPreset;
            EXPECT_EQ(r[1], load(jackrack(r[0]), pPreset)) << pszLocale << r[0];
            EXPECT_EQ(r[2], pPreset ? summary(pPreset) : "") << pszLocale << r[0];
        }
    }
    // The locale really was in force: the C library itself read "0.5" short.
    EXPECT_EQ(0.0, std::strtod("0.5", nullptr));
    std::setlocale(LC_ALL, "C");
}

// From log level 3 the loader says, by line and column, which elements it
// skipped and which texts it read as numbers only in part.
TEST(Preset, NotesFromLevelThreeTellWhatWasSkippedOrMisread)
{
    preset_ptr pPreset;
    load(jackrack(""), pPreset);  // the registry is made quietly first
    app::s_Global.nLogLevel = 3;
    EXPECT_EQ("[NOTE ] Preset line 2, column 33: element \"x\" in \"jackrack\" skipped\n"
              "[NOTE ] Preset line 2, column 83: \"2x\" is not wholly a number, read as 2\n"
              "[NOTE ] Preset line 2, column 130: \"abc\" is not wholly a number, read as 0\n" +
                  c_strUnknown0 + c_strIdFirst +
                  "[NOTE ] Preset line 2, column 154: element \"value\" in \"controlrow\" dropped: no plugin id "
                  "before it\n",
              load(jackrack("<x><plugin/></x><plugin><id>77001</id><controlrow><value>2x</value></controlrow>"
                            "</plugin><plugin><id>abc</id><controlrow><value>1</value></controlrow></plugin>"),
                   pPreset));
    EXPECT_EQ("77001- [2] wd- []", summary(pPreset));
    app::s_Global.nLogLevel = 2;
}

TEST(Preset, SavedFilesThePresetsDirectoryErrorsAndHostileDocuments)
{
    // Two channels at 48000 Hz in the file count for nothing; "lock",
    // "midi_control" and the like are skipped; wet/dry values are kept per
    // channel and the last value of a row counts.
    preset_ptr pPreset;
    for (const char* pszFile : {"good/jackrack_saved.xml", "good/jackrack_saved_gzip.xml.gz"}) {
        EXPECT_EQ("", load(c_strData + pszFile, pPreset, true));
        EXPECT_EQ("1048+ [2] wd- [1 0.5]; 1043- [0.25 0.75] wd+ []", summary(pPreset));
    }
    // A file may have any root, and anything before it.
    EXPECT_EQ("", load(c_strData + "good/root_not_jackrack.xml", pPreset, true));
    EXPECT_EQ("", summary(pPreset));
    EXPECT_EQ("", load(c_strData + "good/leading_comment.xml", pPreset, true));
    EXPECT_EQ("1048+ [1] wd- []", summary(pPreset));
    // A name that does not open is tried in the presets directory.
    for (const char* pszDir : {"good", "good/", "bad"}) {
        app::s_Global.strPresetDir = c_strData + pszDir;
        EXPECT_EQ(pszDir[0] == 'g' ? "" : "throws: preset_xml_parser, line 30: Unable to parse preset XML file "
                                          "'jackrack_saved.xml'",
                  load("jackrack_saved.xml", pPreset, true));
        EXPECT_EQ("jackrack_saved.xml", pPreset->file());
    }
    app::s_Global.strPresetDir.clear();
    // From memory the root, or a DOCTYPE naming it, must come first.
    const std::string strSource = "throws: ..\\..\\..\\..\\src\\preset_xml_parser, line ",
                      strBody = "<jackrack><plugin><id>1048</id></plugin></jackrack>";
    for (const std::string& strXml : {"<!-- c -->" + strBody, "<?target data?>" + strBody, "<!DOCTYPE rack>" + strBody,
                                      std::string("<rack/>")}) {
        EXPECT_EQ(strSource + "155: The xml document is not a preset", load(strXml, pPreset)) << strXml;
    }
    for (const char* pszXml : {"", "<jackrack>", "<jackrack></plugin>", "not xml at all"}) {
        EXPECT_EQ(strSource + "38: Unable to parse preset XML from memory", load(pszXml, pPreset)) << pszXml;
    }
    // Documents written to harm the host are refused or read harmlessly and
    // print nothing of libxml2's (that they open no other file is checked
    // on Linux, where the opening can be watched).
    const std::string strThrows = "throws";
    const std::pair<std::string, std::string> rows[] = {
        // libxml2 refuses to amplify entities even unexpanded.
        {"bad/billion_laughs.xml", strThrows},
        // The entity names a plugin that would load if its file were read.
        {"bad/external_entity.xml", c_strUnknown0 + c_strIdFirst},
        {"bad/invalid_utf8.xml", strThrows},
    };
    for (const auto& r : rows) {
        const std::string strLog = load(r.first[0] == 'b' ? c_strData + r.first : r.first, pPreset, r.first[0] == 'b');
        EXPECT_EQ(r.second, strLog.substr(0, r.second.size())) << r.first.substr(0, 100);
        EXPECT_TRUE(r.second == strThrows || (strLog == r.second && pPreset->plugins().empty())) << strLog;
    }
}

// A buffer of 1, 2, 3, ... behind an offset of 8, which the chain must honour.
TEST(Preset, EnabledEntriesRunInOrderWithTheValuesSetBeforeTheBlock)
{
    app::sample_buffer buffer(1, 64);
    buffer.clear(0, 64);
    buffer.set_offset(8);
    for (unsigned int i = 0; i < 16; ++i) {
        buffer.data(0)[i] = static_cast<float>(i + 1);
    }
    // The first and last samples a run gives, and whether in the caller's buffer.
    auto run = [&](app::preset& preset) {
        const app::sample_buffer& out = preset.apply(buffer, 16);
        return text({out.data(0)[0], out.data(0)[15]}) + (&out == &buffer ? " in place" : "");
    };
    preset_ptr pPreset;
    load(jackrack(gain(false, "2")), pPreset);
    EXPECT_EQ("1 16 in place", run(*pPreset));
    load(jackrack(gain(false, "2") + gain(true, "3") + gain(false, "5") + gain(true, "7")), pPreset);
    EXPECT_EQ("21 336", run(*pPreset));
    // Kept beyond the port's bound; stored for a disabled entry but never
    // handed over; indices count entries and input control ports only.
    EXPECT_TRUE(pPreset->set_control_port_value(3, 0, 20.0f) && pPreset->set_control_port_value(0, 0, 4.0f));
    EXPECT_FALSE(pPreset->set_control_port_value(4, 0, 1.0f) || pPreset->set_control_port_value(0, 1, 1.0f));
    EXPECT_EQ("60 960", run(*pPreset));
    EXPECT_EQ("1 16", text({buffer.data(0)[0], buffer.data(0)[15]}));
}

}  // namespace
