#include <gtest/gtest.h>

#include <string>

#include "dtmf_signal.h"
#include "vocalith/sigtools/dtmf_detector.h"

namespace {

using dtmf_test::signal_builder;

TEST(DtmfKeys, EveryKeyOfThePadIsReportedAsItsCharacter)
{
    signal_builder sig(1);
    sig.pause(30);
    for (char c : std::string(dtmf_test::c_szKeys)) {
        sig.key(c, 60).pause(60);
    }
    EXPECT_EQ("123A456B789C*0#D", dtmf_test::detect_keys(sig.samples()));
}

}  // namespace
