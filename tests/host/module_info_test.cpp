#include "platform/module_info.h"

#include <gtest/gtest.h>

#include "platform/path_mapping.h"
#include "platform/process.h"

namespace vu::platform {
namespace {

TEST(ModuleFilePath, NamesTheFileThisCodeWasLinkedInto) {
    // Linked into the test program, the module is the program itself.
    const std::string path = ModuleFilePath();
    ASSERT_FALSE(path.empty());
    EXPECT_EQ(PathIdentity(path), PathIdentity(HostExecutablePath()));
}

}  // namespace
}  // namespace vu::platform
