#include "platform/code_page.h"

#include <gtest/gtest.h>

#include "platform/date_time.h"

namespace vu::platform {
namespace {

// The suites run under the default locale and under a Chinese one; each checks its own page.
TEST(CodePage, ConvertsTheAnsiPageToUtf8) {
    EXPECT_EQ(AnsiToUtf8("plain ascii"), "plain ascii");
    EXPECT_EQ(AnsiToUtf8(""), "");
    switch (AnsiCodePage()) {
        case 936:
            // "更新中断" in code page 936
            EXPECT_EQ(AnsiToUtf8("\xB8\xFC\xD0\xC2\xD6\xD0\xB6\xCF"), "\xE6\x9B\xB4\xE6\x96\xB0\xE4\xB8\xAD\xE6\x96\xAD");
            break;
        case 1252:
            EXPECT_EQ(AnsiToUtf8("caf\xE9 \x80"), "caf\xC3\xA9 \xE2\x82\xAC");
            break;
        default:
            GTEST_SKIP() << "no expectation for code page " << AnsiCodePage();
    }
}

TEST(CodePage, FollowsTheLocale) {
    const char* locale = std::getenv("LC_ALL");
    if (locale == nullptr) GTEST_SKIP() << "LC_ALL not set";
    EXPECT_EQ(AnsiCodePage(), std::string(locale).starts_with("zh_CN") ? 936u : 1252u);
}

TEST(DateTime, LocalDateTimeTextHoldsTheYearAndTheTime) {
    const std::string text = LocalDateTimeText();
    EXPECT_NE(text.find("20"), std::string::npos) << text;
    EXPECT_NE(text.find(':'), std::string::npos) << text;
    EXPECT_NE(text.find(' '), std::string::npos) << text;
}

}  // namespace
}  // namespace vu::platform
