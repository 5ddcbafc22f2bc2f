#include "wingui/list_box.h"

namespace {

// List boxes and the lists of combo boxes answer the same questions under
// different message numbers.
struct ListMessages {
    UINT add, count, selection, select, length, text;
};
constexpr ListMessages list_box{LB_ADDSTRING, LB_GETCOUNT, LB_GETCURSEL, LB_SETCURSEL, LB_GETTEXTLEN, LB_GETTEXT};
constexpr ListMessages combo_box{CB_ADDSTRING,  CB_GETCOUNT,    CB_GETCURSEL,
                                 CB_SETCURSEL,  CB_GETLBTEXTLEN, CB_GETLBTEXT};

int add(const ListMessages& m, HWND box, const char* text) {
    auto index = SendMessageA(box, m.add, 0, reinterpret_cast<LPARAM>(text));
    return index < 0 ? -1 : static_cast<int>(index);
}

int count(const ListMessages& m, HWND box) { return static_cast<int>(SendMessageA(box, m.count, 0, 0)); }

int selection(const ListMessages& m, HWND box) {
    auto index = SendMessageA(box, m.selection, 0, 0);
    return index < 0 ? -1 : static_cast<int>(index);
}

void select(const ListMessages& m, HWND box, int index) {
    SendMessageA(box, m.select, static_cast<WPARAM>(index), 0);
}

int text(const ListMessages& m, HWND box, int index, Array* out) {
    array_clear(out);
    if (index < 0) return -1;
    auto length = SendMessageA(box, m.length, static_cast<WPARAM>(index), 0);
    if (length < 0 || length >= out->capacity) return -1;
    return static_cast<int>(
        SendMessageA(box, m.text, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(out->chars)));
}

}  // namespace

int list_box_add(HWND box, const char* t) { return add(list_box, box, t); }
int list_box_count(HWND box) { return count(list_box, box); }
int list_box_selection(HWND box) { return selection(list_box, box); }
void list_box_select(HWND box, int index) { select(list_box, box, index); }
int list_box_text(HWND box, int index, Array* out) { return text(list_box, box, index, out); }

int list_box_insert(HWND box, int index, const char* t) {
    auto at = SendMessageA(box, LB_INSERTSTRING, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(t));
    return at < 0 ? -1 : static_cast<int>(at);
}

void list_box_delete(HWND box, int index) { SendMessageA(box, LB_DELETESTRING, static_cast<WPARAM>(index), 0); }

int combo_add(HWND box, const char* t) { return add(combo_box, box, t); }
int combo_count(HWND box) { return count(combo_box, box); }
int combo_selection(HWND box) { return selection(combo_box, box); }
void combo_select(HWND box, int index) { select(combo_box, box, index); }
int combo_text(HWND box, int index, Array* out) { return text(combo_box, box, index, out); }
void combo_clear(HWND box) { SendMessageA(box, CB_RESETCONTENT, 0, 0); }
