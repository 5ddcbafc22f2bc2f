#include "core/app_state.h"

AppState app;

void create_app_state() {
    app.program_folder = array_new(1000);
    app.store_root = array_new(300);
    app.current_folder = array_new(1024);
    app.save_mail_folder = array_new(300);
    app.save_attachment_folder = array_new(300);
    app.compose_attach_folder = array_new(300);
    app.compose_save_folder = array_new(300);
    app.compose_windows = array_new_elements(100, 4);
    app.status_windows = array_new_elements(100, 4);
    app.pop3_work = array_new_elements(1000, 4);
    app.colour_table = array_new(100);
    app.accounts = string_list_new(81, 100);
    app.socks_settings = string_list_new(4, 100);
    app.new_mail_command = array_new(1024);
    app.new_mail_sound = array_new(1024);
    app.plain_first = string_list_new(5, 20);
    app.html_first = string_list_new(5, 20);
    app.dispositions = string_list_new(5, 20);
    app.mailto_address = array_new(12631);
    const char* plain[] = {"text/plain", "text/html"};
    const char* html[] = {"text/html", "text/plain"};
    const char* disp[] = {"attachment", "inline"};
    string_list_assign(app.plain_first, plain, 2);
    string_list_assign(app.html_first, html, 2);
    string_list_assign(app.dispositions, disp, 2);
}

void set_store_paths() {
    array_printf(app.store_root, "%.260s\\%s", app.program_folder->text, "maildir");
    array_printf(app.save_mail_folder, "%.270s\\user", app.program_folder->text);
    array_printf(app.save_attachment_folder, "%.270s\\user", app.program_folder->text);
}
