// Downloading messages into a folder: RETR (or TOP) for each, the message
// written through to the disk and moved into the folder, then DELE when
// asked. With a window above 1 the commands are pipelined (RFC 2449): up to
// that many are in flight and their replies are read in order.
#include <cstdio>
#include <cstring>
#include <deque>
#include <string>
#include <utility>
#include <vector>

#include "core/sys_files.h"
#include "store/durable_files.h"
#include "store/message_files.h"
#include "transport/pop3.h"
#include "transport/received_mail.h"
#include "transport/socket_lines.h"

namespace {

struct InFlight {
    bool retrieve;  // RETR or TOP; else DELE
    int number;
    // A DELE of a message stored before, which takes a place in the window
    // as a RETR would: there may be many of them in a row.
    bool counted = false;
};

// A message received whole, its scratch file still open, waiting to be
// written through and moved into the folder with the rest of its batch.
struct Waiting {
    std::FILE* file;
    std::string scratch;
    int number;
};

// The most messages written through to the disk together.
constexpr int batch_limit = 32;

struct Retrieval {
    Retrieval(MailSession& s, RetrieveOptions o, FolderNumbers* n, Array* sz, int* count)
        : session(s), status(s.status), options(o), numbers(n), sizes(sz), stored(count) {}
    MailSession& session;
    StatusSink& status;
    RetrieveOptions options;
    FolderNumbers* numbers;
    Array* sizes;
    int* stored;
    std::vector<Waiting> batch;
    bool reported = false;  // a write failure was shown
    int retrieving = 0;     // RETR (or TOP) commands, and DELEs of messages stored before, in flight
    Array* scratch = array_new(100);
    Array* path = array_new(message_path_capacity);
    Array* reply = array_new(line_capacity);
    Array* text = array_new(200);
    std::deque<InFlight> in_flight;
    std::string commands;  // written, not yet sent
    // The window opens as messages arrive whole, 1, 2, 4 and on up to
    // options.window: a server that fails at once has little in flight.
    int open = 1;
    int next = 0, end = 0;
    int marked_before = 0;  // DELEs sent for messages stored by earlier sessions
    ~Retrieval() { delete_arrays(scratch, path, reply, text); }

    void widen() { open = open * 2 < options.window ? open * 2 : options.window; }

    // The folder's moves so far written through to the disk; false after
    // saying so.
    bool sync_folder() {
        if (durable_files().sync_folder(numbers->folder) == 0) return true;
        status.error("Could not write the folder to disk.\r\n");
        reported = true;
        return false;
    }

    // The message's id written through to the disk; false after saying so.
    bool record(int number) {
        if (uidl_state_record(options.state, (*options.ids)[number - 1]) == 0) return true;
        status.error(options.state->path.c_str());
        status.error(": could not write file to disk.\r\n");
        reported = true;
        return false;
    }

    // Whether the message was stored by an earlier session.
    bool stored_before(int k) const {
        return options.skip_stored && options.state && options.ids &&
               options.state->seen.contains((*options.ids)[k - 1]);
    }

    // Fills the window with RETR (or TOP) commands and sends what is
    // written in one call, so that each step costs one write.
    int send_commands() {
        // Only the messages, and the DELEs of messages stored before, count
        // against the window: the DELE of a message just stored has a line
        // for its reply, and at most a batch of them is in flight.
        while (next < end && retrieving < open) {
            if (stored_before(next)) {
                // Stored already, so it may go from the server at once.
                if (options.delete_after) {
                    array_printf(text, "dele %i\r\n", next);
                    commands += text->text;
                    in_flight.push_back({false, next, true});
                    retrieving++;
                    marked_before++;
                }
                next++;
                continue;
            }
            array_printf(text, options.headers_only ? "top %i 10\r\n" : "retr %i\r\n", next);
            commands += text->text;
            in_flight.push_back({true, next++});
            retrieving++;
        }
        if (commands.empty()) return 0;
        int result = session.send_all(commands.data(), static_cast<int>(commands.size()));
        commands.clear();
        if (result != 0) status.error("Socket error on send.\r\n");
        return result;
    }

    // A status line that is neither "+" nor "-" answers some other command.
    int out_of_step() {
        status.error(reply->text);
        status.error("\r\nReply out of step with the commands sent.\r\n");
        return pop3_no_quit;
    }

    int read_dele_reply() {
        bool counted = in_flight.front().counted;
        in_flight.pop_front();
        if (counted) retrieving--;
        if (recv_line(session, reply) != 0) {
            status.error("receiveline error\r\n");
            return -1;
        }
        if (reply->text[0] == '+') {
            if (counted) widen();
            return 0;
        }
        if (reply->text[0] != '-') return out_of_step();
        status.error(reply->text);
        status.error("\r\nIncorrect response from server.\r\n");
        return -1;
    }

    // The message's body into the open file; true when it came whole.
    bool receive_body(std::FILE* f, int k) {
        int size = sizes && k <= pop3_max_sizes ? static_cast<int32_t>(sizes->words[k - 1]) : 0;
        if (size == 0)
            array_printf(text, "#%i (unknown KB) ", k);
        else
            array_printf(text, "#%i (%.1f KB) ", k, size / 1024.0);
        status.line(text->text);
        status.progress_reset(1);
        BodyTransfer body{.terminator = "\r\n.\r\n",
                          .step_bytes = (size - 4) / 100,
                          .step_count = 100,
                          .dot_stuffed = true,
                          .at_line_start = true};
        return recv_body_to_file(f, session, body) == BODY_COMPLETE;
    }

    // The reply to the RETR (or TOP) at the head of the queue, into a
    // scratch file that waits in the batch. 0, -1 or pop3_no_quit.
    int receive_next() {
        int k = in_flight.front().number;
        in_flight.pop_front();
        retrieving--;
        std::FILE* f = open_received_file(status, scratch);
        if (!f) return -1;
        status.hold_file(f);
        int result = -1;
        if (recv_line(session, reply) != 0) {
            status.error("receiveline error\r\n");
        } else if (reply->text[0] == '-') {
            status.error(reply->text);
        } else if (reply->text[0] != '+') {
            result = out_of_step();
        } else if (receive_body(f, k)) {
            result = 0;
        }
        status.hold_file(nullptr);
        if (result != 0) {
            std::fclose(f);
            sys_remove_file(scratch->text);
            return result;
        }
        status.line(" done\r\n");
        // Whole: the system may start writing it while the next arrive.
        durable_files().start_flush(f);
        batch.push_back({f, scratch->text, k});
        widen();
        // The batch goes into the folder when it is full, or when no reply
        // of a message is next: at once without pipelining.
        if (static_cast<int>(batch.size()) >= batch_limit || in_flight.empty() || !in_flight.front().retrieve)
            return publish();
        return 0;
    }

    // Writes the batch's files through to the disk, moves them into the
    // folder and writes the folder through before any id records a message
    // as stored and before any DELE. The files went to the system as they
    // arrived (start_flush), so the flushes mostly wait for one journal
    // commit that covers the batch, and none of them waits behind a move.
    // 0, -1 or pop3_no_quit; a failure drops the rest of the batch.
    int publish() {
        int result = 0;
        // Written through before any move: once the server may delete a
        // message, its file is the only copy.
        size_t durable = 0;
        while (durable < batch.size() && durable_files().flush(batch[durable].file) == 0) durable++;
        const bool recorded = options.state && options.ids;
        std::vector<std::pair<int, std::string>> moved;  // message number, file in the folder
        for (size_t i = 0; i < batch.size(); i++) {
            Waiting& w = batch[i];
            if ((std::fclose(w.file) != 0 || i >= durable) && result == 0) result = pop3_no_quit;
            if (result == pop3_no_quit && !reported) {
                status.error(w.scratch.c_str());
                status.error(": could not write file to disk.\r\n");
                reported = true;
            }
            if (result == 0 && folder_put(numbers, w.scratch.c_str(), FOLDER_MOVE_DURABLE, path) != 0) result = -1;
            if (result != 0) {
                sys_remove_file(w.scratch.c_str());
                continue;
            }
            (*stored)++;
            moved.emplace_back(w.number, path->text);
            // The move is on the disk before the id says "stored", or a
            // power cut could keep the id and lose the move: a message no
            // later receive fetches. The id goes on the disk before the next
            // message moves in, so a crash brings back at most this one.
            if (recorded && (!sync_folder() || !record(w.number))) result = pop3_no_quit;
        }
        // Without ids, the batch's moves are on the disk before its DELEs.
        if (result != pop3_no_quit && !recorded && options.delete_after && !moved.empty() && !sync_folder())
            result = pop3_no_quit;
        for (const auto& [number, file] : moved) {
            if (result == pop3_no_quit) break;
            if (options.delete_after) {
                array_printf(text, "dele %i\r\n", number);
                commands += text->text;
                in_flight.push_back({false, number});
            }
            run_new_mail_command(status, file.c_str());
        }
        batch.clear();
        if (result != 0) {
            // The messages stored are marked all the same: QUIT, when it
            // may follow, deletes only what is in the folder.
            if (!commands.empty()) session.send_all(commands.data(), static_cast<int>(commands.size()));
            commands.clear();
            return result;
        }
        if (send_commands() != 0) return -1;
        // Without pipelining each DELE is answered before the next command,
        // as it always was; in a pipeline its reply comes in its turn.
        if (in_flight.size() == 1 && !in_flight.front().retrieve) return read_dele_reply();
        return 0;
    }
};

}  // namespace

int pop3_retrieve(MailSession& s, const char* folder, int first, int end, RetrieveOptions options, Array* sizes,
                  int* stored) {
    FolderNumbers own{folder};
    if (options.window < 1) options.window = 1;
    *stored = 0;
    Retrieval r{s, options, options.numbers ? options.numbers : &own, sizes, stored};
    r.next = first;
    r.end = end;
    int result = 0;
    if (first < end && !s.cancelled()) result = r.send_commands();
    else if (first < end) result = -1;
    while (result == 0 && !r.in_flight.empty()) {
        if (s.cancelled()) {
            result = -1;
        } else if (r.in_flight.front().retrieve) {
            result = r.receive_next();
        } else {
            result = r.read_dele_reply();
        }
        // A reply taken frees a place in the window.
        if (result == 0) result = r.send_commands();
    }
    // Messages received whole before a failure are kept.
    if (!r.batch.empty()) {
        int kept = r.publish();
        if (result == 0 || kept == pop3_no_quit) result = kept;
    }
    // The moves into the folder must survive a power cut before QUIT lets
    // the server expunge what was marked.
    // So must those of earlier sessions whose messages were marked here.
    // Not when no QUIT may follow anyway.
    if (result != pop3_no_quit && options.delete_after && (*stored > 0 || r.marked_before > 0) &&
        durable_files().sync_folder(folder) != 0) {
        s.status.error("Could not write the folder to disk.\r\n");
        result = pop3_no_quit;
    }
    return result;
}
