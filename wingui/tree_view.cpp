#include "wingui/tree_view.h"

#include "wingui/cut_text.h"

HTREEITEM tree_insert(HWND tree, HTREEITEM parent, const char* label, int image, int selected_image, void* data) {
    TVINSERTSTRUCTA insert{};
    insert.hParent = parent ? parent : TVI_ROOT;
    insert.hInsertAfter = TVI_LAST;
    insert.item.mask = TVIF_TEXT | TVIF_IMAGE | TVIF_SELECTEDIMAGE | TVIF_CHILDREN | TVIF_PARAM;
    insert.item.pszText = const_cast<char*>(label);
    insert.item.iImage = image;
    insert.item.iSelectedImage = selected_image;
    insert.item.cChildren = 0;
    insert.item.lParam = reinterpret_cast<LPARAM>(data);
    return reinterpret_cast<HTREEITEM>(SendMessageA(tree, TVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&insert)));
}

void tree_set_has_children(HWND tree, HTREEITEM item) {
    TVITEMA tv{};
    tv.mask = TVIF_CHILDREN;
    tv.hItem = item;
    tv.cChildren = 1;
    SendMessageA(tree, TVM_SETITEMA, 0, reinterpret_cast<LPARAM>(&tv));
}

int tree_text(HWND tree, HTREEITEM item, Array* out) {
    array_clear(out);
    if (out->capacity < 1) return 0;
    TVITEMA tv{};
    tv.mask = TVIF_TEXT;
    tv.hItem = item;
    tv.pszText = out->chars;
    tv.cchTextMax = out->capacity;
    if (!SendMessageA(tree, TVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&tv))) return 0;
    // The control may hand back its own copy instead of filling ours.
    if (tv.pszText != out->chars) array_copy(out, tv.pszText);
    return terminate_cut_text(out);
}

void* tree_item_data(HWND tree, HTREEITEM item) {
    TVITEMA tv{};
    tv.mask = TVIF_PARAM;
    tv.hItem = item;
    if (!SendMessageA(tree, TVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&tv))) return nullptr;
    return reinterpret_cast<void*>(tv.lParam);
}

namespace {

HTREEITEM next_item(HWND tree, int relation, HTREEITEM item) {
    return reinterpret_cast<HTREEITEM>(
        SendMessageA(tree, TVM_GETNEXTITEM, static_cast<WPARAM>(relation), reinterpret_cast<LPARAM>(item)));
}

}  // namespace

HTREEITEM tree_root(HWND tree) { return next_item(tree, TVGN_ROOT, nullptr); }
HTREEITEM tree_parent(HWND tree, HTREEITEM item) { return next_item(tree, TVGN_PARENT, item); }
HTREEITEM tree_first_child(HWND tree, HTREEITEM item) { return next_item(tree, TVGN_CHILD, item); }
HTREEITEM tree_next_sibling(HWND tree, HTREEITEM item) { return next_item(tree, TVGN_NEXT, item); }
HTREEITEM tree_selection(HWND tree) { return next_item(tree, TVGN_CARET, nullptr); }

void tree_select(HWND tree, HTREEITEM item) {
    SendMessageA(tree, TVM_SELECTITEM, TVGN_CARET, reinterpret_cast<LPARAM>(item));
}

void tree_expand(HWND tree, HTREEITEM item) {
    SendMessageA(tree, TVM_EXPAND, TVE_EXPAND, reinterpret_cast<LPARAM>(item));
}

void tree_delete(HWND tree, HTREEITEM item) { SendMessageA(tree, TVM_DELETEITEM, 0, reinterpret_cast<LPARAM>(item)); }

void tree_set_images(HWND tree, HIMAGELIST images) {
    auto previous = reinterpret_cast<HIMAGELIST>(
        SendMessageA(tree, TVM_SETIMAGELIST, TVSIL_NORMAL, reinterpret_cast<LPARAM>(images)));
    if (previous && previous != images) ImageList_Destroy(previous);
}

void tree_set_indent(HWND tree, int pixels) { SendMessageA(tree, TVM_SETINDENT, static_cast<WPARAM>(pixels), 0); }

void tree_end_label_edit(HWND tree) { SendMessageA(tree, TVM_ENDEDITLABELNOW, FALSE, 0); }
