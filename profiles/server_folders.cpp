#include "profiles/server_folders.h"

#include <algorithm>

#include "core/code_pages.h"
#include "core/sys_files.h"

namespace {

// Folders nest only so deep in any store; the bound keeps a loop in the
// file system (a link to a folder above) from running on.
constexpr int deepest_folder = 8;

void add_below(const std::string& path, int depth, std::vector<std::string>* out) {
    std::vector<std::string> names;
    sys_enumerate((path + "\\*").c_str(), [&](const DirEntry& e) {
        if (e.is_directory && e.name[0] != '.') names.push_back(e.name);
        return true;
    });
    for (const std::string& name : names) {
        std::string child = path + "\\" + name;
        if (child.size() > imap_local_folder_limit) continue;  // the list could not keep it
        out->push_back(child);
        if (depth < deepest_folder) add_below(child, depth + 1, out);
    }
}

}  // namespace

std::string folder_row_text(const ImapFolderPair& pair) {
    return system_text_from_utf8(pair.server_folder) + " -> " + pair.local_folder;
}

std::vector<std::string> local_folder_paths() {
    std::vector<std::string> paths;
    add_below("maildir", 1, &paths);
    std::sort(paths.begin(), paths.end());
    return paths;
}

std::string folder_list_refusal(const std::vector<ImapFolderPair>& list, const ImapFolderPair& pair, int replacing) {
    std::string refusal = imap_folder_refusal(pair);
    if (!refusal.empty()) return refusal;
    for (size_t i = 0; i < list.size(); i++)
        if (static_cast<int>(i) != replacing && list[i].server_folder == pair.server_folder)
            return "The server folder " + system_text_from_utf8(pair.server_folder) + " is in the list already.";
    if (replacing < 0 && list.size() >= imap_folders_most)
        return "At most " + std::to_string(imap_folders_most) + " server folders can be downloaded.";
    return {};
}
