#include "client/attachment_line.h"

#include <cstring>

#include "client/attachment_job.h"
#include "client/executable_check.h"
#include "core/app_state.h"
#include "core/log.h"
#include "core/shell_programs.h"
#include "core/sys_files.h"
#include "core/ui_services.h"

int attachment_at_caret(const char* line, int caret, Array* name, int* index) {
    array_clear(name);
    int length = static_cast<int>(std::strlen(line));
    if (caret < 0) caret = 0;
    if (caret > length) caret = length;
    int start = caret, spaces = 0;
    while (start > 0 && line[start - 1] != ' ') start--;
    for (int i = 0; i < caret; i++)
        if (line[i] == ' ') spaces++;
    int end = caret;
    while (end < length && line[end] != ' ') end++;
    if (end == length || end == start) return -1;
    array_copy_at(name, 0, line + start, end - start);
    *index = spaces / 2 + 1;
    return 0;
}

namespace {

const char virus_warning[] =
    "This is an executable file and as such may contain a virus. If you still want to run the file, you should "
    "save it to disk and run a virus checker on it first.";

}  // namespace

int open_attachment(int window_number, const char* name, int index) {
    Array* source = array_new(100);
    Array* safe = array_new(101);
    Array* copy = array_new(120);
    attachment_file_path(source, window_number, index);
    array_copy_at(safe, 0, name, 100);
    make_safe_file_name(safe->chars);
    array_printf(copy, "temp\\%.100s", safe->text);
    int result = -1;
    if (sys_copy_file(source->text, copy->text, false) != 0) {
        show_message("Could not find attachment.");
    } else if (is_executable_file(copy->text)) {
        show_message(virus_warning);
        log_write("User attempted to execute an email attachment.\r\n");
    } else {
        const char* folder = app.program_folder && app.program_folder->text[0] ? app.program_folder->text : ".";
        int code = shell_open(copy->text, folder);
        if (code > 32)
            result = 0;
        else
            show_message(code == 31 ? "There is no program associated with this type of file."
                                    : "Could not open attachment.");
    }
    delete_arrays(source, safe, copy);
    return result;
}

int save_attachment(int window_number, const char* name, int index, const SaveChooser* chooser) {
    Array* source = array_new(100);
    attachment_file_path(source, window_number, index);
    int saved = copy_to_chosen_path(source->text, name, chooser, "Could not save attachment.");
    delete_arrays(source);
    return saved == 1 ? 0 : -1;
}
