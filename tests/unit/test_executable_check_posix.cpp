// Without shell associations no attachment has a program to open it, so
// every file counts as one that must not be started.
#include "client/executable_check.h"
#include "tests/unit/test_support.h"

namespace {

TEST(ExecutableCheck, WithoutAssociationsEveryFileIsRefused) {
    EXPECT_EQ(is_executable_file("temp\\notes.txt"), 1);
    EXPECT_EQ(is_executable_file("temp\\setup.exe"), 1);
    EXPECT_EQ(is_executable_file(""), 1);
}

}  // namespace
