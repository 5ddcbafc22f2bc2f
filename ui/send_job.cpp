#include "ui/send_job.h"

#include "core/threads.h"
#include "core/ui_services.h"
#include "format/message_builder.h"
#include "format/temp_files.h"
#include "transport/smtp_session.h"
#include "ui/job_status.h"
#include "ui/send_fields.h"
#include "ui/send_window_ids.h"
#include "ui/status_window.h"
#include "wingui/controls.h"
#include "wingui/menus.h"

namespace {

struct SendJob {
    HWND window;
    SendWindow* state;
    SendFields fields;
};

// The window's send controls, while it still exists.
void enable_sending(HWND window, bool enabled) {
    if (!IsWindow(window)) return;
    enable_menu_item(GetMenu(window), SEND_OPEN, enabled);
    enable_control(window, IDC_SEND_BUTTON, enabled);
}

bool blank(const std::string& text) { return text.find_first_not_of(" \t") == std::string::npos; }

void send_worker(void* argument) {
    auto* job = static_cast<SendJob*>(argument);
    HWND window = job->window;
    if (blank(job->fields.server)) {
        ui_message_box(window, "Please enter a server name.", "Zenth Mail", UI_OK);
    } else if (blank(job->fields.to)) {
        ui_message_box(window, "Please enter a recipient address.", "Zenth Mail", UI_OK);
    } else {
        Array* queued = array_new(100);
        temp_file_name(queued, "queued", job->fields.fields.window_number);
        if (build_message_file(&job->fields.fields, queued->text, false) == 0) {
            if (HWND opened = open_status_window(window, STATUS_TEMP)) {
                WindowStatus status(opened);
                status.enable_ok(false);
                status.enable_skip(false);
                if (smtp_send_file(status, queued->text) == 0) status.line("Mail sent successfully!\r\n");
                status.enable_ok(true);
            }
        }
        delete_arrays(queued);
    }
    enable_sending(window, true);
    job->state->sends_running.fetch_sub(1);
    delete job;
}

}  // namespace

void start_send(HWND window, SendWindow* state) {
    auto* job = new SendJob{window, state, {}};
    read_compose_fields(window, state, &job->fields);
    // The copy points into itself, never into the window.
    job->fields.compose_text.units = job->fields.text.data();
    job->fields.fields.text_source = &job->fields.compose_text;
    enable_sending(window, false);
    state->sends_running.fetch_add(1);
    if (start_thread(send_worker, job) == -1) {
        state->sends_running.fetch_sub(1);
        enable_sending(window, true);
        delete job;
        show_message("Could not start thread");
    }
}
