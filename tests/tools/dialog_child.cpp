// A program whose child process shows the save dialog, for the driver's own
// end-to-end test: the client's file dialogs live in a helper process too.
//
//   zm_dialog_child <rounds> <title> <result file> <start folder> [name]
//
// starts a copy of itself once per round and waits for it (at most two
// minutes); each copy shows a save dialog of that title in the start folder,
// proposing the name, asking before it replaces a file, and adds one line to the result file:
// "saved <path>" or "cancelled". A copy that did not end by itself adds
// "ended <exit code>".
#include <windows.h>

#include <commdlg.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {

void add_line(const char* file, const std::string& line) {
    if (FILE* f = std::fopen(file, "ab")) {
        std::fprintf(f, "%s\r\n", line.c_str());
        std::fclose(f);
    }
}

int show_dialog(char** argv) {
    char name[1024] = {};
    std::snprintf(name, sizeof name, "%s", argv[5]);
    OPENFILENAMEA ofn{};
    ofn.lStructSize = sizeof ofn;
    ofn.lpstrFile = name;
    ofn.nMaxFile = sizeof name;
    ofn.lpstrTitle = argv[2];
    ofn.lpstrInitialDir = argv[4];
    ofn.Flags = OFN_EXPLORER | OFN_OVERWRITEPROMPT | OFN_HIDEREADONLY;
    add_line(argv[3], GetSaveFileNameA(&ofn) ? std::string("saved ") + name : "cancelled");
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc == 6 && std::strcmp(argv[1], "child") == 0) return show_dialog(argv);
    if (argc != 5 && argc != 6) {
        std::fprintf(stderr, "usage: zm_dialog_child <rounds> <title> <result file> <start folder> [name]\n");
        return 2;
    }
    char self[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, self, sizeof self);
    std::string line = std::string("\"") + self + "\" child \"" + argv[2] + "\" \"" + argv[3] + "\" \"" + argv[4] + "\" \"" +
                       (argc == 6 ? argv[5] : "") + "\"";
    for (int round = std::atoi(argv[1]); round > 0; round--) {
        STARTUPINFOA si{};
        si.cb = sizeof si;
        PROCESS_INFORMATION child{};
        std::string copy = line;
        if (!CreateProcessA(self, copy.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &child)) return 1;
        if (WaitForSingleObject(child.hProcess, 120000) != WAIT_OBJECT_0) TerminateProcess(child.hProcess, 3);
        WaitForSingleObject(child.hProcess, 5000);
        DWORD code = 0;
        GetExitCodeProcess(child.hProcess, &code);
        if (code != 0) add_line(argv[3], "ended " + std::to_string(code));
        CloseHandle(child.hThread);
        CloseHandle(child.hProcess);
    }
    return 0;
}
