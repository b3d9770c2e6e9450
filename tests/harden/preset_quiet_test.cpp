// Whatever a preset document holds, the library prints only its own log
// lines: libxml2's own complaints (an undecodable declared encoding among
// them) stay silent, and a host's libxml2 error handler is left in place.
#include <gtest/gtest.h>

#include <libxml/parser.h>
#include <libxml/xmlerror.h>

#include <memory>
#include <string>

#include "vocalith/app/exception.h"
#include "vocalith/app/globals.h"
#include "vocalith/app/preset.h"
#include "vocalith/app/preset_xml_parser.h"
#include "vocalith/ladspa/plugin_factory.h"

namespace {

int g_nHostErrors = 0;

void host_handler(void*, const char*, ...)
{
    ++g_nHostErrors;
}

TEST(PresetQuiet, LibxmlPrintsNothingAndTheHostHandlerStays)
{
    const unsigned nSavedLevel = app::s_Global.nLogLevel;
    app::s_Global.nLogLevel = 2;
    ladspa::plugin_factory registry("/nonexistent-vocalith-plugin-dir");
    app::preset_xml_parser parser(registry);
    const std::string documents[] = {
        "<?xml version=\"1.0\" encoding=\"UTF-32\"?><jackrack></jackrack>",
        "<?xml version=\"1.0\" encoding=\"no-such-encoding\"?><jackrack></jackrack>",
        "<jackrack><plugin>",
        "<jackrack>&undefined;</jackrack>",
        std::string("<jackrack>\xff\xfe</jackrack>"),
    };
    for (const std::string& xml : documents) {
        SCOPED_TRACE(xml);
        testing::internal::CaptureStderr();
        EXPECT_THROW(parser.load_from_string(xml), app::exception);
        EXPECT_EQ("", testing::internal::GetCapturedStderr());
    }

    // A host that installed its own handler keeps it; the library's parse
    // errors do not reach it.
    xmlSetGenericErrorFunc(nullptr, host_handler);
    EXPECT_THROW(parser.load_from_string(documents[0]), app::exception);
    EXPECT_EQ(reinterpret_cast<void*>(host_handler), reinterpret_cast<void*>(xmlGenericError));
    EXPECT_EQ(0, g_nHostErrors);
    xmlSetGenericErrorFunc(nullptr, nullptr);
    app::s_Global.nLogLevel = nSavedLevel;
}

}  // namespace
