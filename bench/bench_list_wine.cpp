// Opening a large folder in the real client under Wine, beside the native
// fill of the same folder in the same run.
//
// For each size (10,000 messages, then 100,000; or the sizes given as
// arguments) it writes a program folder whose inbox holds that many
// real-sized messages (bench/message_maker.h, one in six with attachments)
// and then:
// - fills the list natively in this process, without mirror.dat (cold) and
//   with it (warm), and prints the time and the files each fill opened;
// - starts zenthmail.exe under Wine on the folder, cold and warm, and
//   prints the client's own "Displayed messages in N ms" figure and the
//   wall time from the start of the process until that line is in the log;
// - prints how much more memory (resident set) the client holds once the
//   folder is listed than it holds over an empty inbox.
// At 100,000 messages the cold runs under Wine are left out (the native
// cold fill writes the mirror the warm runs read).
//
// Needs the Windows build (ZM_DIST, else build/win64/dist below the current
// folder), wine, and a display: run it after `source scripts/wine-env.sh;
// start_display`. Without them it says so and ends. "--runs N" takes each
// figure N times instead of three. With ZM_BENCH_KEEP set the program
// folders stay for a look at the client over them.
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "bench/message_maker.h"
#include "bench/open_count.h"
#include "client/list_fill.h"
#include "client/view_state.h"
#include "core/app_state.h"
#include "core/log.h"
#include "core/ui_services.h"

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

int runs = 3;  // each figure is taken this often ("--runs N")

double seconds_since(Clock::time_point start) {
    return std::chrono::duration<double>(Clock::now() - start).count();
}

void fail(const std::string& what) {
    std::fprintf(stderr, "bench_list_wine: %s\n", what.c_str());
    std::exit(1);
}

int message_boxes = 0;
int count_message_box(WindowRef, const char* text, const char*, unsigned) {
    std::fprintf(stderr, "message box: %s\n", text);
    message_boxes++;
    return UI_ANSWER_OK;
}

// The native fill: rows are counted, nothing else.
struct Count {
    int rows = 0;
};
void on_clear(void* c) { static_cast<Count*>(c)->rows = 0; }
void on_expect(void*, int) {}
void on_row(void* c, int, const RowData&, const char* const[6]) { static_cast<Count*>(c)->rows++; }
void on_finish(void*, int) {}

struct NativeRun {
    double seconds = 1e30;
    long mirror = 0, messages = 0;
};

NativeRun native_fill(int count, bool cold, const fs::path& inbox) {
    NativeRun best;
    for (int i = 0; i < runs; i++) {
        if (cold) fs::remove(inbox / "mirror.dat");
        Count rows;
        ListSink sink{&rows, on_clear, on_expect, on_row, on_finish};
        mirror_opens = message_opens = other_opens = 0;
        auto start = Clock::now();
        int placed = fill_message_list(sink, nullptr, nullptr);
        double s = seconds_since(start);
        if (placed != count || rows.rows != count) fail("the native fill did not list every message");
        if (message_boxes) fail("the native fill showed a message box");
        if (s < best.seconds) best = NativeRun{s, mirror_opens.load(), message_opens.load()};
    }
    return best;
}

// The "Displayed messages in N ms" figures of the log, in order.
std::vector<int> displayed_figures(const fs::path& log) {
    std::ifstream in(log, std::ios::binary);
    std::vector<int> figures;
    std::string line;
    const std::string key = "Displayed messages in ";
    while (std::getline(in, line)) {
        size_t at = line.find(key);
        if (at != std::string::npos) figures.push_back(std::atoi(line.c_str() + at + key.size()));
    }
    return figures;
}

// Processes whose working folder is the program folder: the client (and
// its helper) that this program started there.
std::vector<pid_t> processes_in(const fs::path& folder) {
    std::vector<pid_t> found;
    std::error_code error;
    for (const fs::directory_entry& e : fs::directory_iterator("/proc", error)) {
        std::string name = e.path().filename().string();
        if (name.find_first_not_of("0123456789") != std::string::npos) continue;
        std::error_code ignored;
        fs::path cwd = fs::read_symlink(e.path() / "cwd", ignored);
        if (!ignored && cwd == folder) found.push_back(static_cast<pid_t>(std::atoi(name.c_str())));
    }
    return found;
}

bool runs_program(pid_t pid, const char* name) {
    if (pid == getpid()) return false;
    std::ifstream in("/proc/" + std::to_string(pid) + "/cmdline", std::ios::binary);
    std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    return text.find(name) != std::string::npos;
}

long resident_kb(pid_t pid) {
    std::ifstream in("/proc/" + std::to_string(pid) + "/status");
    std::string line;
    while (std::getline(in, line))
        if (line.rfind("VmRSS:", 0) == 0) return std::atol(line.c_str() + 6);
    return -1;
}

struct WineRun {
    int client_ms = -1;     // the client's own figure
    double wall = 0;        // from the process start to the log line
    long resident_kb = -1;  // the client's resident set then
};

// Starts the client in the program folder, waits for its next "Displayed
// messages" line (up to `limit` seconds), measures and ends it.
WineRun wine_open(const fs::path& program, double limit) {
    const fs::path log = program / "zmlog.txt";
    size_t before = displayed_figures(log).size();
    auto start = Clock::now();
    pid_t child = fork();
    if (child == 0) {
        if (chdir(program.c_str()) != 0) _exit(127);
        execlp("wine", "wine", "zenthmail.exe", static_cast<char*>(nullptr));
        _exit(127);
    }
    if (child < 0) fail("cannot start wine");
    WineRun run;
    for (;;) {
        std::vector<int> figures = displayed_figures(log);
        if (figures.size() > before) {
            run.wall = seconds_since(start);
            run.client_ms = figures.back();
            break;
        }
        if (seconds_since(start) > limit) break;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    // Give the list a moment to draw its first screen, then read the memory.
    std::this_thread::sleep_for(std::chrono::milliseconds(500));
    for (pid_t pid : processes_in(program))
        if (runs_program(pid, "zenthmail.exe")) run.resident_kb = resident_kb(pid);
    // The client and its file-dialog helper, both started here.
    for (pid_t pid : processes_in(program))
        if (runs_program(pid, ".exe")) kill(pid, SIGKILL);
    kill(child, SIGKILL);
    waitpid(child, nullptr, 0);
    // The killed processes' wineserver bookkeeping settles before the next start.
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    return run;
}

void print_wine(const char* what, const std::vector<WineRun>& done) {
    std::printf("  wine %-5s", what);
    for (const WineRun& r : done) {
        if (r.client_ms < 0)
            std::printf("  [no list within the time limit]");
        else
            std::printf("  [%.3f s client, %.2f s wall]", r.client_ms / 1000.0, r.wall);
    }
    std::printf("\n");
}

void bench_size(int count, const fs::path& dist) {
    fs::path program = fs::temp_directory_path() / ("zm-bench-wine-" + std::to_string(getpid()));
    fs::path inbox = program / "maildir" / "inbox";
    fs::remove_all(program);
    fs::create_directories(inbox);
    fs::create_directories(program / "temp");
    for (const char* exe : {"zenthmail.exe", "zenth-picker.exe"})
        fs::copy_file(dist / exe, program / exe, fs::copy_options::overwrite_existing);
    std::ofstream(program / "accountdata.cfg");  // no question about setting up an account

    // The client over an empty inbox: what it holds before any row.
    WineRun empty = wine_open(program, 60);
    if (empty.client_ms < 0) fail("the client did not list its empty inbox under Wine");

    bench::MessageMaker maker;
    int with_attachments = 0;
    for (int n = 1; n <= count; n++) with_attachments += maker.write(inbox, n).attachments ? 1 : 0;
    std::printf("%d messages, %.1f MB, %d with attachments; the client starts under Wine in %.2f s (empty inbox)\n",
                count, static_cast<double>(maker.bytes_written) / 1e6, with_attachments, empty.wall);

    const fs::path here = fs::current_path();
    fs::current_path(program);
    array_copy(app.current_folder, "maildir\\inbox");
    list_cancel = 0;
    NativeRun cold = native_fill(count, true, inbox);
    NativeRun warm = native_fill(count, false, inbox);
    fs::current_path(here);
    std::printf("  native cold %7.3f s  files opened: %ld of mirror.dat, %ld of message files (%.2f a message)\n",
                cold.seconds, cold.mirror, cold.messages, static_cast<double>(cold.messages) / count);
    std::printf("  native warm %7.3f s  files opened: %ld of mirror.dat, %ld of message files\n", warm.seconds,
                warm.mirror, warm.messages);

    const double limit = 600;
    if (count <= 20000) {
        std::vector<WineRun> done;
        for (int i = 0; i < runs; i++) {
            fs::remove(inbox / "mirror.dat");
            done.push_back(wine_open(program, limit));
        }
        print_wine("cold", done);
    }
    std::vector<WineRun> done;
    long growth = -1;
    for (int i = 0; i < runs; i++) {
        done.push_back(wine_open(program, limit));
        if (done.back().resident_kb >= 0 && empty.resident_kb >= 0)
            growth = done.back().resident_kb - empty.resident_kb;
    }
    print_wine("warm", done);
    std::printf("  client memory: %.1f MB over an empty inbox, %+.1f MB with the folder listed\n",
                empty.resident_kb / 1024.0, growth / 1024.0);

    if (std::getenv("ZM_BENCH_KEEP")) {
        // Kept for a look at the client over it.
        fs::path kept = program.string() + "-" + std::to_string(count);
        fs::rename(program, kept);
        std::printf("  program folder kept: %s\n", kept.c_str());
        return;
    }
    std::error_code ignored;
    fs::remove_all(program, ignored);
}

}  // namespace

int main(int argc, char** argv) {
    const char* dist_env = std::getenv("ZM_DIST");
    fs::path dist = fs::absolute(dist_env ? dist_env : "build/win64/dist");
    if (!fs::exists(dist / "zenthmail.exe")) {
        std::printf("skipped: no %s (set ZM_DIST to the Windows program folder)\n",
                    (dist / "zenthmail.exe").c_str());
        return 0;
    }
    if (!std::getenv("DISPLAY") || std::system("command -v wine >/dev/null 2>&1") != 0) {
        std::printf("skipped: needs wine and a display (source scripts/wine-env.sh; start_display)\n");
        return 0;
    }
    create_app_state();
    UiServices quiet = quiet_ui_services(count_message_box);
    ui_install(&quiet);
    std::vector<int> sizes;
    for (int i = 1; i < argc; i++) {
        if (std::strcmp(argv[i], "--runs") == 0 && i + 1 < argc)
            runs = std::atoi(argv[++i]);
        else
            sizes.push_back(std::atoi(argv[i]));
    }
    if (sizes.empty()) sizes = {10000, 100000};
    for (int count : sizes) bench_size(count, dist);
    return 0;
}
