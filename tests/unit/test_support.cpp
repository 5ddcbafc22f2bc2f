#include "tests/unit/test_support.h"

#include <atomic>
#include <fstream>
#include <mutex>
#include <random>
#include <sstream>

#include "core/app_state.h"
#include "core/window_number.h"
#include "core/log.h"
#include "core/quit.h"
#include "store/busy_folders.h"
#include "transport/sys_socket.h"

// The test program, like the client, shows the buffer library's faults in
// its message box, which the tests' recorders capture.
const bool faults_in_message_box = (set_fault_report(show_fault_box), true);

namespace {

UiRecorder* active_recorder = nullptr;
std::atomic<int> quit_requests{0};

// Boxes may come from several threads at once (two searches).
std::mutex box_lock;

int record_box(WindowRef, const char* text, const char* caption, unsigned style) {
    std::lock_guard<std::mutex> hold(box_lock);
    UiRecorder* r = active_recorder;
    r->boxes.push_back({text, caption, style});
    if (!r->answers.empty()) {
        int answer = r->answers.front();
        r->answers.erase(r->answers.begin());
        return answer;
    }
    return (style & 0xF) == UI_YESNO ? UI_ANSWER_NO : UI_ANSWER_OK;
}
void record_clear(WindowRef) { active_recorder->status_calls.push_back("clear"); }
void record_add(WindowRef, const char* text) { active_recorder->status_calls.push_back(std::string("add:") + text); }
void record_start(WindowRef) { active_recorder->status_calls.push_back("start"); }
void record_step(WindowRef) { active_recorder->progress_steps++; }
bool record_skip(WindowRef) { return active_recorder->skip; }
int fake_window = 0;
WindowRef record_open(WindowRef, int target) {
    active_recorder->job_calls.push_back("open " + std::to_string(target));
    return &fake_window;
}
void record_close(WindowRef) { active_recorder->job_calls.push_back("close"); }
void record_socket(WindowRef, long long s) {
    active_recorder->job_calls.push_back(s < 0 ? "socket none" : "socket");
    active_recorder->last_socket = s;
}
bool record_cancelled(WindowRef) { return active_recorder->cancelled; }
void record_file(WindowRef, void* f) { active_recorder->job_calls.push_back(f ? "file" : "file none"); }
void record_ok(WindowRef, bool on) { active_recorder->job_calls.push_back(std::string("ok ") + (on ? "1" : "0")); }
void record_skip_button(WindowRef, bool on) {
    active_recorder->job_calls.push_back(std::string("skip ") + (on ? "1" : "0"));
}
void record_reset(WindowRef, int step) { active_recorder->job_calls.push_back("reset " + std::to_string(step)); }
int record_command(int command, const char* path) {
    switch (command) {
    case 121: busy_folders_add(path); return 0;
    case 122: return busy_folders_remove(path);
    case 123: return busy_folders_contains(path);
    default: return 0;
    }
}
const UiServices recording{.message_box = record_box,
                           .status_clear = record_clear,
                           .status_add = record_add,
                           .status_show_start = record_start,
                           .progress_step = record_step,
                           .skip_pressed = record_skip,
                           .open_status_window = record_open,
                           .close_status_window = record_close,
                           .register_socket = record_socket,
                           .register_file = record_file,
                           .enable_ok = record_ok,
                           .enable_skip = record_skip_button,
                           .progress_reset = record_reset,
                           .main_command = record_command,
                           .job_cancelled = record_cancelled,
                           .before_folder_write = nullptr,
                           .progress_advance = nullptr};

int count_quit() {
    quit_requests++;
    return 0;
}

}  // namespace

RecorderHost& recorder_jobs() {
    static RecorderHost host;
    return host;
}

UiRecorder::UiRecorder() {
    recorder_jobs().opened.clear();
    active_recorder = this;
    ui_install(&recording);
}

UiRecorder::~UiRecorder() {
    ui_install(nullptr);
    active_recorder = nullptr;
}

std::vector<std::string> UiRecorder::box_texts() const {
    std::vector<std::string> texts;
    for (const RecordedBox& b : boxes) texts.push_back(b.text);
    return texts;
}

void UiRecorder::cancel() {
    cancelled = true;
    long long s = last_socket.load();
    if (s >= 0) sys_socket_abort(static_cast<Socket>(s));
}

std::string UiRecorder::status_text() const {
    std::string all;
    for (const std::string& call : status_calls)
        if (call.rfind("add:", 0) == 0) all += call.substr(4);
    return all;
}

void RecorderSink::show(const char* text, bool failure) {
    active_recorder->status_calls.push_back(std::string("add:") + text);
    if (failure) errors += text;
}
void RecorderSink::progress_reset(int step) { record_reset(&fake_window, step); }
void RecorderSink::progress_advance(int steps) {
    if (steps > 0) active_recorder->progress_steps += steps;
}
bool RecorderSink::skip_pressed() { return active_recorder->skip; }
bool RecorderSink::cancelled() { return active_recorder->cancelled; }
void RecorderSink::hold_socket(Socket s) { record_socket(&fake_window, static_cast<long long>(s)); }
void RecorderSink::hold_file(std::FILE* file) { record_file(&fake_window, file); }
int RecorderSink::scratch_number() { return window_number(&fake_window); }
void RecorderSink::enable_ok(bool enabled) { record_ok(&fake_window, enabled); }
void RecorderSink::enable_skip(bool enabled) { record_skip_button(&fake_window, enabled); }
void RecorderSink::close() { record_close(&fake_window); }

JobStatus& RecorderHost::open_status(int target) {
    record_open(nullptr, target);
    opened.push_back(std::make_unique<RecorderSink>());
    return *opened.back();
}

QuitRecorder::QuitRecorder() {
    quit_requests = 0;
    set_quit_handler(count_quit);
}

QuitRecorder::~QuitRecorder() { set_quit_handler(nullptr); }

int QuitRecorder::count() const { return quit_requests.load(); }

void FolderTest::SetUp() {
    previous_ = std::filesystem::current_path();
    std::random_device seed;
    folder_ = std::filesystem::temp_directory_path() /
              ("zmtest-" + std::to_string(seed()) + "-" + std::to_string(seed()));
    std::filesystem::create_directories(folder_);
    std::filesystem::current_path(folder_);
}

void StoreTest::SetUp() {
    FolderTest::SetUp();
    if (!app.program_folder) create_app_state();
    ASSERT_EQ(log_open("zmlog.txt"), 0);
    std::filesystem::create_directories(folder_ / "temp");
}

void FolderTest::TearDown() {
    log_close();
    std::filesystem::current_path(previous_);
    std::error_code ignored;
    std::filesystem::remove_all(folder_, ignored);
}

std::string read_file(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream bytes;
    bytes << in.rdbuf();
    return bytes.str();
}

std::filesystem::path corpus_folder() {
    std::string source = __FILE__;
#ifdef _WIN32
    // Under Wine the build machine's root is drive Z:.
    if (!source.empty() && source[0] == '/') source = "Z:" + source;
#endif
    std::filesystem::path root = std::filesystem::path(source).parent_path() / ".." / "..";
    std::filesystem::path corpus = root / ".." / "shared" / "corpus" / "mail-parser";
    if (!std::filesystem::exists(corpus)) {
        std::filesystem::path outer = root / ".." / ".." / "shared" / "corpus" / "mail-parser";
        if (std::filesystem::exists(outer)) corpus = outer;
    }
    return corpus;
}

void write_file(const std::filesystem::path& path, const std::string& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << bytes;
}

// The socket library is started once for every test, as the client does at
// start-up.
[[maybe_unused]] const int socket_library = sys_net_startup();
