// The driver's "shortcut <path>" step: prints a shell link's target and
// description as "SHORTCUT: <target> | <description>".
#include <shlobj.h>

#include <cstdio>

#include "driver.h"

void print_shortcut(const std::string& path) {
    CoInitialize(nullptr);
    IShellLinkA* link = nullptr;
    if (FAILED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkA,
                                reinterpret_cast<void**>(&link))))
        fail("no shell link object");
    IPersistFile* file = nullptr;
    wchar_t wide[1000] = {};
    MultiByteToWideChar(CP_ACP, 0, path.c_str(), -1, wide, 999);
    bool loaded = SUCCEEDED(link->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&file))) &&
                  SUCCEEDED(file->Load(wide, STGM_READ));
    char target[MAX_PATH] = {}, description[MAX_PATH] = {};
    if (loaded) {
        link->GetPath(target, MAX_PATH, nullptr, SLGP_RAWPATH);
        link->GetDescription(description, MAX_PATH);
    }
    if (file) file->Release();
    link->Release();
    if (!loaded) fail("no shortcut " + path);
    std::printf("SHORTCUT: %s | %s\n", target, description);
}
