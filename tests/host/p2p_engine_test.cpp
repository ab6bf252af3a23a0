#include "engines/p2p_engine.h"

#include <gtest/gtest.h>

#include <cstdlib>

#include "helpers/temp_folder.h"
#include "platform/dynamic_library.h"
#include "platform/file_system.h"
#include "platform/path_mapping.h"

namespace vu {
namespace {

void SetEnvironment(const std::string& name, const std::string& value) {
#ifdef _WIN32
    _putenv((name + "=" + value).c_str());
#else
    setenv(name.c_str(), value.c_str(), 1);
#endif
}

// Puts one of the test engines (or none) next to the test program under the name the binding
// loads, and points the engine's call record at a fresh file.
class P2PEngineTest : public ::testing::Test {
protected:
    void SetUp() override {
        platform::RemoveFile(EnginePath());
        SetEnvironment("VU_TEST_ENGINE_LOG", platform::NativePath(log_ / "engine-calls.txt"));
        SetEnvironment("VU_TEST_ENGINE_INIT_RESULT", "17");
    }
    void TearDown() override {
        UnloadP2PEngine();
        platform::RemoveFile(EnginePath());
    }

    static std::string EnginePath() {
        return test::ProgramFolder() + platform::LibraryFileName("NyCoreNew.dll");
    }
    static void InstallEngine(const char* builtName) {
        ASSERT_TRUE(platform::CopyFileTo(test::ProgramFolder() + builtName, EnginePath(), true));
    }
    std::string EngineCalls() const { return test::ReadFileBytes(log_ / "engine-calls.txt"); }

private:
    test::TempFolder log_;
};

TEST_F(P2PEngineTest, ACompleteEngineIsSetUpAtLoadAndReleasedAtUnload) {
    InstallEngine(VU_TEST_ENGINE_FULL);
    LoadP2PEngine();
    const P2PEngineState loaded = P2PEngineStatus();
    EXPECT_TRUE(loaded.loaded);
    EXPECT_TRUE(loaded.available);
    EXPECT_EQ(loaded.initResult, 17);
    EXPECT_EQ(EngineCalls(), "InitDownloadEnv 0\n");

    UnloadP2PEngine();
    EXPECT_EQ(EngineCalls(), "InitDownloadEnv 0\nFreeDownloadEnv\n");
    const P2PEngineState unloaded = P2PEngineStatus();
    EXPECT_FALSE(unloaded.loaded);
    EXPECT_FALSE(unloaded.available);
    // A library still held could not be deleted on Windows.
    EXPECT_TRUE(platform::RemoveFile(EnginePath()));
}

TEST_F(P2PEngineTest, AnEngineMissingAProcedureIsHeldButNeverCalled) {
    InstallEngine(VU_TEST_ENGINE_PARTIAL);
    LoadP2PEngine();
    const P2PEngineState state = P2PEngineStatus();
    EXPECT_TRUE(state.loaded);
    EXPECT_FALSE(state.available);
    EXPECT_EQ(state.initResult, std::nullopt);
    UnloadP2PEngine();
    EXPECT_FALSE(P2PEngineStatus().loaded);
    EXPECT_EQ(EngineCalls(), "");
}

TEST_F(P2PEngineTest, WithoutAnEngineNothingIsCalled) {
    LoadP2PEngine();
    const P2PEngineState state = P2PEngineStatus();
    EXPECT_FALSE(state.loaded);
    EXPECT_FALSE(state.available);
    EXPECT_EQ(state.initResult, std::nullopt);
    UnloadP2PEngine();
    EXPECT_EQ(EngineCalls(), "");
}

TEST(DynamicLibrary, FindsExportedNamesOnly) {
    const auto library =
        platform::DynamicLibrary::Load(test::ProgramFolder() + VU_TEST_ENGINE_PARTIAL);
    ASSERT_TRUE(library.has_value());
    EXPECT_NE(library->Symbol("InitDownloadEnv"), nullptr);
    EXPECT_NE(library->Symbol("SetJobControl"), nullptr);
    EXPECT_EQ(library->Symbol("GetJobControl"), nullptr);
    EXPECT_EQ(library->Symbol("CallRecord"), nullptr);
}

TEST(DynamicLibrary, AMissingLibraryGivesNone) {
    EXPECT_FALSE(platform::DynamicLibrary::Load("NoSuchLibraryHere.dll").has_value());
    EXPECT_FALSE(platform::DynamicLibrary::Load(test::ProgramFolder() + "missing.dll").has_value());
}

}  // namespace
}  // namespace vu
