#include "host/options.h"

#include <gtest/gtest.h>

#include <cstdlib>

#include "host/work_paths.h"
#include "platform/locale_format.h"

namespace vu {
namespace {

class OptionsTest : public ::testing::Test {
protected:
    void SetUp() override {
        InitializeWorkPaths("C:\\Client\\RaVuviraZut.dll", "C:\\Client\\c.exe");
    }
    void TearDown() override { FinalizeWorkPaths(); }
};

TEST_F(OptionsTest, LimitSpeedTakesOnlyPositiveIntegers) {
    EXPECT_EQ(GetOption("LimitSpeed"), "2147483647");
    const struct {
        const char* name;
        const char* value;
        std::int32_t expected;
    } steps[] = {
        {"LimitSpeed", "0", 2147483647},
        {"LimitSpeed", "abc", 2147483647},
        {"LimitSpeed", "-5", 2147483647},
        {"LimitSpeed", "", 2147483647},
        {"limitspeed", "65536", 65536},
        {"LimitSpeed", "12abc", 65536},
        {"LimitSpeed", "99999999999", 65536},
        {"LimitSpeed", " 5", 5},
        {"LIMITSPEED", "+42", 42},
        {"LimitSpeed", "2147483647", 2147483647},
        {"LimitSpeed", "1", 1},
    };
    for (const auto& step : steps) {
        SetOption(step.name, step.value);
        EXPECT_EQ(LimitSpeed.load(), step.expected) << step.name << "=" << step.value;
        EXPECT_EQ(GetOption("limitSPEED"), std::to_string(step.expected));
    }
}

TEST_F(OptionsTest, DownloadPathTakesEffectWhenTheNextJobStarts) {
    SetOption("DownloadPath", "D:\\Apps");
    EXPECT_EQ(GetOption("DownloadPath"), "C:\\Client\\");
    EXPECT_EQ(BaseWorkDir(), "D:\\Apps\\");
    ResetWorkPaths();
    EXPECT_EQ(GetOption("downloadpath"), "D:\\Apps\\");
    // The cache stays beside the module.
    EXPECT_EQ(CacheDir(), "C:\\Client\\DlCache\\");
}

TEST_F(OptionsTest, DownloadPathGainsOneTrailingBackslash) {
    const std::pair<const char*, const char*> cases[] = {
        {"D:\\Apps\\", "D:\\Apps\\"}, {"", "\\"}, {"E:", "E:\\"}};
    for (const auto& [value, base] : cases) {
        SetOption("DownloadPath", value);
        ResetWorkPaths();
        EXPECT_EQ(GetOption("DownloadPath"), base) << value;
    }
}

TEST_F(OptionsTest, CurrentSpeedHasTwoDecimalsAndTheLocaleSeparator) {
    const std::string separator = platform::DecimalSeparator();
    const auto withSeparator = [&](std::string text) {
        return text.replace(text.find('.'), 1, separator);
    };
    EXPECT_EQ(GetOption("CurrentSpeed"), withSeparator("0.00"));
    const struct {
        double speed;
        const char* expected;
    } cases[] = {
        {153600.5, "153600.50"}, {1234.567, "1234.57"}, {0.994, "0.99"},
        {99.999, "100.00"},      {0.5, "0.50"},          {1e9, "1000000000.00"},
    };
    for (const auto& c : cases) {
        CurrentSpeed = c.speed;
        EXPECT_EQ(GetOption("currentspeed"), withSeparator(c.expected)) << c.speed;
    }
}

TEST_F(OptionsTest, CurrentSpeedCannotBeSet) {
    SetOption("CurrentSpeed", "5");
    EXPECT_EQ(CurrentSpeed.load(), 0.0);
}

TEST_F(OptionsTest, UnknownKeysAreIgnored) {
    SetOption("Limit Speed", "100");
    SetOption("DownloadPathX", "D:\\Apps");
    SetOption("", "1");
    EXPECT_EQ(LimitSpeed.load(), 2147483647);
    EXPECT_EQ(BaseWorkDir(), "C:\\Client\\");
    for (const char* name : {"", "Limit", "LimitSpeedX", "CurrentSpeed ", "WorkDir"}) {
        EXPECT_EQ(GetOption(name), std::nullopt) << name;
    }
}

TEST(DecimalSeparator, IsThePointInTheLocalesTheSuitesRunIn) {
    // Both the default run and the Chinese one use ".".
    const char* const locale = std::getenv("LC_ALL");
    if (locale == nullptr) GTEST_SKIP() << "LC_ALL is not set";
    EXPECT_EQ(platform::DecimalSeparator(), ".") << locale;
}

}  // namespace
}  // namespace vu
