#include "ui/browser_host.h"

#include <atomic>
#include <memory>

#include "core/log.h"
#include "core/threads.h"
#include "core/ui_services.h"
#include "ui/web_browser.h"
#include "wingui/dialogs.h"

namespace {

constexpr UINT WM_HOST_NAVIGATE = WM_USER + 137;
constexpr DWORD open_bound_ms = 10000;

std::atomic<BrowserEmbed> embed_override{nullptr};
std::atomic<int> navigation_bound_ms{3000};

struct NavigateRequest {
    std::wstring address;
    HANDLE done = nullptr;
    std::atomic<int> shown{0};
    ~NavigateRequest() { CloseHandle(done); }
};

}  // namespace

struct BrowserHost {
    HWND parent = nullptr;
    RECT box{};
    HostRecord record;
    HANDLE ready = nullptr;  // set when the browser exists or the thread gave up
    HANDLE thread = nullptr;
};

namespace {

void answer_navigation(HostRecord* record, NavigateRequest* request) {
    bool shown = false;
    if (record->browser && record->browser->navigate(request->address)) {
        // The browser loads on this thread's messages; the wait has a
        // bound, as an engine that never finishes must not hold the user.
        DWORD start = GetTickCount();
        while (!(shown = record->browser->holds_document()) &&
               GetTickCount() - start < static_cast<DWORD>(navigation_bound_ms.load())) {
            MsgWaitForMultipleObjects(0, nullptr, FALSE, 50, QS_ALLINPUT);
            MSG message;
            while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
                TranslateMessage(&message);
                DispatchMessageW(&message);
            }
        }
    }
    request->shown = shown ? 1 : 0;
    SetEvent(request->done);
}

LRESULT CALLBACK host_procedure(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
    auto* record = reinterpret_cast<HostRecord*>(GetWindowLongPtrW(window, GWLP_USERDATA));
    switch (message) {
    case WM_HOST_BROWSER:
        *reinterpret_cast<BrowserControl**>(lparam) = record ? record->browser : nullptr;
        return 0;
    case WM_HOST_NAVIGATE: {
        std::unique_ptr<std::shared_ptr<NavigateRequest>> request(
            reinterpret_cast<std::shared_ptr<NavigateRequest>*>(lparam));
        answer_navigation(record, request->get());
        return 0;
    }
    case WM_SIZE:
        if (record && record->browser) {
            RECT box;
            GetClientRect(window, &box);
            record->browser->place(box);
        }
        return 0;
    case WM_CLOSE:
        if (record && record->browser) {
            record->browser->close();
            delete record->browser;
            record->browser = nullptr;
        }
        DestroyWindow(window);
        PostQuitMessage(0);
        return 0;
    default:
        return DefWindowProcW(window, message, wparam, lparam);
    }
}

bool register_host_class(HINSTANCE instance) {
    WNDCLASSW kind{};
    if (GetClassInfoW(instance, L"BASEWND", &kind)) return true;
    kind.lpfnWndProc = host_procedure;
    kind.hInstance = instance;
    kind.hCursor = LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_ARROW));
    kind.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
    kind.lpszClassName = L"BASEWND";
    return RegisterClassW(&kind) != 0 || GetLastError() == ERROR_CLASS_ALREADY_EXISTS;
}

DWORD WINAPI browser_thread(void* argument) {
    auto* host = static_cast<BrowserHost*>(argument);
    HRESULT ole = OleInitialize(nullptr);
    HINSTANCE instance = GetModuleHandleW(nullptr);
    if (SUCCEEDED(ole) && register_host_class(instance)) {
        const RECT& b = host->box;
        host->record.host = CreateWindowExW(WS_EX_NOPARENTNOTIFY, L"BASEWND", L"WebBrowser", WS_CHILD, b.left, b.top,
                                            b.right - b.left, b.bottom - b.top, host->parent,
                                            reinterpret_cast<HMENU>(static_cast<INT_PTR>(IDC_BROWSER_HOST)), instance,
                                            nullptr);
    }
    if (host->record.host) {
        SetWindowLongPtrW(host->record.host, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(&host->record));
        BrowserEmbed embed = embed_override.load();
        BrowserControl* browser = (embed ? embed : embed_web_browser)(&host->record);
        // Offline before anything is shown: a message never reaches the network.
        if (browser && !browser->go_offline()) {
            browser->close();
            delete browser;
            browser = nullptr;
        }
        host->record.browser = browser;
        if (!browser) log_write("No HTML view: HTML messages are shown as text.\r\n");
    }
    SetEvent(host->ready);
    if (host->record.browser) {
        MSG message;
        while (GetMessageW(&message, nullptr, 0, 0) > 0) {
            TranslateMessage(&message);
            DispatchMessageW(&message);
        }
    } else if (host->record.host) {
        DestroyWindow(host->record.host);
        host->record.host = nullptr;
    }
    if (SUCCEEDED(ole)) OleUninitialize();
    return 0;
}

}  // namespace

void browser_embed_install(BrowserEmbed embed) { embed_override.store(embed); }
void browser_wait_install(int milliseconds) { navigation_bound_ms.store(milliseconds > 0 ? milliseconds : 3000); }

BrowserHost* open_browser(HWND window, int pane_id) {
    auto* host = new BrowserHost;
    host->parent = window;
    HWND pane = GetDlgItem(window, pane_id);
    GetWindowRect(pane, &host->box);
    MapWindowPoints(nullptr, window, reinterpret_cast<POINT*>(&host->box), 2);
    host->ready = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    host->thread = CreateThread(nullptr, 0, browser_thread, host, 0, nullptr);
    if (!host->thread) {
        show_message("Could not start thread.");
        CloseHandle(host->ready);
        delete host;
        return nullptr;
    }
    // The host window answers where its browser is once it has one.
    BrowserControl* browser = nullptr;
    if (wait_answering(host->ready, open_bound_ms) && host->record.host)
        SendMessageTimeoutW(host->record.host, WM_HOST_BROWSER, 0, reinterpret_cast<LPARAM>(&browser), SMTO_BLOCK,
                            open_bound_ms, nullptr);
    if (!browser) {
        close_browser(host);
        return nullptr;
    }
    return host;
}

bool navigate(BrowserHost* host, const std::string& address) {
    if (!host || !host->record.host) return false;
    auto request = std::make_shared<NavigateRequest>();
    int length = MultiByteToWideChar(CP_ACP, 0, address.c_str(), -1, nullptr, 0);
    if (length <= 0 || length > 1024) return false;
    request->address.resize(static_cast<size_t>(length));
    MultiByteToWideChar(CP_ACP, 0, address.c_str(), -1, request->address.data(), length);
    request->address.resize(static_cast<size_t>(length - 1));
    request->done = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    auto* posted = new std::shared_ptr<NavigateRequest>(request);
    if (!PostMessageW(host->record.host, WM_HOST_NAVIGATE, 0, reinterpret_cast<LPARAM>(posted))) {
        delete posted;
        return false;
    }
    DWORD bound = static_cast<DWORD>(navigation_bound_ms.load()) + 2000;
    return wait_answering(request->done, bound) && request->shown.load() == 1;
}

HWND browser_window(const BrowserHost* host) { return host ? host->record.host : nullptr; }

void close_browser(BrowserHost* host) {
    if (!host) return;
    if (host->record.host) PostMessageW(host->record.host, WM_CLOSE, 0, 0);
    // A thread that does not end in time keeps its host: freeing what it
    // may still use would be worse than the memory.
    if (host->thread && !wait_answering(host->thread, open_bound_ms)) return;
    if (host->thread) CloseHandle(host->thread);
    CloseHandle(host->ready);
    delete host;
}
