#include "support/unzip_events.h"

#include <gtest/gtest.h>

#include "helpers/temp_folder.h"
#include "platform/file_system.h"

namespace vu {
namespace {

TEST(UnzipEvents, StartOfFileMakesAReadOnlyTargetWritableAndChangesNothingElse) {
    const test::TempFolder folder;
    const std::string target = folder / "game.dat";
    test::WriteFileBytes(target, "old");
    for (const bool skipBefore : {false, true}) {
        ASSERT_TRUE(platform::WriteAttributes(target, platform::kAttributeReadOnly));
        std::string path = target;
        bool skip = skipBefore;
        UnzipEventHandler().OnStartFile(3, path, skip);
        EXPECT_EQ(*platform::ReadAttributes(target) & platform::kAttributeReadOnly, 0u);
        EXPECT_EQ(path, target);
        EXPECT_EQ(skip, skipBefore);
    }
    std::string missing = folder / "missing.dat";
    bool skip = false;
    UnzipEventHandler().OnStartFile(0, missing, skip);
    EXPECT_FALSE(platform::ReadAttributes(missing).has_value());
}

}  // namespace
}  // namespace vu
