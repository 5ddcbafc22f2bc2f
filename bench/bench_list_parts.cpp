// Where the time of a cold list fill goes, step by step, on the list
// benchmark's folder of 10,000 messages: listing the folder, opening and
// closing each message, opening each and reading its start, summarising each message (open, read and
// parse), and the whole fill without and with mirror.dat, without a window.
// Built natively and for Windows, so that under Wine the same steps can be
// held against the native ones: what Wine adds to each step shows there.
// Each step runs three times; the best and the worst time are printed.
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "bench/message_maker.h"
#include "client/list_fill.h"
#include "client/view_state.h"
#include "core/app_state.h"
#include "core/file_reads.h"
#include "core/log.h"
#include "core/sys_files.h"
#include "core/ui_services.h"
#include "store/list_mirror.h"
#include "store/message_files.h"
#include "store/message_summary.h"

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

constexpr int message_count = 10000;
constexpr int runs = 3;
const char* const folder = "maildir\\inbox";

void fail(const char* what) {
    std::fprintf(stderr, "bench_list_parts: %s\n", what);
    std::exit(1);
}

int quiet_box(WindowRef, const char* text, const char*, unsigned) {
    std::fprintf(stderr, "message box: %s\n", text);
    return UI_ANSWER_OK;
}

// Runs the step `runs` times (`prepare` before each, untimed) and prints
// the best and worst time with what one message costs at best.
template <class Step, class Prepare>
void time_step(const char* what, Step step, Prepare prepare) {
    double best = 1e30, worst = 0;
    for (int i = 0; i < runs; i++) {
        prepare();
        auto start = Clock::now();
        step();
        double s = std::chrono::duration<double>(Clock::now() - start).count();
        if (s < best) best = s;
        if (s > worst) worst = s;
    }
    std::printf("%-40s %7.3f - %7.3f s  %6.1f us a message\n", what, best, worst, best * 1e6 / message_count);
}

void no_rows(void*) {}
void no_count(void*, int) {}
void no_row(void*, int, const RowData&, const char* const[6]) {}

}  // namespace

int main() {
    fs::path program = fs::temp_directory_path() / "zm-bench-list-parts";
    std::error_code ignored;
    fs::remove_all(program, ignored);
    fs::create_directories(program / "maildir" / "inbox");
    fs::create_directories(program / "temp");
    fs::current_path(program);
    create_app_state();
    if (log_open("zmlog.txt") != 0) fail("cannot open the log");
    UiServices quiet = quiet_ui_services(quiet_box);
    ui_install(&quiet);
    array_copy(app.current_folder, folder);
    list_cancel = 0;

    bench::MessageMaker maker;
    for (int n = 1; n <= message_count; n++) maker.write(program / "maildir" / "inbox", n);
    std::printf("%d messages, %.1f MB; each step %d times, best - worst\n", message_count,
                static_cast<double>(maker.bytes_written) / 1e6, runs);

    std::vector<MessageFile> files;
    auto nothing = [] {};
    time_step("list the folder (names and sizes)", [&] { files = list_message_files(folder); }, nothing);
    if (static_cast<int>(files.size()) != message_count) fail("the folder does not list every message");

    std::vector<std::string> paths;
    Array* path = array_new(message_path_capacity);
    for (const MessageFile& f : files) {
        message_file_path(path, folder, f.number);
        paths.push_back(path->text);
    }
    delete_arrays(path);

    time_step("open and close, nothing read", [&] {
        for (const std::string& p : paths) {
            SysReadFile f;
            if (!sys_open_reading(p.c_str(), &f)) fail("a message cannot be opened");
            sys_close_reading(&f);
        }
    }, nothing);

    std::vector<char> start(held_window_bytes);
    time_step("open, read the first 64 KB, close", [&] {
        for (const std::string& p : paths) {
            SysReadFile f;
            if (!sys_open_reading(p.c_str(), &f)) fail("a message cannot be opened");
            if (sys_read_at(&f, 0, start.data(), start.size()) <= 0) fail("a message cannot be read");
            sys_close_reading(&f);
        }
    }, nothing);

    MessageSummary* summary = summary_new();
    time_step("summarise each message for its row", [&] {
        for (const std::string& p : paths)
            if (summarise_for_row(p.c_str(), summary) != SUMMARY_OK) fail("a message cannot be summarised");
    }, nothing);
    summary_delete(summary);

    const std::string mirror = std::string(folder) + "\\mirror.dat";
    ListSink sink{nullptr, no_rows, no_count, no_row, no_count};
    int placed = 0;
    auto fill = [&] { placed = fill_message_list(sink, nullptr, nullptr); };
    time_step("fill without mirror.dat (no window)", fill, [&] { sys_remove_file(mirror.c_str()); });
    if (placed != message_count) fail("the fill did not place every message");
    time_step("fill with mirror.dat (no window)", fill, nothing);
    if (placed != message_count) fail("the fill did not place every message");

    log_close();
    fs::current_path(program.parent_path());
    fs::remove_all(program, ignored);
    return 0;
}
