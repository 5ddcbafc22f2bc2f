#include "store/folders.h"

#include <cstring>

#include "core/log.h"
#include "core/sys_files.h"
#include "core/ui_services.h"
#include "store/busy_folders.h"
#include "store/message_files.h"
#include "store/list_mirror.h"

namespace {

bool same_name(const char* a, const char* b) {
    for (;; a++, b++) {
        int x = *a >= 'A' && *a <= 'Z' ? *a + 32 : *a;
        int y = *b >= 'A' && *b <= 'Z' ? *b + 32 : *b;
        if (x != y) return false;
        if (!x) return true;
    }
}

const char* const standard_folders[] = {"inbox", "outbox", "sent items", "drafts"};

bool is_standard_folder(const char* name) {
    for (const char* s : standard_folders)
        if (same_name(name, s)) return true;
    return false;
}

void show_remove_error(int error) {
    if (error == 145) {
        show_message("Directory not empty!");
    } else if (error == 32) {
        show_message("Sharing violation. Try restarting the program.");
    } else {
        Array* text = array_new(100);
        array_printf(text, "RemoveDirectoy Error %i\r\n", error);
        show_message(text->text);
        delete_arrays(text);
    }
}

}  // namespace

void clear_folder(const char* folder, const char* suffix) {
    ListMirror mirror;
    mirror_open(&mirror, folder);
    Array* pattern = array_new(message_path_capacity);
    array_printf(pattern, "%.1000s\\*%.20s", folder, suffix);
    std::vector<std::string> files;
    sys_enumerate(pattern->text, [&](const DirEntry& e) {
        if (!e.is_directory) files.push_back(e.name);
        return true;
    });
    Array* path = array_new(1300);
    for (const std::string& name : files) {
        array_printf(path, "%.1000s\\%.260s", folder, name.c_str());
        if (sys_remove_file(path->text) != 0) log_write("Could not remove file whilst clearing folder.\r\n");
    }
    // Without its messages the folder's mirror lines describe nothing.
    mirror_discard(&mirror);
    delete_arrays(pattern, path);
}

int delete_folder(const char* store_path) {
    clear_folder(store_path, "");
    // The message list's rows are freed here once the list exists.
    int error = 0;
    if (sys_remove_directory(store_path, &error) != 0) {
        show_remove_error(error);
        return -2;
    }
    return 0;
}

void remove_search_folders() {
    Array* path = array_new(100);
    for (int n = 1; n <= 999; n++) {
        array_printf(path, "maildir\\search%i", n);
        if (sys_exists(path->text)) delete_folder(path->text);
    }
    delete_arrays(path);
}

bool is_headers_item(const char* relative_path) { return same_name(relative_path, "E-mail Headers"); }

void folder_store_path(Array* out, const char* relative_path) {
    if (is_headers_item(relative_path) || same_name(relative_path, "temp"))
        array_copy(out, "temp");
    else
        array_printf(out, "%s\\%.950s", "maildir", relative_path);
}

std::vector<std::string> list_subfolders(const char* path) {
    std::vector<std::string> names;
    Array* pattern = array_new(1000);
    const char* patterns[] = {"inbox", "outbox", "sent items", "drafts", "*"};
    for (const char* p : patterns) {
        bool any = std::strcmp(p, "*") == 0;
        array_printf(pattern, "%.900s\\%.20s", path, p);
        sys_enumerate(pattern->text, [&](const DirEntry& e) {
            if (e.is_directory && e.name[0] != '.' && !(any && is_standard_folder(e.name))) names.push_back(e.name);
            return true;
        });
    }
    delete_arrays(pattern);
    return names;
}

int fill_folder_tree(const char* path, void* parent, const FolderTreeSink& sink, bool dialog, int root_length) {
    int inserted = 0;
    Array* child = array_new(2000);
    Array* relative = array_new(1000);
    for (const std::string& name : list_subfolders(path)) {
        array_printf(child, "%.900s\\%.999s", path, name.c_str());
        if (dialog) {
            const char* below_root = path + (static_cast<int>(std::strlen(path)) > root_length ? root_length + 1 : std::strlen(path));
            if (*below_root)
                array_printf(relative, "%.850s\\%.99s", below_root, name.c_str());
            else
                array_printf(relative, "%.99s", name.c_str());
            sink.add_entry(sink.context, relative->text);
            fill_folder_tree(child->text, nullptr, sink, true, root_length);
        } else {
            void* item = sink.insert(sink.context, parent, name.c_str());
            if (fill_folder_tree(child->text, item, sink, false, root_length) > 0)
                sink.mark_has_children(sink.context, item);
        }
        inserted++;
    }
    delete_arrays(child, relative);
    return inserted;
}

int rename_folder(const char* old_relative_path, const char* new_label, const char* new_relative_path) {
    if (std::strlen(new_label) >= 100) {
        show_message("Folder name too long!");
        return -1;
    }
    if (std::strlen(old_relative_path) >= 256) {
        show_message("Folder path too long!");
        return -1;
    }
    Array* from = array_new(1000);
    Array* to = array_new(1000);
    array_printf(from, "%s\\%.950s", "maildir", old_relative_path);
    array_printf(to, "%s\\%.950s", "maildir", new_relative_path);
    int result = 0, error = 0;
    if (sys_rename(from->text, to->text) != 0 && sys_make_directory(to->text, &error) != 0) {
        Array* text = array_new(100);
        array_printf(text, "CreateDirectory error %i.", error);
        show_message(text->text);
        delete_arrays(text);
        result = -1;
    }
    delete_arrays(from, to);
    return result;
}
