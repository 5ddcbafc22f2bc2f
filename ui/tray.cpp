#include "ui/tray.h"

#include <mmsystem.h>
#include <ras.h>
#include <shellapi.h>

#include <atomic>
#include <cstring>
#include <memory>
#include <mutex>

#include "client/main_window_ids.h"
#include "core/app_state.h"
#include "core/log.h"
#include "core/settings.h"
#include "core/threads.h"
#include "core/ui_services.h"
#include "transport/imap_push.h"
#include "transport/mail_checker.h"
#include "ui/job_status.h"
#include "ui/status_window.h"
#include "ui/thread_commands.h"
#include "wingui/controls.h"
#include "wingui/dialogs.h"
#include "wingui/dpi.h"
#include "wingui/menus.h"

namespace {

std::atomic<HWND> tray_status_window{nullptr};
// The checker hands its window over with Cancel switched off, and a wake
// switches it on again: one of them at a time, or a wake in between would
// show a window whose Cancel and close box the checker then turns off.
std::mutex tray_status_lock;
std::atomic<bool> icon_shown{false};
// Each stay in tray mode has its own checker; one left behind by a quick
// wake and return ends at its next look.
std::atomic<int> tray_generation{0};

NOTIFYICONDATAA icon_data(HWND window) {
    NOTIFYICONDATAA data{};
    data.cbSize = sizeof(data);
    data.hWnd = window;
    data.uID = TRAY_ICON_ID;
    return data;
}

// The icon on show (IDI_TRAY or IDI_TRAY_MAIL), made again at a new DPI.
std::atomic<int> icon_on_show{0};

HICON tray_icon_at_dpi(HWND window, int icon) {
    // The size the notification area shows at the window's DPI, from the
    // icon's own sizes.
    const int dpi = window_dpi(window);
    return static_cast<HICON>(LoadImageA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(icon), IMAGE_ICON,
                                         metric_for_dpi(SM_CXSMICON, dpi), metric_for_dpi(SM_CYSMICON, dpi),
                                         LR_SHARED));
}

void set_icon(HWND window, DWORD action, int icon, const char* tip) {
    NOTIFYICONDATAA data = icon_data(window);
    data.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP;
    data.uCallbackMessage = WM_TRAY_ICON;
    data.hIcon = tray_icon_at_dpi(window, icon);
    icon_on_show = icon;
    std::strncpy(data.szTip, tip, sizeof(data.szTip) - 1);
    Shell_NotifyIconA(action, &data);
}

// A dial-up connection is up when the first one the system lists is
// connected; any failure means none.
bool dialup_connected() {
    RASCONNA connection{};
    connection.dwSize = sizeof(connection);
    DWORD size = sizeof(connection), count = 0;
    if (RasEnumConnectionsA(&connection, &size, &count) != 0 || count < 1) return false;
    RASCONNSTATUSA status{};
    status.dwSize = sizeof(status);
    if (RasGetConnectStatusA(connection.hrasconn, &status) != 0) return false;
    return (status.rasconnstate & RASCS_Connected) != 0;
}

void show_new_mail(HWND window, int total) {
    char tip[64];
    mail_check_tip(tip, sizeof tip, total);
    set_icon(window, NIM_MODIFY, IDI_TRAY_MAIL, tip);
    char line[120];
    std::snprintf(line, sizeof line, "Tray: %s\r\n", tip);
    log_write(line);
    if (app.new_mail_sound->text[0]) {
        log_write("Tray: new-mail sound played.\r\n");
        sndPlaySoundA(app.new_mail_sound->text, SND_ASYNC | SND_NODEFAULT);
    }
}

bool still_in_tray(HWND window, int generation) {
    return !IsWindowVisible(window) && tray_generation.load() == generation;
}

// Waits for the next check (a minute unless the settings file says
// otherwise) in one-second steps, ending early once the main window is
// shown again or an IMAP server reports new mail.
void wait_for_next_round(HWND window, int generation, ImapPush* push) {
    const int seconds = tray_check_seconds;
    for (int i = 0; i < seconds && still_in_tray(window, generation); i++) {
        if (imap_push_wait(push, 1000)) {
            log_write("Tray: new mail reported by an IMAP server.\r\n");
            return;
        }
    }
}

void checker_thread(void* argument) {
    HWND window = static_cast<HWND>(argument);
    int generation = tray_generation.load();
    HWND status = open_hidden_status_window(window, STATUS_ALL_ACCOUNTS);
    if (status) {
        std::lock_guard<std::mutex> hold(tray_status_lock);
        enable_controls(status, {IDC_STATUS_CANCEL, IDC_STATUS_SKIP}, false);
        tray_status_window = status;
    }
    WindowStatus sink(status);
    MailCheckState state;
    mail_check_begin(&state);
    std::shared_ptr<ImapPush> push = imap_push_start((settings_flags & SETTING_DIALUP_CHECK) == 0);
    while (still_in_tray(window, generation)) {
        if ((settings_flags & SETTING_DIALUP_CHECK) && !dialup_connected()) {
            Sleep(1000);
            continue;
        }
        int total = mail_check_round(&state, sink);
        if (total < 0) break;
        if (status) set_control_text(status, IDC_STATUS, state.summary->text);
        if (mail_check_rose(&state, total)) show_new_mail(window, total);
        wait_for_next_round(window, generation, push.get());
    }
    imap_push_stop(push.get());
    mail_check_end(&state);
}

}  // namespace

void enter_tray_mode(HWND window) {
    if (app.tray_mode) return;
    tray_generation++;
    if (!start_dialog_thread(checker_thread, window)) return;
    set_icon(window, NIM_ADD, IDI_TRAY, "Zenth Mail");
    icon_shown = true;
    ShowWindow(window, SW_HIDE);
    app.tray_mode = 1;
}

void leave_tray_mode(HWND window) {
    ShowWindow(window, SW_SHOWMAXIMIZED);
    SetForegroundWindow(window);
    std::lock_guard<std::mutex> hold(tray_status_lock);
    if (HWND status = tray_status_window.exchange(nullptr); status && IsWindow(status)) {
        // Shown, the window closes like any status window: Cancel (and the
        // close box, which acts as Cancel) were off only while it hid. It
        // comes in front of the maximised main window, which would hide it.
        enable_control(status, IDC_STATUS_CANCEL, true);
        ShowWindow(status, SW_SHOW);
        SetForegroundWindow(status);
    }
    remove_tray_icon(window);
    app.tray_mode = 0;
}

void tray_icon_message(HWND window, LPARAM event) {
    if (event == WM_LBUTTONDBLCLK) {
        leave_tray_mode(window);
    } else if (event == WM_RBUTTONUP) {
        POINT at;
        GetCursorPos(&at);
        // In front, so the menu closes when the user clicks elsewhere.
        SetForegroundWindow(window);
        show_popup_menu(window, GetModuleHandleA(nullptr), IDM_TRAY, at, TPM_RIGHTBUTTON);
    }
}

void remove_tray_icon(HWND window) {
    if (!icon_shown.exchange(false)) return;
    NOTIFYICONDATAA data = icon_data(window);
    Shell_NotifyIconA(NIM_DELETE, &data);
}

void tray_icon_follow_dpi(HWND window) {
    if (!icon_shown.load()) return;
    NOTIFYICONDATAA data = icon_data(window);
    data.uFlags = NIF_ICON;
    data.hIcon = tray_icon_at_dpi(window, icon_on_show.load());
    Shell_NotifyIconA(NIM_MODIFY, &data);
}
