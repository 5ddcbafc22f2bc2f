// The main window's viewer commands: "Show HTML" (202), "Show Text" (203),
// F9 and the list's double click (394), "Details" (338) and the links of
// the preview pane.
#include <string>

#include "client/attachment_job.h"
#include "client/main_window_ids.h"
#include "client/message_details.h"
#include "client/viewer_rules.h"
#include "core/app_state.h"
#include "core/code_pages.h"
#include "core/log.h"
#include "core/settings.h"
#include "core/shell_programs.h"
#include "core/sys_time.h"
#include "store/message_files.h"
#include "ui/mail_commands.h"
#include "ui/message_list.h"
#include "ui/text_loader.h"
#include "ui/viewer.h"
#include "ui/viewer_pane.h"
#include "wingui/controls.h"
#include "wingui/dialogs.h"
#include "wingui/edit.h"
#include "wingui/list_view.h"

namespace {

ViewerPane main_pane;

ViewerPane* pane_of(HWND window) {
    main_pane.window = window;
    main_pane.pane_id = IDC_PREVIEW;
    return &main_pane;
}

// The attachments line is written by the extraction threads through this
// window's messages; the names come as UTF-8 and the line holds them in the
// system's code page, as the files they are opened under are named.
void clear_line(void* context) { set_control_text(static_cast<HWND>(context), IDC_ATTACHMENTS, ""); }

void append_line(void* context, const char* utf8) {
    std::string text;
    if (!sys_convert_from_utf8(sys_ansi_code_page(), utf8, '_', &text)) text = utf8;
    edit_append(control(static_cast<HWND>(context), IDC_ATTACHMENTS), text.c_str());
}

struct Resend {
    HWND window;
    int command;
};

// Stops the extractions on a worker, as their threads may be sending this
// window their names, and gives the command again.
void resend_after_extractions(void* argument) {
    Resend* resend = static_cast<Resend*>(argument);
    stop_extractions();
    post_command(resend->window, resend->command);
    delete resend;
}

void show_in_pane(HWND window, int command) {
    ViewerPlan plan = plan_viewer_command(command, settings_flags.load(), running_extractions.load());
    if (plan.step == VIEWER_NOTICE) {
        status_set(window, "The show html option has been disabled.\r\n");
        return;
    }
    if (plan.step == VIEWER_AFTER_EXTRACTIONS) {
        auto* resend = new Resend{window, command};
        if (!start_dialog_thread(resend_after_extractions, resend)) delete resend;
        return;
    }
    Array* path = array_new(message_path_capacity);
    int row = selected_message(window, path);
    if (row < 0) {
        delete_arrays(path);
        return;
    }
    // The line belongs to the message on show: never the previous one's.
    clear_line(window);
    int64_t started = sys_tick_count();
    bool shown = display_message(pane_of(window), path->text, plan.force, std::string(), window);
    array_printf(path, "Showed message in %i ms\r\n", static_cast<int>(sys_tick_count() - started));
    log_write(path->text);
    selected_message(window, path);
    AfterDisplay after = after_display(shown, plan.force, settings_flags.load());
    if (after.mark_read) set_read(window, row);
    if (after.extract) {
        AttachmentLine line{clear_line, append_line, window};
        if (start_attachment_extraction(path->text, window, &line) != 0) show_message("Could not start thread.");
    }
    delete_arrays(path);
}

}  // namespace

void show_html(HWND window, int command) { show_in_pane(window, command); }
void show_text(HWND window, int command) { show_in_pane(window, command); }

void show_in_preview(HWND window, int command) {
    if (GetFocus() != control(window, IDC_MESSAGE_LIST)) return;
    show_in_pane(window, command);
}

void show_details(HWND window) {
    Array* path = array_new(message_path_capacity);
    int row = selected_message(window, path);
    std::string lines;
    if (row < 0) {
        delete_arrays(path);
        return;
    }
    int status = message_details(path->text, row, &lines);
    delete_arrays(path);
    if (status == DETAILS_NO_FILE) {
        show_message("Could not access file.");
        return;
    }
    if (status == DETAILS_INCOMPLETE) status_set(window, "Retrieved header details may be incorrect.\r\n");
    ViewerPane* pane = pane_of(window);
    show_pane(pane);
    append_pane_text(set_pane_text(control(window, IDC_PREVIEW), std::string()), lines);
}

void details(HWND window, int) { show_details(window); }

void open_preview_link(HWND window, ENLINK* link) {
    // A click, not the mouse passing over it; and only what a browser or a
    // mail program opens: a message's "file:" link never runs anything.
    if (link->msg != WM_LBUTTONUP) return;
    std::string url = wide_to_utf8(rich_edit_range_wide(link->nmhdr.hwndFrom, link->chrg.cpMin, link->chrg.cpMax));
    if (!link_may_open(url.c_str())) return;
    if (shell_open(url.c_str(), app.program_folder->text) <= 32) status_set(window, "Could not open the link.\r\n");
}

void place_main_browser(HWND window, int x, int y, int width, int height) {
    place_browser(pane_of(window), x, y, width, height);
}
