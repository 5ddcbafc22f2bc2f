// Which attachments the shell would start as programs: a program file finds
// itself as its own program, a file of no known type finds none, and a
// document finds another program.
#include "format/executable_check.h"
#include "tests/unit/test_support.h"

namespace {

class ExecutableCheckTest : public FolderTest {
protected:
    void SetUp() override {
        FolderTest::SetUp();
        std::filesystem::create_directory(folder_ / "temp");
    }
};

TEST_F(ExecutableCheckTest, ProgramsAndUnknownTypesAreRefused) {
    for (const char* name : {"setup.exe", "run.bat", "x.zzqq", "RUN.EXE", "trail.exe.", "trail.exe . "}) {
        write_file(folder_ / "temp" / name, "MZ");
        EXPECT_EQ(is_executable_file((std::string("temp\\") + name).c_str()), 1) << name;
    }
    EXPECT_EQ(is_executable_file("temp\\absent.exe"), 1);
}

TEST_F(ExecutableCheckTest, DocumentsOpenWithTheirProgram) {
    write_file(folder_ / "temp" / "notes.txt", "text");
    EXPECT_EQ(is_executable_file("temp\\notes.txt"), 0);
}

}  // namespace
