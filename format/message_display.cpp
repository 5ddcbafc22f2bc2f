#include "format/message_display.h"

#include <atomic>
#include <cstdio>
#include <string>

#include "core/app_state.h"
#include "core/code_pages.h"
#include "core/log.h"
#include "core/settings.h"
#include "core/sys_files.h"
#include "format/ascii_case.h"
#include "format/charsets.h"
#include "format/encryption.h"
#include "format/html_to_text.h"
#include "format/part_decode.h"
#include "format/part_extract.h"
#include "format/part_list.h"
#include "format/quote_file.h"
#include "format/temp_files.h"
#include "core/window_number.h"

namespace {

std::atomic<bool (*)(int)> code_page_check{nullptr};

bool code_page_installed(int code_page) {
    bool (*check)(int) = code_page_check.load();
    return check ? check(code_page) : sys_valid_code_page(code_page);
}

bool readable(const char* path) {
    std::FILE* f = sys_fopen(path, "rb");
    if (!f) return false;
    std::fclose(f);
    return true;
}

}  // namespace

void display_code_page_check_install(bool (*check)(int)) { code_page_check.store(check); }

void display_result_init(DisplayResult* result) {
    *result = DisplayResult{};
    result->shown_path = array_new(1025);
    result->type = array_new(100);
}

void display_result_release(DisplayResult* result) {
    delete_arrays(result->shown_path, result->type);
    result->shown_path = result->type = nullptr;
}

int windows_code_page(int charset) {
    if (charset >= 1 && charset <= 9) return charset_code_page("iso-8859-" + std::to_string(charset));
    if (charset >= 10) return charset;
    if (charset == CHARSET_UTF8) return 65001;
    if (charset == CHARSET_US_ASCII) return charset_code_page("us-ascii");
    return 28591;
}

int prepare_display(const DisplayRequest* request, DisplayResult* result) {
    Array* path = array_new(1025);
    array_copy_at(path, 0, request->path, 1024);
    array_clear(result->shown_path);
    array_clear(result->type);
    result->as_html = result->whole_message = result->html_part = false;
    result->charset = result->code_page = 0;
    if (!readable(path->text)) {
        show_message("Could not access file!");
        delete_arrays(path);
        return -1;
    }
    int encrypted = is_encrypted_message(path->text);
    if (encrypted && !message_key_loaded()) {
        delete_arrays(path);
        return -1;
    }

    int mode = request->text_only || request->no_browser ? HTML_NEVER : html_display_mode.load();
    bool html_first = !request->text_only && (request->force == DISPLAY_FORCE_HTML ||
                                              (request->force == DISPLAY_AS_SET && mode == HTML_ALWAYS));
    if (request->force == DISPLAY_FORCE_TEXT) html_first = false;

    Array* extract = array_new(100);
    Array* final_file = array_new(100);
    temp_file_name(extract, "extract", window_number(request->window));
    temp_file_name(final_file, "final", window_number(request->window));
    PartRecord* list = part_list_new();
    int status = -1;
    if (extract_text_part(path->text, extract->text, html_first ? app.html_first : app.plain_first, list)) {
        const char* type = list->type->text;
        bool html = begins_nocase(type, "text/html");
        // A compose editor takes an HTML part too, converted below: refusing
        // it left a reply or forward of an HTML-only message empty.
        bool rejected = (request->text_only && html && !request->html_as_text) ||
                        (request->force == DISPLAY_FORCE_HTML && !html) ||
                        (request->force == DISPLAY_FORCE_TEXT && !begins_nocase(type, "text/plai"));
        if (!rejected) {
            array_copy(result->type, type);
            result->html_part = html;
            result->charset = list->code_page;
            result->as_html = !request->no_browser &&
                              (request->force == DISPLAY_FORCE_HTML || (mode != HTML_NEVER && html));
            if (result->as_html && setting_on(SETTING_PROMPT_HTML) &&
                ui_message_box(request->window, "Zenth Mail is about to show an HTML message. Continue?",
                               "Zenth Mail", UI_YESNO | UI_ICON_QUESTION) != UI_ANSWER_YES)
                result->as_html = false;
            result->whole_message = result->as_html && !multipart_html_disabled.load();
            if (result->whole_message) {
                array_copy(result->shown_path, path->text);
                status = 0;
            } else if (decode_part_file(request->window, extract->text, final_file->text, list->encoding->text,
                                        encrypted, request->quote && !(html && !result->as_html)) == 0) {
                array_copy(result->shown_path, final_file->text);
                status = 0;
            }
        }
    }
    if (status == 0 && !result->as_html && result->html_part) {
        // The text view gets the HTML converted; when that fails it shows
        // the HTML as it is rather than nothing. Quote marks go onto the
        // converted text, after the conversion, which would drop them.
        Array* text = array_new(100);
        Array* quoted = array_new(100);
        temp_file_name(text, "htmltext", window_number(request->window));
        temp_file_name(quoted, "htmlquote", window_number(request->window));
        // The text is written in the code page it will be shown in.
        int code_page = windows_code_page(result->charset);
        if (!code_page_installed(code_page)) code_page = 20127;
        if (html_to_text(final_file->text, text->text, code_page) == 0) array_copy(result->shown_path, text->text);
        if (request->quote) {
            if (quote_file(result->shown_path->text, quoted->text) == 0) array_copy(result->shown_path, quoted->text);
            else status = -1;
        }
        delete_arrays(text, quoted);
    }
    if (status == 0 && !result->as_html) {
        int code_page = windows_code_page(result->charset);
        if (result->charset == CHARSET_OTHER) log_write("Email contains unknown charset - assuming Latin1\r\n");
        if (!code_page_installed(code_page)) {
            status_set(request->status_window,
                       code_page == 28591 || code_page == 1252 ? "The Latin1 character set is not installed - defaulting to US-ASCII.\r\n"
                                          : "Email contains a character set that is not installed.\r\n");
            code_page = 20127;
        }
        result->code_page = code_page;
    }
    part_list_free(list);
    delete_arrays(path, extract, final_file);
    return status;
}
