// The main window's commands that open or close send windows: "New Email"
// (343), "Open File" (393), "Reply" (339), "Reply to List" (250), "Forward"
// (402) and "Close Send Windows" (1306).
#include <cstdint>
#include <string>
#include <vector>

#include "client/main_window_ids.h"
#include "client/reply_text.h"
#include "client/settings_platform.h"
#include "core/app_state.h"
#include "core/threads.h"
#include "core/ui_services.h"
#include "format/charsets.h"
#include "format/encryption.h"
#include "store/message_files.h"
#include "ui/mail_commands.h"
#include "ui/message_list.h"
#include "ui/send_window_ids.h"
#include "ui/send_window_parts.h"
#include "ui/thread_commands.h"
#include "wingui/controls.h"
#include "wingui/list_view.h"

void new_email(HWND window, int) { send_command(window, CMD_OPEN_SEND_WINDOW); }

void open_file(HWND window, int) {
    Array* path = array_new(message_path_capacity);
    HWND send_window = nullptr;
    if (selected_message(window, path) >= 0)
        send_window = reinterpret_cast<HWND>(send_command(window, CMD_OPEN_SEND_WINDOW));
    if (send_window) SendMessageA(send_window, WM_COMMAND, SEND_LOAD_FILE, reinterpret_cast<LPARAM>(path->text));
    delete_arrays(path);
}

void close_send_windows(HWND window, int) {
    if (ui_message_box(window, "You will lose all unsaved information in currently open send mail windows! Continue?",
                       "Zenth Mail", UI_YESNO | UI_ICON_QUESTION) != UI_ANSWER_YES)
        return;
    for (int i = 0; i < 100; i++) {
        uint32_t handle = *static_cast<uint32_t*>(array_element(app.compose_windows, i));
        if (handle) PostMessageA(reinterpret_cast<HWND>(static_cast<uintptr_t>(handle)), WM_QUIT, 0, 0);
    }
}

namespace {

HWND new_send_window(HWND main_window) {
    return reinterpret_cast<HWND>(send_command(main_window, CMD_OPEN_SEND_WINDOW));
}

std::string subject_of(const char* path) {
    MessageSummary* summary = summary_new();
    read_summary(0, summary, path);
    std::string subject = raw_header_text_to_utf8(summary->subject->text);
    summary_delete(summary);
    return subject;
}

// The message's text for the editor, as the menu's checks ask.
void add_text(HWND main_window, HWND send_window, const char* path, EditorLead lead, SendFill* fill) {
    EditorText text;
    if (prepare_editor_text(path, send_window, main_window, lead, settings_menu_checked(MENU_INDENT_QUOTED),
                            &text) != 0)
        return;
    fill->with_text = true;
    fill->lead = text.lead;
    fill->text_path = text.path;
    fill->code_page = text.code_page;
}

void reply_to_selection(HWND window, bool to_all) {
    std::vector<SelectionEntry> entries;
    if (collect_list_selection(window, SELECT_REPLY, &entries) != 0) return;
    std::vector<std::string> paths;
    Array* path = array_new(message_path_capacity);
    for (const SelectionEntry& entry : entries) {
        message_file_path(path, app.current_folder->text, entry.number);
        paths.push_back(path->text);
    }
    delete_arrays(path);
    Array* to = array_new(12632);
    Array* reference = array_new(1024);
    if (reply_recipients(paths, to_all, to, reference) != 0) {
        show_message(reply_capacity_text);
        delete_arrays(to, reference);
        return;
    }
    SendFill fill;
    fill.to = raw_header_text_to_utf8(to->text);
    fill.reference = reference->text;
    if (fill.reference.size()) fill.references = reply_thread(paths.back().c_str());
    delete_arrays(to, reference);
    HWND send_window = new_send_window(window);
    if (!send_window) return;
    if (paths.size() == 1) {
        fill.subject = reply_subject(subject_of(paths[0].c_str()).c_str());
        fill.encrypt = is_encrypted_message(paths[0].c_str()) == 1;
        if (settings_menu_checked(MENU_REPLY_WITH_MESSAGE))
            add_text(window, send_window, paths[0].c_str(),
                     settings_menu_checked(MENU_ORIGINAL_REPLY_STYLE) ? LEAD_HEADER_BLOCK : LEAD_INTRODUCTION, &fill);
    }
    SendMessageA(send_window, WM_COMMAND, SEND_FILL, reinterpret_cast<LPARAM>(&fill));
}

struct ForwardJob {
    HWND main_window;
    std::string path;
};

// On a worker: the new window and the message's text and attachments.
void forward_selection(void* argument) {
    auto* job = static_cast<ForwardJob*>(argument);
    HWND send_window = new_send_window(job->main_window);
    if (send_window) {
        SendFill fill;
        fill.subject = forward_subject(subject_of(job->path.c_str()).c_str());
        add_text(job->main_window, send_window, job->path.c_str(), LEAD_HEADER_BLOCK, &fill);
        fill.forward_path = job->path;
        SendMessageA(send_window, WM_COMMAND, SEND_FILL, reinterpret_cast<LPARAM>(&fill));
    }
    delete job;
}

}  // namespace

void reply(HWND window, int) { reply_to_selection(window, false); }
void reply_to_list(HWND window, int) { reply_to_selection(window, true); }

void forward(HWND window, int) {
    Array* path = array_new(message_path_capacity);
    if (selected_message(window, path) >= 0) {
        auto* job = new ForwardJob{window, path->text};
        if (start_thread(forward_selection, job) == -1) {
            delete job;
            show_message("Could not start thread.");
        }
    }
    delete_arrays(path);
}
