// Filling the message list from a folder of 10,000 messages of a few KB
// each: once without the list mirror (every message parsed, the mirror
// written) and once with the mirror in place, which should parse nothing.
// For each fill it prints the time, messages per second, the files the fill
// opened and what the kernel says the process read; mscan (mblaze) and
// grep -c over the same files are timed in the same run as reference points.
// The message files are in the page cache throughout (they were just
// written): "without mirror.dat" measures parsing, not the disk.
//
// The fill with the mirror reads mirror.dat once, front to back, and opens
// no message; the fill without it opens each message once and mirror.dat
// twice (the read that finds it missing, and the appends).
//
// Counting opens: bench/open_count.h. The kernel's read figures
// from /proc/self/io (read calls and bytes) are printed beside it as a check
// that does not depend on that hook.
#include <unistd.h>

#include <atomic>
#include <cctype>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include "bench/message_maker.h"
#include "bench/open_count.h"
#include "client/list_fill.h"
#include "client/view_state.h"
#include "core/app_state.h"
#include "core/log.h"
#include "core/ui_services.h"
#include "format/encoded_words.h"

namespace {

namespace fs = std::filesystem;
using bench::Expected;
using bench::MessageMaker;

constexpr int message_count = 10000;
constexpr int runs = 3;

// Checks each row against what was written, and folds the rows into one
// value so that two fills can be compared.
struct RowCheck {
    const std::vector<Expected>* expected;
    int rows = 0;
    int wrong = 0;
    int clears = 0;
    uint64_t digest = 1469598103934665603ull;
    void fold(const char* text) {
        for (const char* p = text; *p; p++) digest = (digest ^ static_cast<unsigned char>(*p)) * 1099511628211ull;
        digest = (digest ^ 0x1F) * 1099511628211ull;
    }
};

void on_clear(void* c) {
    auto* check = static_cast<RowCheck*>(c);
    check->rows = check->wrong = 0;
    check->clears++;
}
void on_expect(void*, int) {}
void on_row(void* c, int index, const RowData& data, const char* const columns[6]) {
    auto* check = static_cast<RowCheck*>(c);
    check->rows++;
    bool right = data.number == index + 1 && data.number <= message_count;
    if (right) {
        const Expected& e = (*check->expected)[static_cast<size_t>(data.number - 1)];
        std::string attachments = e.attachments ? "       " + std::to_string(e.attachments) : "";
        right = data.read == e.read && data.marked == e.marked && e.from_name == columns[0] &&
                e.subject == columns[2] && attachments == columns[4] && columns[1][0] && columns[3][0];
    }
    if (!right) check->wrong++;
    for (int i = 0; i < 6; i++) check->fold(columns[i]);
}
void on_finish(void*, int) {}

std::atomic<int> message_boxes{0};
int count_message_box(WindowRef, const char* text, const char*, unsigned) {
    std::fprintf(stderr, "message box: %s\n", text);
    message_boxes++;
    return UI_ANSWER_OK;
}

// Read calls and bytes read of this process, from the kernel.
struct ReadFigures {
    long long calls = 0, bytes = 0;
};
ReadFigures read_figures() {
    ReadFigures r;
    std::FILE* f = std::fopen("/proc/self/io", "r");
    if (!f) return r;
    char line[128];
    while (std::fgets(line, sizeof line, f)) {
        if (std::strncmp(line, "syscr:", 6) == 0) r.calls = std::atoll(line + 6);
        if (std::strncmp(line, "rchar:", 6) == 0) r.bytes = std::atoll(line + 6);
    }
    std::fclose(f);
    return r;
}

struct FillRun {
    double seconds = 0;
    int placed = 0;
    long mirror = 0, messages = 0, other = 0;
    ReadFigures read;
    RowCheck check;
};

FillRun fill_once(const std::vector<Expected>& expected) {
    FillRun run;
    run.check.expected = &expected;
    ListSink sink{&run.check, on_clear, on_expect, on_row, on_finish};
    // Reading /proc/self/io costs a few reads of its own: taken off below.
    static const ReadFigures own = [] {
        ReadFigures a = read_figures(), b = read_figures();
        return ReadFigures{b.calls - a.calls, b.bytes - a.bytes};
    }();
    ReadFigures before = read_figures();
    mirror_opens = message_opens = other_opens = 0;
    auto start = std::chrono::steady_clock::now();
    run.placed = fill_message_list(sink, nullptr, nullptr);
    run.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    run.mirror = mirror_opens;
    run.messages = message_opens;
    run.other = other_opens;
    ReadFigures after = read_figures();
    run.read = {after.calls - before.calls - own.calls, after.bytes - before.bytes - own.bytes};
    return run;
}

void fail(const char* what) {
    std::fprintf(stderr, "bench_list_fill: %s\n", what);
    std::exit(1);
}

// The best of `runs` fills; `prepare` runs before each one, untimed.
template <class Prepare>
FillRun best_fill(const std::vector<Expected>& expected, Prepare prepare) {
    FillRun best;
    best.seconds = 1e30;
    for (int i = 0; i < runs; i++) {
        prepare();
        FillRun run = fill_once(expected);
        if (run.placed != message_count || run.check.rows != message_count) fail("the fill did not list every message");
        if (run.check.wrong != 0) fail("rows differ from the messages written");
        if (message_boxes != 0) fail("the fill showed a message box");
        if (run.seconds < best.seconds) best = run;
    }
    return best;
}

void report(const char* what, const FillRun& run) {
    std::printf("%-32s %7.3f s %9.0f messages/s\n", what, run.seconds, message_count / run.seconds);
    std::printf("  files opened: %ld of mirror.dat, %ld of message files (%.1f a message), %ld others\n", run.mirror,
                run.messages, static_cast<double>(run.messages) / message_count, run.other);
    std::printf("  read by the kernel: %lld read calls, %.1f MB\n", run.read.calls,
                static_cast<double>(run.read.bytes) / 1e6);
}

bool have_tool(const char* name) { return std::system(("command -v " + std::string(name) + " >/dev/null 2>&1").c_str()) == 0; }

// Runs a shell command over the folder and returns its time, best of
// `runs`, or a negative value when its output does not have one line per
// message (the tool did not read them all).
double time_tool(const std::string& command) {
    std::fflush(stdout);
    double best = 1e30;
    for (int i = 0; i < runs; i++) {
        auto start = std::chrono::steady_clock::now();
        std::FILE* out = popen(command.c_str(), "r");
        if (!out) return -1;
        long lines = 0;
        int c;
        while ((c = std::getc(out)) != EOF)
            if (c == '\n') lines++;
        int status = pclose(out);
        double s = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        if (status != 0 || lines != message_count) {
            std::fprintf(stderr, "%s: status %d, %ld lines\n", command.c_str(), status, lines);
            return -1;
        }
        if (s < best) best = s;
    }
    return best;
}

void report_tool(const char* tool, const char* what, const std::string& command) {
    if (!have_tool(tool)) {
        std::printf("%-32s skipped: %s is not installed\n", what, tool);
        return;
    }
    double s = time_tool(command);
    if (s < 0)
        std::printf("%-32s FAILED (see above)\n", what);
    else
        std::printf("%-32s %7.3f s %9.0f messages/s\n", what, s, message_count / s);
}

}  // namespace

int main() {
    fs::path program = fs::temp_directory_path() / ("zm-bench-list-" + std::to_string(getpid()));
    fs::path inbox = program / "maildir" / "inbox";
    fs::create_directories(program / "temp");
    fs::create_directories(inbox);
    // mscan's own state folder, with the empty current sequence it looks for.
    fs::create_directories(program / "mblaze");
    std::ofstream(program / "mblaze" / "seq");
    fs::current_path(program);
    create_app_state();
    if (log_open("zmlog.txt") != 0) fail("cannot open the log");
    UiServices quiet = quiet_ui_services(count_message_box);
    ui_install(&quiet);
    array_copy(app.current_folder, "maildir\\inbox");
    list_cancel = 0;

    MessageMaker maker;
    std::vector<Expected> expected;
    for (int n = 1; n <= message_count; n++) expected.push_back(maker.write(inbox, n));
    int with_attachments = 0;
    for (Expected& e : expected) {
        with_attachments += e.attachments ? 1 : 0;
        // The list shows subjects decoded from their encoded words.
        e.subject = decode_header_text(e.subject);
    }
    std::printf("%d messages, %.1f MB (%.1f KB each on average, %d with base64 attachments); best of %d runs each\n",
                message_count, static_cast<double>(maker.bytes_written) / 1e6,
                static_cast<double>(maker.bytes_written) / 1024.0 / message_count, with_attachments, runs);

    const fs::path mirror = inbox / "mirror.dat";
    FillRun cold = best_fill(expected, [&] { fs::remove(mirror); });
    // Without the mirror every message is read: an open count of nothing
    // would mean the count above does not see the store's opens.
    if (cold.messages < message_count) fail("the open count missed the message files");
    report("fill without mirror.dat", cold);
    FillRun warm = best_fill(expected, [] {});
    report("fill with mirror.dat", warm);
    if (warm.check.digest != cold.check.digest) fail("the fill with the mirror lists other rows than the one without");
    // The digest tells whether two builds list the same rows for the folder.
    std::printf("mirror.dat: %.1f MB; rows of both fills agree (digest %016llx)\n",
                static_cast<double>(fs::file_size(mirror)) / 1e6, static_cast<unsigned long long>(cold.check.digest));

    // The reference tools get the message files only, not the mirror.
    std::string in_inbox = "cd '" + inbox.string() + "' && ";
    report_tool("mscan", "mscan (mblaze), same files",
                in_inbox + "ls | grep '^mm.*\\.eml$' | MBLAZE='" + (program / "mblaze").string() + "' mscan");
    report_tool("grep", "grep -c '^Subject:', same files", in_inbox + "grep -c '^Subject:' mm*.eml");

    fs::current_path(program.parent_path());
    std::error_code ignored;
    fs::remove_all(program, ignored);
    return 0;
}
