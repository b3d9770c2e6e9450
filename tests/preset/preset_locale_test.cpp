// Presets read the same whatever locale the host process has set.
#include <gtest/gtest.h>

#include <clocale>
#include <cstdlib>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

#include "preset_test_support.h"
#include "vocalith/app/preset.h"
#include "vocalith/ladspa/abstract_instance.h"

namespace preset_test {
namespace {

const char c_szLocale[] = "de_DE.UTF-8";

class DecimalCommaLocale : public preset_test {
protected:
    void SetUp() override
    {
        preset_test::SetUp();
        if (std::setlocale(LC_ALL, c_szLocale) == nullptr) {
            // The build generates the locale beside the tests when the system lacks it.
            setenv("LOCPATH", VOCALITH_TEST_LOCALE_DIR, 1);
            m_bLocPath = true;
        }
        if (std::setlocale(LC_ALL, c_szLocale) == nullptr) {
            GTEST_SKIP() << "no " << c_szLocale << " locale: not installed and localedef could not make one in "
                         << VOCALITH_TEST_LOCALE_DIR;
        }
    }

    void TearDown() override
    {
        std::setlocale(LC_ALL, "C");
        if (m_bLocPath) {
            unsetenv("LOCPATH");
        }
        preset_test::TearDown();
    }

    // Gain of the first plugin and the first wet/dry value of a document.
    static std::vector<float> values_of(const char* pszGain, const char* pszWet)
    {
        const std::shared_ptr<app::preset> pPreset = load_string(jackrack(
            std::string("<plugin><id>1048</id><wet_dry_values><value>") + pszWet +
            "</value></wet_dry_values><controlrow><value>" + pszGain + "</value></controlrow></plugin>"));
        if (!pPreset || pPreset->plugins().size() != 1) {
            ADD_FAILURE() << "the document did not load";
            return {};
        }
        const ladspa::abstract_instance& inst = *pPreset->plugins().front().instance;
        return {inst.input_values.at(0), inst.wet_dry_values.at(0)};
    }

private:
    bool m_bLocPath = false;
};

TEST_F(DecimalCommaLocale, PointsAndCommasReadAsInTheCLocale)
{
    // The locale is really in force: the C library itself now reads "0.5" short.
    ASSERT_EQ(0.0, std::strtod("0.5", nullptr));
    EXPECT_EQ((std::vector<float>{0.5f, 0.25f}), values_of("0.500000", "0.250000"));
    EXPECT_EQ((std::vector<float>{0.5f, 0.25f}), values_of("0,500000", "0,250000"));
    EXPECT_EQ((std::vector<float>{1500.0f, -2.0f}), values_of("1.5e3", "-2"));
}

}  // namespace
}  // namespace preset_test
