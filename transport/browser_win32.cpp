// The user's own browser, through the shell: whatever the user chose to
// open https addresses with.
#include <windows.h>
#include <objbase.h>
#include <shellapi.h>

#include <string>

#include "transport/oauth_requests.h"
#include "transport/oauth_sign_in.h"

bool system_open_browser(const std::string& url) {
    // Only a web address: the shell would run a program or open a file
    // given its name just as readily.
    if (!https_address(url)) return false;
    std::wstring wide(url.begin(), url.end());  // printable ASCII, as checked
    // The shell may hand the address to extensions that need COM on this
    // (worker) thread.
    HRESULT com = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE);
    HINSTANCE started = ShellExecuteW(nullptr, L"open", wide.c_str(), nullptr, nullptr, SW_SHOWNORMAL);
    if (SUCCEEDED(com)) CoUninitialize();
    return reinterpret_cast<INT_PTR>(started) > 32;
}
