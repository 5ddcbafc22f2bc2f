// The driver's steps on a program file's resources, read as Explorer reads
// them, without starting the program.
//
//   file-version <exe>               print the version resource's fixed
//                                    version and its strings, one a line
//   icons <exe>                      print the program's icon (its first
//                                    icon group): each size and a checksum
//                                    of its image
//   module-version <dll>             print the file version of that library
//                                    as the started program has it loaded,
//                                    and where it was loaded from
#include <windows.h>

#include <tlhelp32.h>

#include <cstdio>
#include <string>
#include <vector>

#include "driver.h"

extern PROCESS_INFORMATION started;

namespace {

std::string version_of(const std::string& path) {
    DWORD ignored = 0;
    DWORD size = GetFileVersionInfoSizeA(path.c_str(), &ignored);
    std::vector<char> data(size ? size : 1);
    VS_FIXEDFILEINFO* fixed = nullptr;
    UINT length = 0;
    if (!size || !GetFileVersionInfoA(path.c_str(), 0, size, data.data()) ||
        !VerQueryValueA(data.data(), "\\", reinterpret_cast<void**>(&fixed), &length) || !fixed)
        return "none";
    char text[64];
    std::snprintf(text, sizeof text, "%d.%d.%d.%d", HIWORD(fixed->dwFileVersionMS), LOWORD(fixed->dwFileVersionMS),
                  HIWORD(fixed->dwFileVersionLS), LOWORD(fixed->dwFileVersionLS));
    return text;
}

void module_version(const NextArgument& next) {
    std::string dll = next();
    HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPMODULE, started.dwProcessId);
    if (snapshot == INVALID_HANDLE_VALUE) fail("cannot list the modules of the started program");
    MODULEENTRY32 module{};
    module.dwSize = sizeof module;
    bool found = false;
    for (BOOL more = Module32First(snapshot, &module); more && !found; more = Module32Next(snapshot, &module)) {
        if (lstrcmpiA(module.szModule, dll.c_str()) != 0) continue;
        std::printf("MODULE: %s %s %s\n", dll.c_str(), version_of(module.szExePath).c_str(), module.szExePath);
        found = true;
    }
    CloseHandle(snapshot);
    if (!found) fail(dll + " is not loaded");
}

void file_version(const NextArgument& next) {
    std::string path = next();
    DWORD ignored = 0;
    DWORD size = GetFileVersionInfoSizeA(path.c_str(), &ignored);
    if (!size) fail("no version resource in " + path);
    std::vector<char> data(size);
    if (!GetFileVersionInfoA(path.c_str(), 0, size, data.data())) fail("version resource unreadable");
    VS_FIXEDFILEINFO* fixed = nullptr;
    UINT length = 0;
    if (VerQueryValueA(data.data(), "\\", reinterpret_cast<void**>(&fixed), &length) && fixed)
        std::printf("VERSION: %d.%d.%d.%d\n", HIWORD(fixed->dwFileVersionMS), LOWORD(fixed->dwFileVersionMS),
                    HIWORD(fixed->dwFileVersionLS), LOWORD(fixed->dwFileVersionLS));
    for (const char* name : {"FileVersion", "ProductVersion", "ProductName", "FileDescription", "CompanyName",
                             "LegalCopyright", "OriginalFilename"}) {
        char* value = nullptr;
        std::string key = std::string("\\StringFileInfo\\040904B0\\") + name;
        if (VerQueryValueA(data.data(), key.c_str(), reinterpret_cast<void**>(&value), &length) && value)
            std::printf("VERSION-STRING: %s=%s\n", name, value);
    }
}

#pragma pack(push, 2)
struct GroupEntry {
    BYTE width, height, colours, reserved;
    WORD planes, bits;
    DWORD bytes;
    WORD id;
};
#pragma pack(pop)

BOOL CALLBACK first_group(HMODULE, LPCSTR, LPSTR name, LONG_PTR found) {
    *reinterpret_cast<LPSTR*>(found) = name;
    return FALSE;
}

void icons(const NextArgument& next) {
    std::string path = next();
    HMODULE module = LoadLibraryExA(path.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE);
    if (!module) fail("cannot read " + path);
    LPSTR group = nullptr;
    EnumResourceNamesA(module, RT_GROUP_ICON, first_group, reinterpret_cast<LONG_PTR>(&group));
    HRSRC found = group ? FindResourceA(module, group, RT_GROUP_ICON) : nullptr;
    if (!found) fail("no icon in " + path);
    auto* header = static_cast<const WORD*>(LockResource(LoadResource(module, found)));
    auto* entries = reinterpret_cast<const GroupEntry*>(header + 3);
    for (int i = 0; i < header[2]; i++) {
        HRSRC image = FindResourceA(module, MAKEINTRESOURCEA(entries[i].id), RT_ICON);
        auto* bytes = image ? static_cast<const BYTE*>(LockResource(LoadResource(module, image))) : nullptr;
        DWORD sum = 0, n = image ? SizeofResource(module, image) : 0;
        for (DWORD b = 0; bytes && b < n; b++) sum = sum * 31 + bytes[b];
        std::printf("ICON: %d %lu %08lx\n", entries[i].width ? entries[i].width : 256, n, sum);
    }
    FreeLibrary(module);
}

}  // namespace

bool run_resource_step(const std::string& step, const NextArgument& next) {
    if (step == "file-version") file_version(next);
    else if (step == "icons") icons(next);
    else if (step == "module-version") module_version(next);
    else return false;
    return true;
}
