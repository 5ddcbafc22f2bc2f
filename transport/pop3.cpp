#include "transport/pop3.h"

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "core/app_state.h"
#include "core/processes.h"
#include "core/sys_files.h"
#include "format/address_list.h"
#include "format/dates.h"
#include "format/temp_files.h"
#include "format/text_search.h"
#include "store/message_files.h"
#include "store/message_summary.h"
#include "transport/auth.h"
#include "transport/connect.h"
#include "transport/socket_lines.h"

namespace {

// Jobs may download side by side; each message gets a scratch file of its own.
std::atomic<int> next_scratch_number{1};

// Reads the reply to AUTH one byte at a time into `reply`, line by line, up
// to the dot line; a first line beginning with "-" ends it early. A closed
// or failed connection ends it too.
int read_auth_list(Socket s, Array* reply) {
    array_clear(reply);
    size_t length = 0;
    size_t line_start = 0;
    bool first_line = true;
    for (;;) {
        char c;
        if (sys_recv(s, &c, 1) != 1) return -1;
        if (length < 514) reply->chars[length++] = c;
        if (c != '\n') continue;
        char begins = reply->text[line_start];
        if ((first_line && begins == '-') || begins == '.') return 0;
        first_line = false;
        line_start = length;
        // A list that no longer fits cannot end in a dot line we could see.
        if (length >= 514) return -1;
    }
}

// Copies the file and the summary of a stored message into the environment
// of the new-message command and runs it.
void run_new_mail_command(WindowRef window, const char* path) {
    MessageSummary* summary = summary_new();
    read_summary(0, summary, path);
    Array* to = array_new(address_field_capacity);
    join_list(summary->recipients, to, 100, 12630);
    EnvironmentVariable variables[] = {{"FILE", path},
                                       {"FROM", summary->from->text},
                                       {"NAME", summary->from_name->text},
                                       {"ADDRESS", summary->from_address->text},
                                       {"TO", to->text},
                                       {"SUBJECT", summary->subject->text},
                                       {"DATE", summary->date->text}};
    if (sys_run_command(app.new_mail_command->text, variables, 7, 30000) == COMMAND_TIMED_OUT)
        status_append(window, "Timeout on command.\r\n");
    delete_arrays(to);
    summary_delete(summary);
}

// Moves a complete message from its scratch name to the next free number
// of the folder; numbers taken meanwhile are stepped over.
int publish_message(const char* scratch, const char* folder, Array* path) {
    for (int attempt = 0; attempt < 100; attempt++) {
        message_file_path(path, folder, last_message_number(folder) + 1);
        if (sys_rename(scratch, path->text) == 0) return 0;
    }
    return -1;
}

}  // namespace

int pop3_login(Socket s, WindowRef window, Array* reply, Array* command, const char* server, const char* user,
               const char* password, bool use_auth, bool encrypted_only) {
    Array* host = array_new(100);
    array_copy(host, server);
    int port = split_server_port(host, 110);
    NetAddress address;
    int result = -1;
    if (port == 0) {
        status_append(window, "Invalid POP3 port number.\r\n");
    } else if (resolve_server(host->text, &address.address) != 0) {
        status_append(window, "Cannot resolve POP3 server name.\r\nSee readme file for explanation.\r\n");
    } else if (address.port = port_to_network(port), net_connect(s, address) != 0) {
        status_append(window, "Cannot connect to POP3 server.\r\nSee readme file for explanation.\r\n");
    } else {
        status_append(window, "Connected to server.\r\n");
        if (recv_line(s, reply, nullptr) != 0) {
            status_append(window, "receiveline error\r\n");
        } else if (!use_auth) {
            array_printf(command, "user %.80s\r\n", user);
            if (send_pop3_command(s, command->text, window, false) == 0) {
                array_printf(command, "pass %.80s\r\n", password);
                if (send_pop3_command(s, command->text, window, false) == 0) result = 0;
            }
        } else if (send_pop3_command(s, "auth\r\n", window, true) == 0) {
            if (read_auth_list(s, reply) != 0) {
                status_append(window, "receiveline error\r\n");
            } else if (reply->text[0] == '-') {
                status_append(window, reply->text);
                status_append(window, "POP3 server does not support authentication.\r\n");
            } else if (find_text_nocase(reply->text, "\r\nCRAM-MD5\r\n")) {
                if (auth_cram_md5(window, s, user, password, send_pop3_command))
                    result = 0;
                else
                    status_append(window, "Cram-md5 authorisation error!\r\n");
            } else if (!encrypted_only && find_text_nocase(reply->text, "\r\nPLAIN\r\n")) {
                if (auth_plain(window, s, user, password, send_pop3_command))
                    result = 0;
                else
                    status_append(window, "Plain authorisation error!\r\n");
            } else {
                status_append(window, reply->text);
                status_append(window, "POP3 server does not support requested authentication.\r\n");
            }
        }
    }
    array_clear(reply);
    delete_arrays(host);
    return result;
}

int pop3_list(Socket s, WindowRef window, Array* sizes) {
    if (send_pop3_command(s, "list\r\n", window, true) != 0) return -1;
    char last[5] = {};
    int line_feeds = 0;
    int stored = 0;
    bool in_size = false;
    char field[1000];
    int field_length = 0;
    bool first_byte = true;
    for (;;) {
        char c;
        if (sys_recv(s, &c, 1) != 1) return -1;  // closed before the end
        // An error instead of a listing is the whole reply.
        if (first_byte && c == '-') {
            Array* rest = array_new(520);
            recv_line(s, rest, nullptr);
            status_append(window, "-");
            status_append(window, rest->text);
            delete_arrays(rest);
            return -1;
        }
        first_byte = false;
        std::memmove(last, last + 1, 4);
        last[4] = c;
        if (c == '\n') line_feeds++;
        if (sizes && line_feeds >= 1) {
            if (c == ' ' && !in_size) {
                in_size = true;
                field_length = 0;
            } else if (c == '\r' && in_size) {
                field[field_length] = 0;
                if (stored < pop3_max_sizes) array_set_int32(sizes, stored++, std::atoi(field));
                in_size = false;
            } else if (in_size && c != ' ' && field_length < 999) {
                field[field_length++] = c;
            }
        }
        if (std::memcmp(last, "\r\n.\r\n", 5) == 0) break;
    }
    return line_feeds - 2;
}

int pop3_retrieve(Socket s, WindowRef window, const char* folder, int first, int end, bool headers_only,
                  bool delete_after, Array* sizes, int* stored) {
    Array* scratch = array_new(100);
    Array* path = array_new(message_path_capacity);
    Array* command = array_new(100);
    Array* reply = array_new(520);
    Array* text = array_new(200);
    int result = 0;
    *stored = 0;
    for (int k = first; k < end && result == 0; k++) {
        if (job_cancelled(window)) {
            result = -1;
            break;
        }
        // The message is written under a scratch name no listing counts, and
        // only a complete one moves into the folder: a cancelled or broken
        // download leaves nothing behind there.
        temp_file_name(scratch, "pop3in", next_scratch_number++);
        std::FILE* f = sys_fopen(scratch->text, "wb");
        if (!f) {
            status_append(window, scratch->text);
            status_append(window, ": could not open file.\r\n");
            result = -1;
            break;
        }
        register_file(window, f);

        array_printf(command, headers_only ? "top %i 10\r\n" : "retr %i\r\n", k);
        bool complete = false;
        if (send_pop3_command(s, command->text, window, true) != 0) {
            // The command function has reported.
        } else if (recv_line(s, reply, nullptr) != 0) {
            status_append(window, "receiveline error\r\n");
        } else if (reply->text[0] == '-') {
            status_append(window, reply->text);
        } else {
            int size = sizes && k <= pop3_max_sizes ? static_cast<int32_t>(sizes->words[k - 1]) : 0;
            if (size == 0)
                array_printf(text, "#%i (unknown KB) ", k);
            else
                array_printf(text, "#%i (%.1f KB) ", k, size / 1024.0);
            status_append(window, text->text);
            progress_reset(window, 1);

            Array* received = array_new(100);
            format_date_field(received);
            std::fprintf(f, "X-ZMRead: FALSE\r\nX-Received%s\r\n", received->text);
            delete_arrays(received);

            const char* after = std::strchr(reply->text, '\n');
            BodyTransfer body{"\r\n.\r\n", window, (size - 4) / 100, 100, true, true};
            if (after && after[1]) {
                body.pending = after + 1;
                body.pending_length = static_cast<int>(std::strlen(after + 1));
            }
            complete = recv_body_to_file(f, s, &body) == BODY_COMPLETE;
        }
        register_file(window, nullptr);
        bool closed = std::fclose(f) == 0;
        if (!complete || !closed || publish_message(scratch->text, folder, path) != 0) {
            sys_remove_file(scratch->text);
            result = -1;
            break;
        }
        (*stored)++;
        if (delete_after) {
            array_printf(command, "dele %i\r\n", k);
            if (send_pop3_command(s, command->text, window, false) != 0) {
                result = -1;
                break;
            }
        }
        status_append(window, " done");
        status_append(window, "\r\n");
        if (app.new_mail_command->text[0]) run_new_mail_command(window, path->text);
    }
    delete_arrays(scratch, path, command, reply, text);
    return result;
}

int pop3_quit(Socket s, WindowRef window) {
    int result = send_pop3_command(s, "quit\r\n", window, false);
    sys_socket_close(s);
    return result;
}
