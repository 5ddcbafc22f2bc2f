// Which attachments the shell would start as programs: a program file finds
// itself as its own program, a file of no known type finds none, and a
// document finds another program.
#include <windows.h>

#include <cstring>

#include "client/executable_check.h"
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

// A document type of the test's own, opened by notepad, registered while
// the test runs (in the classes root: Wine's shell looks only there).
struct DocumentType {
    DocumentType() {
        set(".zmdoc", "zmdocfile");
        set("zmdocfile\\shell\\open\\command", "notepad.exe \"%1\"");
    }
    ~DocumentType() {
        RegDeleteTreeA(HKEY_CLASSES_ROOT, "zmdocfile");
        RegDeleteTreeA(HKEY_CLASSES_ROOT, ".zmdoc");
    }
    static void set(const char* key, const char* value) {
        HKEY k = nullptr;
        ASSERT_EQ(RegCreateKeyExA(HKEY_CLASSES_ROOT, key, 0, nullptr, 0, KEY_WRITE, nullptr, &k, nullptr), ERROR_SUCCESS);
        RegSetValueExA(k, nullptr, 0, REG_SZ, reinterpret_cast<const BYTE*>(value), static_cast<DWORD>(strlen(value) + 1));
        RegCloseKey(k);
    }
};

TEST_F(ExecutableCheckTest, DocumentsOpenWithTheirProgram) {
    DocumentType type;
    write_file(folder_ / "temp" / "notes.zmdoc", "text");
    EXPECT_EQ(is_executable_file("temp\\notes.zmdoc"), 0);
    // The same document named to end like a program is refused.
    write_file(folder_ / "temp" / "notes.zmdoc.exe", "MZ");
    EXPECT_EQ(is_executable_file("temp\\notes.zmdoc.exe"), 1);
}

}  // namespace
