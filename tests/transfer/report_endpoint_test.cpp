#include "transfer/report_endpoint.h"

#include <gtest/gtest.h>

#include <cstdlib>

#include "platform/environment.h"

namespace vu {
namespace {

constexpr char kVariable[] = "VU_REPORT_URL";

// Sets or removes an environment variable of this process for one test.
void SetVariable(const char* name, const char* value) {
#ifdef _WIN32
    _putenv_s(name, value != nullptr ? value : "");
#else
    if (value != nullptr) setenv(name, value, 1);
    else unsetenv(name);
#endif
}

class ReportEndpointTest : public ::testing::Test {
protected:
    void SetUp() override {
        saved_ = platform::EnvironmentVariable(kVariable);
        SetVariable(kVariable, nullptr);
    }
    void TearDown() override { SetVariable(kVariable, saved_ ? saved_->c_str() : nullptr); }

private:
    std::optional<std::string> saved_;
};

TEST_F(ReportEndpointTest, EnvironmentVariablesAreReadAndAMissingOneIsNone) {
    EXPECT_EQ(platform::EnvironmentVariable(kVariable), std::nullopt);
    SetVariable(kVariable, "some value");
    EXPECT_EQ(platform::EnvironmentVariable(kVariable), "some value");
    const std::string longValue = "http://host/" + std::string(1000, 'p');
    SetVariable(kVariable, longValue.c_str());
    EXPECT_EQ(platform::EnvironmentVariable(kVariable), longValue);
}

TEST_F(ReportEndpointTest, AFullHttpUrlInTheEnvironmentOverridesTheBuildSetting) {
    const std::string built = ReportEndpointUrl();
    EXPECT_TRUE(built.starts_with("http://") || built.starts_with("https://")) << built;
    EXPECT_TRUE(built.ends_with("/report3.php")) << built;

    const std::vector<std::pair<std::string, bool>> cases{
        {"http://127.0.0.1:8123/report3.php", true},
        {"https://reports.example/report3.php", true},
        {"HTTP://reports.example/report3.php", true},
        {"ftp://reports.example/report3.php", false},
        {"reports.example/report3.php", false},
        {"http://", false},
    };
    for (const auto& [value, used] : cases) {
        SetVariable(kVariable, value.c_str());
        EXPECT_EQ(ReportEndpointUrl(), used ? value : built) << value;
    }
}

}  // namespace
}  // namespace vu
