#include "processes.h"

#include <tlhelp32.h>

#include <cstring>

namespace {

std::vector<PROCESSENTRY32> processes() {
    std::vector<PROCESSENTRY32> all;
    HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    if (snapshot == INVALID_HANDLE_VALUE) return all;
    PROCESSENTRY32 entry{};
    entry.dwSize = sizeof entry;
    for (BOOL ok = Process32First(snapshot, &entry); ok; ok = Process32Next(snapshot, &entry)) all.push_back(entry);
    CloseHandle(snapshot);
    return all;
}

bool named(const PROCESSENTRY32& e, const std::string& exe) { return _stricmp(e.szExeFile, exe.c_str()) == 0; }

}  // namespace

bool contains(const std::vector<DWORD>& pids, DWORD pid) {
    for (DWORD p : pids)
        if (p == pid) return true;
    return false;
}

std::vector<DWORD> process_tree(DWORD root) {
    std::vector<DWORD> pids{root};
    std::vector<PROCESSENTRY32> all = processes();
    for (size_t n = 0; n < pids.size(); n++)
        for (const PROCESSENTRY32& e : all)
            if (e.th32ParentProcessID == pids[n] && !contains(pids, e.th32ProcessID)) pids.push_back(e.th32ProcessID);
    return pids;
}

int count_processes(const std::string& exe) {
    int n = 0;
    for (const PROCESSENTRY32& e : processes()) n += named(e, exe);
    return n;
}

int end_descendants_of(DWORD root, const std::string& exe) {
    if (!root) return 0;
    std::vector<DWORD> tree = process_tree(root);
    int n = 0;
    for (const PROCESSENTRY32& e : processes()) {
        if (e.th32ProcessID == root || !contains(tree, e.th32ProcessID) || (!exe.empty() && !named(e, exe))) continue;
        HANDLE h = OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, e.th32ProcessID);
        if (h && TerminateProcess(h, 9)) n++, WaitForSingleObject(h, 5000);
        if (h) CloseHandle(h);
    }
    return n;
}
