#include "format/imap_folders.h"

#include <cstdio>

#include "core/file_reads.h"
#include "core/file_replace.h"
#include "core/name_hash.h"
#include "core/sys_files.h"
#include "format/charsets.h"

namespace {

constexpr char local_prefix[] = "maildir\\";

// Every line at its longest, with its CR LF: a bigger file is damaged.
constexpr int64_t file_limit =
    static_cast<int64_t>(imap_folders_most * (imap_server_folder_limit + imap_local_folder_limit + 3));

bool has_control(const std::string& text) {
    for (unsigned char c : text)
        if (c < 0x20 || c == 0x7f) return true;
    return false;
}

bool read_pairs(const std::string& text, std::vector<ImapFolderPair>* pairs) {
    size_t at = 0;
    while (at < text.size()) {
        size_t end = text.find('\n', at);
        if (end == std::string::npos || pairs->size() >= imap_folders_most) return false;
        // Lines end in CR LF as written, or LF as an editor may leave them.
        size_t line_end = end > at && text[end - 1] == '\r' ? end - 1 : end;
        std::string line = text.substr(at, line_end - at);
        size_t tab = line.find('\t');
        if (tab == std::string::npos) return false;
        ImapFolderPair pair{line.substr(0, tab), line.substr(tab + 1)};
        if (!imap_folder_refusal(pair).empty()) return false;
        pairs->push_back(std::move(pair));
        at = end + 1;
    }
    return !pairs->empty();
}

}  // namespace

std::string imap_folders_path(const char* server, const char* user) {
    return mailbox_file_name("folders", server, user, ".txt");
}

std::string imap_folder_refusal(const ImapFolderPair& pair) {
    const std::string& name = pair.server_folder;
    if (name.empty()) return "Please enter the server folder's name.";
    if (name.size() > imap_server_folder_limit)
        return "The server folder's name is too long: at most " + std::to_string(imap_server_folder_limit) +
               " bytes can be stored.";
    if (has_control(name) || !valid_utf8(name)) return "The server folder's name holds characters it cannot have.";
    const std::string& local = pair.local_folder;
    if (local.compare(0, sizeof local_prefix - 1, local_prefix) != 0 || local.size() == sizeof local_prefix - 1)
        return "The local folder must begin with 'maildir\\'.";
    if (local.size() > imap_local_folder_limit)
        return "The local folder is too long: at most " + std::to_string(imap_local_folder_limit) +
               " characters can be stored.";
    if (has_control(local)) return "The local folder must not contain control characters.";
    // Each step a folder's name: never back up out of "maildir".
    for (size_t at = sizeof local_prefix - 2; at < local.size();) {
        size_t end = local.find('\\', at + 1);
        std::string step = local.substr(at + 1, end == std::string::npos ? std::string::npos : end - at - 1);
        if (step.empty() || step == "." || step == "..")
            return "The local folder must name a folder below 'maildir\\'.";
        at = end == std::string::npos ? local.size() : end;
    }
    return {};
}

int imap_folders_load(const char* server, const char* user, const char* inbox, std::vector<ImapFolderPair>* pairs) {
    pairs->clear();
    std::string path = imap_folders_path(server, user), text;
    if (!sys_exists(path.c_str())) {
        pairs->push_back({imap_server_inbox, inbox});
        return 0;
    }
    int64_t size = sys_file_size(path.c_str());
    if (size < 0 || size > file_limit || !read_whole_file(path.c_str(), &text) || !read_pairs(text, pairs)) {
        pairs->clear();
        return -1;
    }
    return 0;
}

int imap_folders_save(const char* server, const char* user, const std::vector<ImapFolderPair>& pairs) {
    if (pairs.empty() || pairs.size() > imap_folders_most) return -1;
    std::string text;
    for (const ImapFolderPair& pair : pairs) {
        if (!imap_folder_refusal(pair).empty()) return -1;
        text += pair.server_folder + "\t" + pair.local_folder + "\r\n";
    }
    std::string path = imap_folders_path(server, user);
    int result = replace_file_with(
        path.c_str(), [&](std::FILE* f) { return std::fwrite(text.data(), 1, text.size(), f) == text.size(); },
        true);
    return result == REPLACE_OK ? 0 : -1;
}

int imap_folders_remove(const char* server, const char* user) {
    return mailbox_file_remove(imap_folders_path(server, user));
}
