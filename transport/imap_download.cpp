#include "transport/imap_download.h"

#include <algorithm>
#include <cstdio>
#include <deque>
#include <string>
#include <vector>

#include "core/sys_files.h"
#include "store/durable_files.h"
#include "store/folder_numbers.h"
#include "store/imap_state.h"
#include "store/message_files.h"
#include "transport/receive_account.h"
#include "transport/received_mail.h"

namespace {

// Whole messages wait for at most this many more before they go into the
// folder together: their files went to the system as they arrived, so
// their flushes mostly wait for one journal commit that covers them all.
constexpr size_t publish_batch = 32;

// A message whose body is arriving or has arrived, in its scratch file,
// until its command is answered. A server may send the next message's body
// before that answer, so up to a window of them wait in order.
struct Arriving {
    uint32_t uid;
    std::FILE* file;
    std::string scratch;
    int number;  // in this check, for its status line
    long long size;
    // The last bytes received, held back: a stored message ends without
    // the line end of its last line, as a POP3 message does, whose line end
    // the terminating "CRLF.CRLF" takes; the same message is then the same
    // file whichever way it came.
    std::string held{};
};

struct Download {
    MailSession& s;
    StatusSink& status;
    ImapState& state;
    FolderNumbers numbers;
    uint32_t uidvalidity;
    int window;
    int* stored;
    // Each UID recorded as the highest once stored; not for messages the
    // user chose, which may leave older ones behind.
    bool record_each = true;
    int gone = 0;  // messages the server no longer has
    Array* scratch = array_new(100);
    Array* path = array_new(message_path_capacity);
    Array* text = array_new(200);
    std::deque<Arriving> arriving{};
    std::vector<Arriving> whole{};  // arrived whole, not yet in the folder
    long long received = 0;  // of the last message in `arriving`
    int progress = 0;        // its steps of 1 % shown
    int found = 0;           // the messages of this check begun so far
    std::vector<uint32_t> durable{};  // stored, to be deleted with delete_after
    ~Download() {
        status.hold_file(nullptr);
        while (!arriving.empty()) drop_front();
        for (Arriving& a : whole) {
            std::fclose(a.file);
            sys_remove_file(a.scratch.c_str());
        }
        delete_arrays(scratch, path, text);
    }

    void drop_front() {
        std::fclose(arriving.front().file);
        sys_remove_file(arriving.front().scratch.c_str());
        arriving.pop_front();
    }

    // Its line shows when it is the first waiting, so that each "done"
    // follows its own message.
    void show(const Arriving& a) {
        array_printf(text, "#%i (%.1f KB) ", a.number, static_cast<double>(a.size) / 1024.0);
        status.line(text->text);
    }

    // Opens the file of the next message; false after saying why not.
    bool start(uint32_t uid, long long size) {
        std::FILE* f = open_received_file(status, scratch);
        if (!f) return false;
        status.hold_file(f);
        arriving.push_back({uid, f, scratch->text, ++found, size});
        if (arriving.size() == 1) show(arriving.back());
        received = 0;
        progress = 0;
        status.progress_reset(1);
        return true;
    }

    bool write(const char* bytes, int length) {
        if (s.cancelled()) return false;
        Arriving& a = arriving.back();
        received += length;
        auto put = [&](const char* from, size_t n) {
            if (n == 0 || std::fwrite(from, 1, n, a.file) == n) return true;
            status.error(a.scratch.c_str());
            status.error(": could not write file to disk.\r\n");
            return false;
        };
        size_t n = static_cast<size_t>(length);
        if (n >= 2) {
            if (!put(a.held.data(), a.held.size()) || !put(bytes, n - 2)) return false;
            a.held.assign(bytes + n - 2, 2);
        } else {
            a.held.append(bytes, n);
            if (a.held.size() > 2) {
                if (!put(a.held.data(), 1)) return false;
                a.held.erase(0, 1);
            }
        }
        int due = a.size > 0 ? static_cast<int>(std::min<long long>(received * 100 / a.size, 100)) : 0;
        if (due > progress) {
            status.progress_advance(due - progress);
            progress = due;
        }
        return true;
    }

    // The first message whole in its file: its last bytes written and the
    // file handed to the system, to go into the folder with its batch.
    bool finish() {
        Arriving a = arriving.front();
        arriving.pop_front();
        if (arriving.empty()) status.hold_file(nullptr);
        if (a.held.ends_with("\r\n")) a.held.resize(a.held.size() - 2);
        if (std::fwrite(a.held.data(), 1, a.held.size(), a.file) != a.held.size() ||
            durable_files().start_flush(a.file) != 0) {
            std::fclose(a.file);
            status.error(a.scratch.c_str());
            status.error(": could not write file to disk.\r\n");
            sys_remove_file(a.scratch.c_str());
            return false;
        }
        whole.push_back(a);
        status.line(" done\r\n");
        if (!arriving.empty()) show(arriving.front());
        return whole.size() < publish_batch || publish();
    }

    // The whole messages written through, then each moved into the folder,
    // the folder written through, and only then its UID recorded, before
    // the next moves in: a crash never records a message that is not in the
    // folder, and a crash of the program brings back at most the one being
    // recorded. The records are written through once for the batch, which
    // saves a flush per message; a power cut may bring the batch back.
    bool publish() {
        size_t flushed = 0;
        while (flushed < whole.size() && durable_files().flush(whole[flushed].file) == 0) flushed++;
        bool ok = true;
        for (size_t i = 0; i < whole.size(); i++) {
            Arriving& a = whole[i];
            if ((std::fclose(a.file) != 0 || i >= flushed) && ok) {
                status.error(a.scratch.c_str());
                status.error(": could not write file to disk.\r\n");
                ok = false;
            }
            if (ok && folder_put(&numbers, a.scratch.c_str(), FOLDER_MOVE_DURABLE, path) != 0) ok = false;
            if (!ok) {
                sys_remove_file(a.scratch.c_str());
                continue;
            }
            (*stored)++;
            if (durable_files().sync_folder(numbers.folder) != 0) {
                status.error("Could not write the folder to disk.\r\n");
                ok = false;
            } else if (record_each && imap_state_record(&state, uidvalidity, a.uid, false) != 0) {
                status.error(state.path.c_str());
                status.error(": could not write file to disk.\r\n");
                ok = false;
            } else {
                durable.push_back(a.uid);
                run_new_mail_command(status, path->text);
            }
        }
        whole.clear();
        if (imap_state_sync(&state) != 0 && ok) {
            status.error(state.path.c_str());
            status.error(": could not write file to disk.\r\n");
            ok = false;
        }
        return ok;
    }

    // The messages listed (above the highest stored when `only_new`),
    // fetched in order, each into its own file.
    int fetch(const std::vector<ImapMessage>& listed, bool only_new = true) {
        std::vector<uint32_t> uids;
        for (const ImapMessage& m : listed)
            if (!only_new || m.uid > state.highest) uids.push_back(m.uid);
        auto size_of = [&](uint32_t uid) {
            for (const ImapMessage& m : listed)
                if (m.uid == uid) return m.size;
            return 0LL;
        };
        ImapFetchSinks sinks{
            .body = [&](uint32_t uid, const char* bytes, int length) {
                bool open = !arriving.empty() && arriving.back().uid == uid;
                return (open || start(uid, size_of(uid))) && write(bytes, length);
            },
            .done = [&](uint32_t uid, int result) {
                // Answers come in the order of the commands, so a message
                // with a body is the first waiting.
                bool open = !arriving.empty() && arriving.front().uid == uid;
                // Expunged by another client since the listing: nothing to store.
                if (result == IMAP_GONE) {
                    if (open) drop_front();
                    gone++;
                    return true;
                }
                // An empty body never opened a file.
                if (!open && (!arriving.empty() || !start(uid, size_of(uid)))) return false;
                return finish();
            }};
        int result = uids.empty() ? 0 : imap_fetch_messages(s, uids, window, sinks);
        // What arrived whole goes into the folder also when the fetch
        // failed or was cancelled after it.
        if (!publish() && result == 0) result = -1;
        return result;
    }
};

}  // namespace

namespace {

// The state of the folder and the folder opened; -1 (or imap_select_refused)
// after saying why not.
int open_folder(MailSession& s, ImapState* state, const char* server, const char* user, const char* server_folder,
                bool examine, ImapFolder* folder) {
    if (imap_state_load(state, server, user, server_folder) != 0) {
        s.status.error(state->path.c_str());
        s.status.error(": could not read file.\r\n");
        return -1;
    }
    return imap_select(s, server_folder, examine, folder);
}

// The highest UID stored moves up over the chosen messages stored, as long
// as no message listed above it was left behind.
uint32_t highest_after(uint32_t highest, const std::vector<ImapMessage>& listed, std::vector<uint32_t> stored) {
    std::sort(stored.begin(), stored.end());
    std::vector<uint32_t> order;
    for (const ImapMessage& m : listed)
        if (m.uid > highest) order.push_back(m.uid);
    std::sort(order.begin(), order.end());
    for (uint32_t uid : order) {
        if (!std::binary_search(stored.begin(), stored.end(), uid)) break;
        highest = uid;
    }
    return highest;
}

}  // namespace

int imap_download_chosen(MailSession& s, const char* server, const char* user, const char* server_folder,
                         const char* local_folder, const ImapChosen& chosen, int* stored) {
    *stored = 0;
    ImapState state;
    ImapFolder folder;
    if (open_folder(s, &state, server, user, server_folder, true, &folder) != 0) return -1;
    if (folder.uidvalidity != chosen.uidvalidity) return imap_uidvalidity_changed;
    Download d{s, s.status, state, {local_folder}, folder.uidvalidity, imap_pipeline_window, stored};
    d.record_each = false;
    int result = d.fetch(chosen.messages, false);
    if (d.gone > 0) {
        array_printf(d.text, "Messages no longer on the server: %i\r\n", d.gone);
        s.status.line(d.text->text);
    }
    // A state of another UIDVALIDITY is the receive's to settle.
    if (state.uidvalidity != 0 && state.uidvalidity != folder.uidvalidity) return result;
    uint32_t highest = highest_after(state.highest, chosen.listed, d.durable);
    if (highest != state.highest && imap_state_record(&state, folder.uidvalidity, highest) != 0) {
        s.status.error(state.path.c_str());
        s.status.error(": could not write file to disk.\r\n");
        return -1;
    }
    return result;
}

int imap_download(MailSession& s, const char* server, const char* user, const char* server_folder,
                  const char* local_folder, ImapDownloadOptions options, int* stored) {
    *stored = 0;
    ImapState state;
    ImapFolder folder;
    int opened = open_folder(s, &state, server, user, server_folder, !options.delete_after, &folder);
    if (opened != 0) return opened;
    if (state.uidvalidity != 0 && state.uidvalidity != folder.uidvalidity) {
        if (!options.new_uidvalidity) return imap_uidvalidity_changed;
        // Recorded at once: the old UIDs name nothing in the rebuilt folder.
        if (imap_state_record(&state, folder.uidvalidity, 0) != 0) {
            s.status.error(state.path.c_str());
            s.status.error(": could not write file to disk.\r\n");
            return -1;
        }
    }
    Download d{s, s.status, state, {local_folder}, folder.uidvalidity, options.window, stored};
    // With delete_after the messages stored by an earlier check that the
    // server still has are listed too, and go with the new ones.
    uint32_t above = options.delete_after ? 0 : state.highest;
    int result = 0;
    for (bool first = true;; first = false) {
        std::vector<ImapMessage> listed;
        if (imap_list_above(s, above, imap_list_batch, &listed) != 0) return -1;
        if (first) {
            int fresh = 0;
            for (const ImapMessage& m : listed)
                if (m.uid > state.highest) fresh++;
            show_found(s.status, fresh);
        }
        for (const ImapMessage& m : listed)
            if (m.uid <= state.highest) d.durable.push_back(m.uid);
        result = d.fetch(listed);
        if (result == 0 && options.delete_after && !d.durable.empty())
            result = imap_delete_messages(s, d.durable, options.uidplus);
        // What was stored before a failure is deleted all the same: each
        // of those messages is on the disk and recorded.
        else if (result != 0 && options.delete_after && !d.durable.empty() && s.is_open())
            imap_delete_messages(s, d.durable, options.uidplus);
        d.durable.clear();
        if (result != 0 || listed.size() < imap_list_batch) break;
        above = listed.back().uid;
    }
    return result;
}
