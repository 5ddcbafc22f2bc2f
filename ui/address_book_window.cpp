// The address book: dialog 500 on a thread of its own ("Address Book",
// 1080, from the main window and from send windows), and "Add To Address
// Book" (350), which stores the senders of the selected messages.
#include <atomic>
#include <cstdio>
#include <string>
#include <vector>

#include "core/app_state.h"
#include "core/ui_services.h"
#include "store/address_book.h"
#include "store/message_files.h"
#include "store/message_summary.h"
#include "ui/address_book_ids.h"
#include "ui/address_book_window.h"
#include "ui/mail_commands.h"
#include "ui/message_list.h"
#include "ui/send_window_ids.h"
#include "ui/thread_commands.h"
#include "wingui/controls.h"
#include "wingui/dialogs.h"
#include "wingui/list_view.h"
#include "wingui/virtual_list.h"

namespace {

const char book_file[] = "ab.dat";
std::atomic<int> scratch_serial{0};

struct Book {
    HWND main_window = nullptr;
    HWND caller = nullptr;  // the send window whose "To:" OK fills, or none
    int click_x = -1;       // where the last click in the list was
    bool done = false;
};

HWND list_of(HWND dialog) { return control(dialog, IDC_BOOK_LIST); }
HWND edit_of(HWND dialog) { return control(dialog, IDC_BOOK_EDIT); }
bool editing(HWND dialog) {
    return IsWindowVisible(edit_of(dialog)) || SendMessageA(list_of(dialog), LVM_GETEDITCONTROL, 0, 0) != 0;
}

std::string cell(HWND list, int row, int column) {
    Array* text = array_new(static_cast<int>(address_line_room));
    list_text(list, row, column, text);
    std::string value = text->text;
    delete_arrays(text);
    return value;
}

void add_row(HWND list, int at, const std::string& name, const std::string& address) {
    int row = list_insert_row(list, at, name.c_str(), nullptr);
    list_set_text(list, row, 1, address.c_str());
}

bool fill(HWND dialog) {
    HWND list = list_of(dialog);
    ListColumn columns[] = {{"Name", dialog_units_x(dialog, 100)}, {"Address", dialog_units_x(dialog, 177)}};
    list_add_columns(list, columns, 2);
    std::vector<AddressEntry> entries;
    if (!read_address_book(book_file, &entries)) {
        show_message("Cannot open file ab.dat!");
        return false;
    }
    for (size_t i = 0; i < entries.size(); i++) add_row(list, static_cast<int>(i), entries[i].name, entries[i].address);
    return true;
}

void commit_address(HWND dialog) {
    HWND edit = edit_of(dialog);
    if (!IsWindowVisible(edit)) return;
    Array* text = array_new(static_cast<int>(address_line_room));
    window_text(edit, text);
    int row = list_focused_row(list_of(dialog));
    if (row >= 0) list_set_text(list_of(dialog), row, 1, text->text);
    delete_arrays(text);
    ShowWindow(edit, SW_HIDE);
    SetFocus(list_of(dialog));
}

// A label edit that began right of the name column edits the address.
bool edit_address_instead(HWND dialog, Book* book) {
    HWND list = list_of(dialog);
    int row = list_focused_row(list);
    if (row < 0) return false;
    RECT box = list_cell_rect(list, row, 1);
    if (book->click_x < box.left) return false;
    MapWindowPoints(list, dialog, reinterpret_cast<POINT*>(&box), 2);
    int width = box.right - box.left;
    if (width > dialog_units_x(dialog, 70)) width = dialog_units_x(dialog, 70);
    HWND edit = edit_of(dialog);
    SendMessageA(edit, EM_LIMITTEXT, address_line_room, 0);
    set_window_text(edit, cell(list, row, 1).c_str());
    SetWindowPos(edit, HWND_TOP, box.left, box.top, width, box.bottom - box.top, SWP_SHOWWINDOW);
    SendMessageA(edit, EM_SETSEL, 0, -1);
    SetFocus(edit);
    return true;
}

void set_to(HWND send_window, const std::string& address) {
    if (send_window && IsWindow(send_window)) set_control_text(send_window, IDC_SEND_TO, address.c_str());
}

std::string focused_address(HWND dialog) {
    int row = list_focused_row(list_of(dialog));
    return row < 0 ? std::string() : cell(list_of(dialog), row, 1);
}

void save_book(HWND dialog, Book* book) {
    commit_address(dialog);
    HWND list = list_of(dialog);
    std::vector<AddressEntry> entries;
    for (int row = 0; row < list_row_count(list); row++) entries.push_back({cell(list, row, 0), cell(list, row, 1)});
    // Each save its own scratch file: two books may be saved at once.
    char scratch[64];
    std::snprintf(scratch, sizeof scratch, "temp\\ab%lu-%d.dat", GetCurrentProcessId(), ++scratch_serial);
    int written = write_address_book(book_file, scratch, entries);
    if (written == BOOK_TOO_LONG) {
        show_message("String length capacity exceeded.");
        return;
    }
    if (written != BOOK_OK) {
        show_message("Could not write to ab.dat!");
        return;
    }
    if (list_focused_row(list) >= 0) set_to(book->caller, focused_address(dialog));
    book->done = true;
}

void send_to(HWND dialog, Book* book) {
    std::string address = focused_address(dialog);
    auto window = reinterpret_cast<HWND>(send_command(book->main_window, CMD_OPEN_SEND_WINDOW));
    set_to(window, address);
    book->done = true;
}

void key(HWND dialog, WPARAM which) {
    // Keys of an edit in progress belong to that edit.
    if (editing(dialog)) {
        if (which == VK_RETURN) commit_address(dialog);
        return;
    }
    HWND list = list_of(dialog);
    if (which == VK_INSERT) {
        int selected = list_next_selected(list, -1);
        add_row(list, selected < 0 ? 0 : selected + 1, "Name", "Email");
    } else if (which == VK_DELETE) {
        int selected = list_next_selected(list, -1);
        if (selected < 0)
            show_message("Please select an item to delete.");
        else
            list_delete_row(list, selected);
    }
}

INT_PTR CALLBACK book_procedure(HWND dialog, UINT message, WPARAM wparam, LPARAM lparam) {
    Book* book = dialog_state<Book>(dialog);
    switch (message) {
    case WM_INITDIALOG:
        take_dialog_state<Book>(dialog, lparam);
        return TRUE;
    case WM_KEYDOWN:
        if (book) key(dialog, wparam);
        return TRUE;
    case WM_MOUSEACTIVATE:
        if (book) commit_address(dialog);
        return FALSE;
    case WM_NOTIFY: {
        auto* header = reinterpret_cast<NMHDR*>(lparam);
        if (!book || header->idFrom != IDC_BOOK_LIST) return FALSE;
        if (header->code == NM_CLICK || header->code == NM_DBLCLK) {
            commit_address(dialog);
            book->click_x = reinterpret_cast<NMITEMACTIVATE*>(lparam)->ptAction.x;
        } else if (header->code == LVN_BEGINLABELEDITA || header->code == LVN_BEGINLABELEDITW) {
            set_dialog_result(dialog, edit_address_instead(dialog, book) ? TRUE : FALSE);
            return TRUE;
        } else if (header->code == LVN_ENDLABELEDITA || header->code == LVN_ENDLABELEDITW) {
            set_dialog_result(dialog, TRUE);  // every edited name is taken
            return TRUE;
        }
        return FALSE;
    }
    case WM_COMMAND:
        if (!book) return FALSE;
        switch (LOWORD(wparam)) {
        case BOOK_CALLER:
            book->caller = reinterpret_cast<HWND>(lparam);
            return TRUE;
        case IDOK:
            if (editing(dialog)) {
                commit_address(dialog);
                return TRUE;
            }
            save_book(dialog, book);
            return TRUE;
        case IDC_BOOK_OK:
            save_book(dialog, book);
            return TRUE;
        case IDC_BOOK_SEND_TO:
            send_to(dialog, book);
            return TRUE;
        case IDCANCEL:
        case IDC_BOOK_CANCEL:
            book->done = true;
            return TRUE;
        default:
            return FALSE;
        }
    case WM_CLOSE:
        if (book) book->done = true;
        return TRUE;
    default:
        return FALSE;
    }
}

// Every key-down goes to the dialog first: the list's keys are its keys.
bool before_dialog(HWND dialog, MSG* message) {
    if (message->message == WM_KEYDOWN && (message->wParam == VK_INSERT || message->wParam == VK_DELETE ||
                                           (message->wParam == VK_RETURN && IsWindowVisible(edit_of(dialog))))) {
        SendMessageA(dialog, WM_KEYDOWN, message->wParam, message->lParam);
        return !editing(dialog) || message->wParam == VK_RETURN;
    }
    return false;
}

void run_book(void* argument) {
    auto* book = static_cast<Book*>(argument);
    HWND dialog = create_dialog(window_instance(book->main_window), IDD_ADDRESS_BOOK, nullptr, book_procedure, book);
    if (dialog && fill(dialog)) {
        enable_control(dialog, IDC_BOOK_SEND_TO, book->caller == nullptr);
        SendMessageA(dialog, WM_COMMAND, BOOK_CALLER, reinterpret_cast<LPARAM>(book->caller));
        centre_on_screen(dialog);
        ShowWindow(dialog, SW_SHOW);
        DialogLoop loop;
        loop.dialog = dialog;
        loop.before = before_dialog;
        loop.done = &book->done;
        run_dialog_loop(loop);
    }
    if (dialog) DestroyWindow(dialog);
    delete book;
}

}  // namespace

void open_address_book(HWND main_window, HWND caller) {
    auto* book = new Book;
    book->main_window = main_window;
    book->caller = caller;
    if (!start_dialog_thread(run_book, book)) delete book;
}

void address_book(HWND window, int) { open_address_book(window, nullptr); }

void add_to_address_book(HWND window, int) {
    std::vector<SelectionEntry> entries;
    if (collect_list_selection(window, SELECT_ADDRESS_BOOK, &entries) != 0) return;
    Array* path = array_new(message_path_capacity);
    MessageSummary* summary = summary_new();
    bool skipped = false, failed = false;
    for (const SelectionEntry& entry : entries) {
        message_file_path(path, app.current_folder->text, entry.number);
        if (read_summary(0, summary, path->text) == SUMMARY_UNREADABLE) {
            show_message("Could not retrieve email header!");
            failed = true;
            break;
        }
        if (!summary->from_name->text[0] || !summary->from->text[0]) {
            skipped = true;
            continue;
        }
        if (add_address(book_file, summary->from_name->text, summary->from->text) == ADD_CANNOT_OPEN) {
            show_message("Could not open ab.dat!");
            failed = true;
            break;
        }
    }
    summary_delete(summary);
    delete_arrays(path);
    if (failed) return;
    if (skipped)
        status_set(window, "Some entries were not added because they contain invalid data.\r\n");
    else
        ui_message_box(window, "done", "Zenth Mail", UI_OK | UI_ICON_INFORMATION);
}
