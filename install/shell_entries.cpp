#include "install/shell_entries.h"

#include <shlobj.h>

#include <vector>

#include "core/ui_services.h"
#include "install/install_paths.h"

namespace {

constexpr char run_key[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Run";
constexpr char run_value[] = "Zenth Mail";
constexpr char mailto_key[] = "mailto\\shell\\open\\command";
constexpr char old_value[] = "OldValue";
constexpr char eml_key[] = ".eml";
constexpr char class_command_key[] = "Zenth Mail File\\shell\\open\\command";

void tell(HWND owner, const char* text, const char* caption = "Install") {
    ui_message_box(owner, text, caption, UI_OK);
}

// A text value with its terminating zero, as the registry asks.
LONG set_text(HKEY key, const char* name, DWORD type, const std::string& text) {
    return RegSetValueExA(key, name, 0, type, reinterpret_cast<const BYTE*>(text.c_str()),
                          static_cast<DWORD>(text.size() + 1));
}

// A text value, false when it is missing or not text.
bool get_text(HKEY key, const char* name, std::string* text) {
    char data[401] = {};
    DWORD size = 400;
    DWORD type = 0;
    if (RegQueryValueExA(key, name, nullptr, &type, reinterpret_cast<BYTE*>(data), &size) != ERROR_SUCCESS) return false;
    if (type != REG_SZ && type != REG_EXPAND_SZ) return false;
    *text = std::string(data, strnlen(data, size));
    return true;
}

}  // namespace

std::string shell_folder(int csidl) {
    LPITEMIDLIST list = nullptr;
    char path[MAX_PATH] = {};
    if (SHGetSpecialFolderLocation(nullptr, csidl, &list) == S_OK && list) {
        if (!SHGetPathFromIDListA(list, path)) path[0] = 0;
        CoTaskMemFree(list);
    }
    return path;
}

bool set_startup_entry(HWND owner, const std::string& command) {
    HKEY key;
    bool set = RegCreateKeyExA(HKEY_LOCAL_MACHINE, run_key, 0, nullptr, 0, KEY_SET_VALUE, nullptr, &key, nullptr) ==
               ERROR_SUCCESS;
    if (set) {
        set = set_text(key, run_value, REG_SZ, command) == ERROR_SUCCESS;
        RegCloseKey(key);
    }
    if (!set) tell(owner, "Registry setup error!");
    return set;
}

bool remove_startup_entry() {
    HKEY key;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, run_key, 0, KEY_SET_VALUE, &key) != ERROR_SUCCESS) return false;
    bool removed = RegDeleteValueA(key, run_value) == ERROR_SUCCESS;
    RegCloseKey(key);
    return removed;
}

bool set_mailto_handler(HWND owner, const std::string& command) {
    HKEY key;
    bool set = RegOpenKeyExA(HKEY_CLASSES_ROOT, mailto_key, 0, KEY_ALL_ACCESS, &key) == ERROR_SUCCESS;
    if (set) {
        std::string kept;
        // The first handler seen stays kept, however often this runs.
        if (!get_text(key, old_value, &kept)) {
            std::string previous;
            set = get_text(key, nullptr, &previous) && set_text(key, old_value, REG_SZ, previous) == ERROR_SUCCESS;
        }
        set = set && set_text(key, nullptr, REG_EXPAND_SZ, command) == ERROR_SUCCESS;
        RegCloseKey(key);
    }
    if (!set) tell(owner, "Registry setup error!");
    return set;
}

RestoreResult restore_mailto_handler() {
    HKEY key;
    if (RegOpenKeyExA(HKEY_CLASSES_ROOT, mailto_key, 0, KEY_ALL_ACCESS, &key) != ERROR_SUCCESS) return RESTORE_NOTHING;
    std::string kept;
    RestoreResult result = RESTORE_NOTHING;
    if (get_text(key, old_value, &kept)) {
        // Written back before the kept value goes: a failed write must not
        // lose the earlier handler.
        result = set_text(key, nullptr, REG_EXPAND_SZ, kept) == ERROR_SUCCESS &&
                         RegDeleteValueA(key, old_value) == ERROR_SUCCESS
                     ? RESTORE_DONE
                     : RESTORE_FAILED;
    }
    RegCloseKey(key);
    return result;
}

bool associate_eml(HWND owner, const std::string& command) {
    struct Entry {
        const char* key;
        std::string value;
    };
    const Entry entries[] = {{eml_key, eml_class}, {class_command_key, command}};
    for (const Entry& entry : entries) {
        HKEY key;
        if (RegCreateKeyExA(HKEY_CLASSES_ROOT, entry.key, 0, nullptr, 0, KEY_SET_VALUE, nullptr, &key, nullptr) !=
            ERROR_SUCCESS) {
            tell(owner, "RegCreateKeyEx error");
            return false;
        }
        bool set = set_text(key, nullptr, REG_SZ, entry.value) == ERROR_SUCCESS;
        RegCloseKey(key);
        if (!set) {
            tell(owner, "RegSetValueEx error");
            return false;
        }
    }
    return true;
}

bool remove_eml_class() {
    // The class key has subkeys, which a plain key deletion refuses.
    return RegDeleteTreeA(HKEY_CLASSES_ROOT, eml_class) == ERROR_SUCCESS;
}

ResetResult reset_eml() {
    HKEY key;
    if (RegOpenKeyExA(HKEY_CLASSES_ROOT, eml_key, 0, KEY_QUERY_VALUE | KEY_SET_VALUE, &key) != ERROR_SUCCESS)
        return RESET_NOT_OURS;
    std::string current;
    ResetResult result = RESET_NOT_OURS;
    // Another program's association stays as it is.
    if (get_text(key, nullptr, &current) && current == eml_class)
        result = set_text(key, nullptr, REG_SZ, eml_default_class) == ERROR_SUCCESS ? RESET_DONE : RESET_FAILED;
    RegCloseKey(key);
    return result;
}

bool create_shortcut(HWND owner, const std::string& path, const std::string& target) {
    CoInitialize(nullptr);
    IShellLinkA* link = nullptr;
    HRESULT made = CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkA,
                                    reinterpret_cast<void**>(&link));
    if (FAILED(made)) {
        char text[64];
        wsprintfA(text, "CoCreateInstance error %u", static_cast<unsigned>(made));
        tell(owner, text, "Error");
        return false;
    }
    link->SetPath(target.c_str());
    link->SetDescription("Zenth Mail");
    IPersistFile* file = nullptr;
    bool saved = false;
    if (SUCCEEDED(link->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&file)))) {
        wchar_t wide[1000] = {};
        MultiByteToWideChar(CP_ACP, 0, path.c_str(), -1, wide, 999);
        saved = SUCCEEDED(file->Save(wide, TRUE));
        file->Release();
    }
    link->Release();
    if (!saved) tell(owner, "IPersistFile->Save() Error", "Error");
    return saved;
}
