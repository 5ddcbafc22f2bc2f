#include "store/uidl_state.h"

#include <algorithm>
#include <cinttypes>
#include <cstdint>
#include <cstdio>

#include "core/file_reads.h"
#include "core/name_hash.h"
#include "core/sys_files.h"
#include "store/durable_files.h"

namespace {

constexpr const char* state_folder = "uidl";

std::string server_line(const UidlState* state) { return "Server: " + state->server + "\r\n"; }
std::string user_line(const UidlState* state) { return "User: " + state->user + "\r\n"; }

// Writes the file anew, the naming lines and the ids.
int write_state(UidlState* state, const std::vector<std::string>& ids) {
    state->appending.reset();  // the file it appended to is being replaced
    std::string text = server_line(state) + user_line(state);
    for (const std::string& id : ids) text += id + "\r\n";
    if (state_file_write(state->path, text) != 0) return -1;
    state->exists = true;
    state->torn_end = false;
    return 0;
}

}  // namespace

bool uidl_id_valid(std::string_view id) {
    if (id.empty() || id.size() > uidl_id_max) return false;
    for (char c : id)
        if (c < 0x21 || c > 0x7E) return false;
    return true;
}

std::string uidl_state_path(const char* server, const char* user, const char* folder) {
    char name[40];
    std::snprintf(name, sizeof name, "%s\\%016" PRIx64 "%s", state_folder, mailbox_hash(server, user, folder),
                  folder ? ".imap" : ".txt");
    return name;
}

int state_file_write(const std::string& path, const std::string& text) {
    // Written whole under a scratch name and written through first, so
    // that the name never holds a file cut short: an existing file is
    // replaced in one step, a new one moved to its name, never over
    // another file. The folder goes on the disk after either, or a power
    // cut could bring back an older state (more messages stored twice).
    const bool existed = sys_exists(path.c_str());
    if (!existed && !sys_is_directory(state_folder)) sys_make_directory(state_folder);
    std::string scratch = path + ".new";
    std::FILE* f = sys_fopen(scratch.c_str(), "wb");
    if (!f) return -1;
    bool written = std::fwrite(text.data(), 1, text.size(), f) == text.size();
    written = durable_files().flush(f) == 0 && written;
    written = std::fclose(f) == 0 && written;
    const char* from = scratch.c_str();
    written = written &&
              (existed ? sys_replace_file(from, path.c_str()) : durable_files().move(from, path.c_str())) == 0 &&
              durable_files().sync_folder(state_folder) == 0;
    if (!written) sys_remove_file(from);
    return written ? 0 : -1;
}

int uidl_state_load(UidlState* state, const char* server, const char* user) {
    *state = UidlState{};
    state->path = uidl_state_path(server, user);
    state->server = server;
    state->user = user;
    if (!sys_exists(state->path.c_str())) return 0;
    std::string bytes;
    if (!read_whole_file(state->path.c_str(), &bytes)) {
        state->foreign = true;
        return -1;
    }
    // Only whole lines count: a last line without its line end was cut short.
    size_t whole = bytes.rfind("\r\n");
    whole = whole == std::string::npos ? 0 : whole + 2;
    state->torn_end = whole < bytes.size();
    std::string_view text(bytes.data(), whole);
    std::string head = server_line(state) + user_line(state);
    if (text.size() < head.size()) {
        // The naming lines themselves were never written whole (the file is
        // written whole when made, so only another program leaves this):
        // nothing to keep; the first record writes the file anew.
        if (std::string_view(head).substr(0, text.size()) != text) state->foreign = true;
        return 0;
    }
    if (text.substr(0, head.size()) != head) {
        state->foreign = true;
        return 0;
    }
    state->exists = true;
    for (size_t at = head.size(); at < text.size();) {
        size_t end = text.find("\r\n", at);
        std::string_view id = text.substr(at, end - at);
        if (uidl_id_valid(id)) state->seen.emplace(id);
        at = end + 2;
    }
    return 0;
}

int uidl_state_record(UidlState* state, const std::string& id) {
    if (state->foreign) return 0;
    state->seen.insert(id);
    if (!state->exists) return write_state(state, {id});
    if (state->torn_end) {
        // A line cut short is never ended and kept: it could read as the
        // id of another message. The file is written anew without it.
        std::vector<std::string> ids(state->seen.begin(), state->seen.end());
        std::sort(ids.begin(), ids.end());
        return write_state(state, ids);
    }
    if (!state->appending) {
        std::FILE* opened = sys_fopen(state->path.c_str(), "ab");
        if (!opened) return -1;
        state->appending.reset(opened, [](std::FILE* f) { std::fclose(f); });
    }
    std::FILE* f = state->appending.get();
    std::string line = id + "\r\n";
    bool written = std::fwrite(line.data(), 1, line.size(), f) == line.size();
    // On the disk before the server may delete the message or the next
    // message comes in.
    written = durable_files().flush(f) == 0 && written;
    // After a failure the next record opens the file anew.
    if (!written) state->appending.reset();
    return written ? 0 : -1;
}

int uidl_state_keep_only(UidlState* state, const std::vector<std::string>& on_server) {
    if (state->foreign || !state->exists) return 0;
    // Kept in the server's order, which is the order they came in.
    std::vector<std::string> kept;
    for (const std::string& id : on_server)
        if (state->seen.contains(id)) kept.push_back(id);
    if (kept.size() == state->seen.size() && !state->torn_end) return 0;
    state->seen = std::unordered_set<std::string>(kept.begin(), kept.end());
    return write_state(state, kept);
}
