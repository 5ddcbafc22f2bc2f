#include "ui/send_window_parts.h"

#include "core/accounts.h"
#include "wingui/controls.h"
#include "ui/send_window_ids.h"

void choose_send_account(HWND window, int account) {
    if (account < 0 || account >= account_count()) return;
    set_control_text(window, IDC_SEND_SERVER, account_field(account, ACCOUNT_SMTP_SERVER));
    set_control_text(window, IDC_SEND_FROM, account_field(account, ACCOUNT_SENDER));
}

void set_send_title(SendWindow* state) {
    std::string title = "Send Mail";
    if (!state->file_path.empty())
        title = (state->reply_reference.empty() ? "Send Mail (" : "Reply (") + state->file_path.substr(0, 1000) + ")";
    else if (!state->reply_reference.empty())
        title = "Reply";
    set_window_text(state->window, title.c_str());
}

void refresh_indicator(HWND window) { InvalidateRect(window, nullptr, TRUE); }
