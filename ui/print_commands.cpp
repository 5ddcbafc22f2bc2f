// "Print" (362): the messages selected in the main window as one job.
#include <cstdio>
#include <string>
#include <vector>

#include "core/app_state.h"
#include "core/ui_services.h"
#include "store/message_files.h"
#include "ui/mail_commands.h"
#include "ui/message_list.h"
#include "ui/printing.h"

void print_message(HWND window, int) {
    std::vector<SelectionEntry> entries;
    if (collect_list_selection(window, 50, &entries) != 0) return;
    std::vector<std::string> paths;
    int unprintable = 0;
    Array* path = array_new(message_path_capacity);
    for (const SelectionEntry& entry : entries) {
        message_file_path(path, app.current_folder->text, entry.number);
        paths.push_back(path->text);
        if (!printable(path->text)) unprintable++;
    }
    delete_arrays(path);
    if (unprintable > 0) {
        char question[200];
        std::snprintf(question, sizeof question,
                      "%i of the selected emails are not printable (they may be HTML only emails). Continue printing?",
                      unprintable);
        if (ui_message_box(window, question, "Zenth Mail", UI_YESNO | UI_ICON_QUESTION) != UI_ANSWER_YES) return;
    }
    print_files(paths);
}
