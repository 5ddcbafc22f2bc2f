#include "ui/folder_tree.h"

#include <commctrl.h>

#include <cstring>

#include "client/folder_commands.h"
#include "client/main_window_ids.h"
#include "client/search.h"
#include "client/view_state.h"
#include "core/app_state.h"
#include "core/ui_services.h"
#include "store/busy_folders.h"
#include "store/folders.h"
#include "ui/command_states.h"
#include "ui/message_list.h"
#include "ui/transfer_jobs.h"
#include "wingui/controls.h"
#include "wingui/dpi.h"
#include "wingui/tree_view.h"

namespace {

constexpr int image_folder = 0, image_open_folder = 1, image_headers = 2;
// Room for any folder name the file system allows, and more.
constexpr int folder_label_capacity = 1024;

HWND tree_of(HWND window) { return control(window, IDC_FOLDER_TREE); }

HTREEITEM insert_folder(HWND tree, HTREEITEM parent, const char* label) {
    return tree_insert(tree, parent, label, image_folder, image_open_folder);
}

void* sink_insert(void* context, void* parent, const char* name) {
    return insert_folder(static_cast<HWND>(context), static_cast<HTREEITEM>(parent), name);
}

void sink_mark(void* context, void* item) { tree_set_has_children(static_cast<HWND>(context), static_cast<HTREEITEM>(item)); }

void sink_entry(void*, const char*) {}

void add_new_item(HWND window) {
    HWND tree = tree_of(window);
    HTREEITEM selected = tree_selection(tree);
    if (!selected) return;
    Array* path = array_new(2000);
    folder_item_path(tree, selected, nullptr, path);
    if (create_new_item_folder(path->text) == 0) {
        tree_set_has_children(tree, selected);
        insert_folder(tree, selected, "New Item");
        tree_expand(tree, selected);
    }
    delete_arrays(path);
}

void delete_selected_folder(HWND window) {
    HWND tree = tree_of(window);
    HTREEITEM selected = tree_selection(tree);
    if (!selected) return;
    Array* path = array_new(2000);
    folder_item_path(tree, selected, nullptr, path);
    // A folder the list is being filled from, or one a job writes into,
    // stays where it is.
    if (!folder_change_allowed(path->text, window)) {
        delete_arrays(path);
        return;
    }
    if (delete_folder_item(path->text, tree_parent(tree, selected) == nullptr) == 0) {
        clear_message_list(window);
        tree_select(tree, tree_root(tree));
        tree_delete(tree, selected);
    }
    delete_arrays(path);
}

bool begin_label_edit(HWND window, HWND tree, NMTVDISPINFOA* info) {
    // Only folders below another folder can be renamed, and not while
    // their list fills or a job writes into them.
    if (tree_parent(tree, info->item.hItem) == nullptr) return false;
    Array* path = array_new(2000);
    folder_item_path(tree, info->item.hItem, nullptr, path);
    bool allowed = folder_change_allowed(path->text, window);
    delete_arrays(path);
    return allowed;
}

// Set while an edit's end is handled: the box telling of a refused rename
// takes the focus from the edit box, and the tree ends the same edit again
// inside that box.
bool ending_label_edit = false;

bool end_label_edit(HWND window, HWND tree, NMTVDISPINFOA* info) {
    if (!info->item.pszText || ending_label_edit) return false;  // cancelled, or being ended
    ending_label_edit = true;
    Array* old_path = array_new(2000);
    Array* new_path = array_new(2000);
    folder_item_path(tree, info->item.hItem, nullptr, old_path);
    folder_item_path(tree, info->item.hItem, info->item.pszText, new_path);
    // A job may have started on the folder while its name was typed.
    bool accepted = folder_change_allowed(old_path->text, window) &&
                    rename_folder(old_path->text, info->item.pszText, new_path->text) == 0;
    delete_arrays(old_path, new_path);
    ending_label_edit = false;
    return accepted;
}

}  // namespace

void setup_folder_images(HWND window) {
    HINSTANCE instance = window_instance(window);
    // Three images of 20 pixels at 96 dpi, stretched to the window's DPI,
    // and the indent of a level (the control's own at 96 dpi) with them.
    const int size = scaled_for(window, 20);
    tree_set_indent(tree_of(window), scaled_for(window, 19));
    HIMAGELIST images = ImageList_Create(size, size, ILC_COLOR24 | ILC_MASK, 3, 0);
    auto load = [&](int id) {
        return static_cast<HBITMAP>(LoadImageA(instance, MAKEINTRESOURCEA(id), IMAGE_BITMAP, 3 * size, size, 0));
    };
    HBITMAP bitmap = load(IDB_FOLDERS);
    HBITMAP mask = load(IDB_FOLDERS_MASK);
    ImageList_Add(images, bitmap, mask);
    DeleteObject(bitmap);
    DeleteObject(mask);
    tree_set_images(tree_of(window), images);
}

void build_folder_tree(HWND window) {
    HWND tree = tree_of(window);
    FolderTreeSink sink{
        .context = tree, .insert = sink_insert, .mark_has_children = sink_mark, .add_entry = sink_entry};
    fill_folder_tree(app.store_root->text, nullptr, sink, false, static_cast<int>(std::strlen(app.store_root->text)));
    tree_insert(tree, nullptr, "E-mail Headers", image_headers, image_headers);
    if (app.open_temp_folder)
        open_folder(window, "temp");
    else
        tree_select(tree, tree_root(tree));
}

void folder_item_path(HWND tree, HTREEITEM item, const char* replacement, Array* out) {
    array_clear(out);
    // The item and up to 45 of its ancestors, the top one last. Labels are
    // read whole: a folder name is at most 255 characters, and one cut short
    // would name another folder.
    HTREEITEM chain[46];
    int n = 0;
    chain[n++] = item;
    for (HTREEITEM p = tree_parent(tree, item); p && n < 46; p = tree_parent(tree, p)) chain[n++] = p;
    Array* label = array_new(folder_label_capacity);
    int at = 0;
    for (int i = n - 1; i >= 0; i--) {
        if (i != n - 1) array_copy_at(out, at++, "\\", 1);
        if (i == 0 && replacement)
            array_copy(label, replacement);
        else
            tree_text(tree, chain[i], label);
        int length = static_cast<int>(std::strlen(label->text));
        array_copy_at(out, at, label->text, length);
        at += array_fit(out, length, at);
    }
    delete_arrays(label);
}

void open_folder(HWND window, const char* relative_path) {
    if (app.mailto_mode) return;
    if (is_headers_item(relative_path)) {
        enable_control(window, IDC_ACCOUNTS, false);
        headers_view = 1;
        array_copy(app.current_folder, "temp");
        busy_folders_add("temp");
        clear_message_list(window);
        start_header_listing(window);
    } else {
        enable_control(window, IDC_ACCOUNTS, true);
        headers_view = 0;
        search_view = is_search_folder(relative_path) ? 1 : 0;
        folder_store_path(app.current_folder, relative_path);
        start_list_fill(window);
    }
    disable_message_commands(window);
}

void add_folder_item(HWND window, const char* label, bool select) {
    HWND tree = control(window, IDC_FOLDER_TREE);
    HTREEITEM item = tree_insert(tree, nullptr, label, image_folder, image_open_folder);
    if (item && select) tree_select(tree, item);
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
    case TVN_BEGINLABELEDITA:
        *result = begin_label_edit(window, tree, reinterpret_cast<NMTVDISPINFOA*>(header)) ? FALSE : TRUE;
        return true;
    case TVN_ENDLABELEDITA:
        *result = end_label_edit(window, tree, reinterpret_cast<NMTVDISPINFOA*>(header)) ? TRUE : FALSE;
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
