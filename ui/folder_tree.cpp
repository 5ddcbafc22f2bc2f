#include "ui/folder_tree.h"

#include <commctrl.h>

#include <cstring>

#include "core/app_state.h"
#include "core/ui_services.h"
#include "store/busy_folders.h"
#include "ui/transfer_jobs.h"
#include "store/folders.h"
#include "ui/folder_commands.h"
#include "ui/view_state.h"
#include "ui/main_window.h"
#include "ui/message_list.h"
#include "ui/resource.h"

namespace {

constexpr int image_folder = 0, image_open_folder = 1, image_headers = 2;

HWND tree_of(HWND window) { return GetDlgItem(window, IDC_FOLDER_TREE); }

HTREEITEM insert_item(HWND tree, HTREEITEM parent, const char* label, int image, int selected_image) {
    TVINSERTSTRUCTA insert{};
    insert.hParent = parent ? parent : TVI_ROOT;
    insert.hInsertAfter = TVI_LAST;
    insert.item.mask = TVIF_TEXT | TVIF_IMAGE | TVIF_SELECTEDIMAGE | TVIF_CHILDREN;
    insert.item.pszText = const_cast<char*>(label);
    insert.item.iImage = image;
    insert.item.iSelectedImage = selected_image;
    insert.item.cChildren = 0;
    return reinterpret_cast<HTREEITEM>(SendMessageA(tree, TVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&insert)));
}

void set_has_children(HWND tree, HTREEITEM item) {
    TVITEMA tv{};
    tv.mask = TVIF_CHILDREN;
    tv.hItem = item;
    tv.cChildren = 1;
    SendMessageA(tree, TVM_SETITEMA, 0, reinterpret_cast<LPARAM>(&tv));
}

void* sink_insert(void* context, void* parent, const char* name) {
    return insert_item(static_cast<HWND>(context), static_cast<HTREEITEM>(parent), name, image_folder,
                       image_open_folder);
}

void sink_mark(void* context, void* item) { set_has_children(static_cast<HWND>(context), static_cast<HTREEITEM>(item)); }

void sink_entry(void*, const char*) {}

void item_label(HWND tree, HTREEITEM item, char* out, int capacity) {
    TVITEMA tv{};
    tv.mask = TVIF_TEXT;
    tv.hItem = item;
    tv.pszText = out;
    tv.cchTextMax = capacity;
    out[0] = 0;
    SendMessageA(tree, TVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&tv));
}

HTREEITEM parent_of(HWND tree, HTREEITEM item) {
    return reinterpret_cast<HTREEITEM>(
        SendMessageA(tree, TVM_GETNEXTITEM, TVGN_PARENT, reinterpret_cast<LPARAM>(item)));
}

HTREEITEM selected_item(HWND tree) {
    return reinterpret_cast<HTREEITEM>(SendMessageA(tree, TVM_GETNEXTITEM, TVGN_CARET, 0));
}

HTREEITEM first_item(HWND tree) {
    return reinterpret_cast<HTREEITEM>(SendMessageA(tree, TVM_GETNEXTITEM, TVGN_ROOT, 0));
}

void add_new_item(HWND window) {
    HWND tree = tree_of(window);
    HTREEITEM selected = selected_item(tree);
    if (!selected) return;
    Array* path = array_new(2000);
    folder_item_path(tree, selected, nullptr, path);
    if (create_new_item_folder(path->text) == 0) {
        set_has_children(tree, selected);
        insert_item(tree, selected, "New Item", image_folder, image_open_folder);
        SendMessageA(tree, TVM_EXPAND, TVE_EXPAND, reinterpret_cast<LPARAM>(selected));
    }
    delete_arrays(path);
}

void delete_selected_folder(HWND window) {
    HWND tree = tree_of(window);
    HTREEITEM selected = selected_item(tree);
    if (!selected) return;
    Array* path = array_new(2000);
    folder_item_path(tree, selected, nullptr, path);
    if (delete_folder_item(path->text, parent_of(tree, selected) == nullptr) == 0) {
        clear_message_list(window);
        SendMessageA(tree, TVM_SELECTITEM, TVGN_CARET, reinterpret_cast<LPARAM>(first_item(tree)));
        SendMessageA(tree, TVM_DELETEITEM, 0, reinterpret_cast<LPARAM>(selected));
    }
    delete_arrays(path);
}

bool end_label_edit(HWND tree, NMTVDISPINFOA* info) {
    if (!info->item.pszText) return false;  // the edit was cancelled
    Array* old_path = array_new(2000);
    Array* new_path = array_new(2000);
    folder_item_path(tree, info->item.hItem, nullptr, old_path);
    folder_item_path(tree, info->item.hItem, info->item.pszText, new_path);
    bool accepted = rename_folder(old_path->text, info->item.pszText, new_path->text) == 0;
    delete_arrays(old_path, new_path);
    return accepted;
}

}  // namespace

void setup_folder_images(HWND window) {
    HINSTANCE instance = reinterpret_cast<HINSTANCE>(GetWindowLongPtrA(window, GWLP_HINSTANCE));
    HIMAGELIST images = ImageList_Create(20, 20, ILC_COLOR24 | ILC_MASK, 3, 0);
    HBITMAP bitmap = LoadBitmapA(instance, MAKEINTRESOURCEA(IDB_FOLDERS));
    HBITMAP mask = LoadBitmapA(instance, MAKEINTRESOURCEA(IDB_FOLDERS_MASK));
    ImageList_Add(images, bitmap, mask);
    DeleteObject(bitmap);
    DeleteObject(mask);
    SendMessageA(tree_of(window), TVM_SETIMAGELIST, TVSIL_NORMAL, reinterpret_cast<LPARAM>(images));
}

void build_folder_tree(HWND window) {
    HWND tree = tree_of(window);
    FolderTreeSink sink{tree, sink_insert, sink_mark, sink_entry};
    fill_folder_tree(app.store_root->text, nullptr, sink, false, static_cast<int>(std::strlen(app.store_root->text)));
    insert_item(tree, nullptr, "E-mail Headers", image_headers, image_headers);
    if (app.open_temp_folder)
        open_folder(window, "temp");
    else
        SendMessageA(tree, TVM_SELECTITEM, TVGN_CARET, reinterpret_cast<LPARAM>(first_item(tree)));
}

void folder_item_path(HWND tree, HTREEITEM item, const char* replacement, Array* out) {
    array_clear(out);
    char labels[47][100];
    int n = 0;
    if (replacement) {
        std::strncpy(labels[n], replacement, 99);
        labels[n][99] = 0;
    } else {
        item_label(tree, item, labels[n], 100);
    }
    n++;
    for (HTREEITEM p = parent_of(tree, item); p && n < 46; p = parent_of(tree, p)) item_label(tree, p, labels[n++], 100);
    int at = 0;
    for (int i = n - 1; i >= 0; i--) {
        if (i != n - 1) array_copy_at(out, at++, "\\", 1);
        int length = static_cast<int>(std::strlen(labels[i]));
        array_copy_at(out, at, labels[i], length);
        at += array_fit(out, length, at);
    }
}

void open_folder(HWND window, const char* relative_path) {
    if (app.mailto_mode) return;
    if (is_headers_item(relative_path)) {
        EnableWindow(GetDlgItem(window, IDC_ACCOUNTS), FALSE);
        headers_view = 1;
        array_copy(app.current_folder, "temp");
        busy_folders_add("temp");
        clear_message_list(window);
        start_header_listing(window);
    } else {
        EnableWindow(GetDlgItem(window, IDC_ACCOUNTS), TRUE);
        headers_view = 0;
        search_view = _stricmp(relative_path, "search") == 0 ? 1 : 0;
        folder_store_path(app.current_folder, relative_path);
        start_list_fill(window);
    }
    disable_message_commands(window);
}

bool folder_tree_notify(HWND window, NMHDR* header, LRESULT* result) {
    if (header->idFrom != IDC_FOLDER_TREE) return false;
    HWND tree = header->hwndFrom;
    switch (header->code) {
    case TVN_SELCHANGINGA: {
        auto* change = reinterpret_cast<NMTREEVIEWA*>(header);
        Array* path = array_new(2000);
        folder_item_path(tree, change->itemNew.hItem, nullptr, path);
        *result = folder_selection_allowed(path->text) ? FALSE : TRUE;
        delete_arrays(path);
        return true;
    }
    case TVN_SELCHANGEDA: {
        auto* change = reinterpret_cast<NMTREEVIEWA*>(header);
        Array* path = array_new(2000);
        folder_item_path(tree, change->itemNew.hItem, nullptr, path);
        open_folder(window, path->text);
        delete_arrays(path);
        *result = 0;
        return true;
    }
    case TVN_BEGINLABELEDITA: {
        // Only folders below another folder can be renamed.
        auto* info = reinterpret_cast<NMTVDISPINFOA*>(header);
        *result = parent_of(tree, info->item.hItem) == nullptr ? TRUE : FALSE;
        return true;
    }
    case TVN_ENDLABELEDITA:
        *result = end_label_edit(tree, reinterpret_cast<NMTVDISPINFOA*>(header)) ? TRUE : FALSE;
        return true;
    case TVN_KEYDOWN: {
        auto* key = reinterpret_cast<NMTVKEYDOWN*>(header);
        if (key->wVKey == VK_INSERT) add_new_item(window);
        if (key->wVKey == VK_DELETE) delete_selected_folder(window);
        *result = 0;
        return true;
    }
    default:
        return false;
    }
}
