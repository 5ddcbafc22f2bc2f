#include "store/imap_state.h"

#include <cinttypes>
#include <string_view>
#include <cstdio>
#include <limits>

#include "core/file_reads.h"
#include "core/sys_files.h"
#include "store/durable_files.h"
#include "store/uidl_state.h"

namespace {

std::string naming_lines(const ImapState* state) {
    return "Server: " + state->server + "\r\nUser: " + state->user + "\r\nFolder: " + state->folder + "\r\n";
}

// "NAME digits\r\n" at the start of `text`; false when it is anything else.
bool read_number(std::string_view* text, std::string_view name, uint32_t* out) {
    if (!text->starts_with(name)) return false;
    size_t at = name.size();
    uint64_t n = 0;
    size_t first = at;
    while (at < text->size() && (*text)[at] >= '0' && (*text)[at] <= '9' && at - first < 10)
        n = n * 10 + static_cast<uint64_t>((*text)[at++] - '0');
    if (at == first || n > std::numeric_limits<uint32_t>::max() || text->substr(at, 2) != "\r\n") return false;
    *out = static_cast<uint32_t>(n);
    text->remove_prefix(at + 2);
    return true;
}

}  // namespace

int imap_state_load(ImapState* state, const char* server, const char* user, const char* folder) {
    *state = ImapState{};
    state->path = uidl_state_path(server, user, folder);
    state->server = server;
    state->user = user;
    state->folder = folder;
    if (!sys_exists(state->path.c_str())) return 0;
    std::string bytes;
    if (!read_whole_file(state->path.c_str(), &bytes)) return -1;
    // Written whole each time, so anything else is not this folder's file.
    // Its naming lines, UIDVALIDITY and one UID line as written whole, then
    // the lines appended; anything else is not this folder's file.
    std::string_view text = bytes;
    std::string head = naming_lines(state);
    if (!text.starts_with(head)) return -1;
    text.remove_prefix(head.size());
    uint32_t uidvalidity, highest, next;
    if (!read_number(&text, "UIDVALIDITY ", &uidvalidity) || !read_number(&text, "UID ", &highest)) return -1;
    int appended = 0;
    while (read_number(&text, "UID ", &next)) {
        if (next < highest) return -1;
        highest = next;
        appended++;
    }
    // A crash in an append may leave the start of a line, no more.
    if (!text.empty() && (text.size() >= 16 || text.find('\n') != std::string_view::npos)) return -1;
    state->torn_end = !text.empty();
    state->uidvalidity = uidvalidity;
    state->highest = highest;
    state->appended = appended;
    return 0;
}

int imap_state_record(ImapState* state, uint32_t uidvalidity, uint32_t highest, bool through) {
    char numbers[60];
    if (state->uidvalidity != 0 && state->uidvalidity == uidvalidity && !state->torn_end &&
        state->appended < imap_state_append_limit) {
        if (!state->appending) {
            std::FILE* opened = sys_fopen(state->path.c_str(), "ab");
            if (!opened) return -1;
            state->appending.reset(opened, [](std::FILE* f) { std::fclose(f); });
        }
        int n = std::snprintf(numbers, sizeof numbers, "UID %" PRIu32 "\r\n", highest);
        std::FILE* f = state->appending.get();
        bool written = std::fwrite(numbers, 1, static_cast<size_t>(n), f) == static_cast<size_t>(n);
        written = (through ? durable_files().flush(f) == 0 : std::fflush(f) == 0) && written;
        if (!written) {
            // Part of the line may be in the file: the next record writes
            // the whole file anew.
            state->appending.reset();
            state->torn_end = true;
            return -1;
        }
        state->highest = highest;
        state->appended++;
        state->unsynced = !through;
        return 0;
    }
    // The lines appended before are in the file written anew.
    state->appending.reset();
    state->unsynced = false;
    std::snprintf(numbers, sizeof numbers, "UIDVALIDITY %" PRIu32 "\r\nUID %" PRIu32 "\r\n", uidvalidity, highest);
    if (state_file_write(state->path, naming_lines(state) + numbers) != 0) return -1;
    state->uidvalidity = uidvalidity;
    state->highest = highest;
    state->appended = 0;
    state->torn_end = false;
    return 0;
}

int imap_state_sync(ImapState* state) {
    if (!state->unsynced || !state->appending) return 0;
    if (durable_files().flush(state->appending.get()) != 0) {
        // Whether the lines reached the disk is unknown: the next record
        // writes the whole file anew.
        state->appending.reset();
        state->torn_end = true;
        return -1;
    }
    state->unsynced = false;
    return 0;
}
