#include "tests/unit/test_support.h"

#include <algorithm>
#include <atomic>
#include <fstream>
#include <mutex>
#include <random>
#include <sstream>

#include "core/app_state.h"
#include "core/window_number.h"
#include "core/log.h"
#include "core/quit.h"
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
// The job side: one line a call.
void record_job(const std::string& call) { active_recorder->job_calls.push_back(call); }
const char* on_off(bool on) { return on ? "1" : "0"; }
// Stands for every recorder sink's window, for its scratch number.
int fake_window = 0;
const UiServices recording{.message_box = record_box,
                           .status_clear = record_clear,
                           .status_add = record_add,
                           .status_show_start = record_start};

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
    recorder_jobs().on_show.clear();
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
void RecorderSink::progress_reset(int step) { record_job("reset " + std::to_string(step)); }
void RecorderSink::progress_advance(int steps) {
    if (steps > 0) active_recorder->progress_steps += steps;
}
bool RecorderSink::skip_pressed() { return active_recorder->skip; }
bool RecorderSink::cancelled() { return active_recorder->cancelled; }
void RecorderSink::hold_socket(Socket s) {
    long long number = static_cast<long long>(s);
    record_job(number < 0 ? "socket none" : "socket");
    active_recorder->last_socket = number;
}
void RecorderSink::hold_file(std::FILE* file) { record_job(file ? "file" : "file none"); }
int RecorderSink::scratch_number() { return window_number(&fake_window); }
void RecorderSink::enable_ok(bool enabled) { record_job(std::string("ok ") + on_off(enabled)); }
void RecorderSink::enable_skip(bool enabled) { record_job(std::string("skip ") + on_off(enabled)); }
void RecorderSink::close() { record_job("close"); }

JobStatus& RecorderHost::open_status(int target) {
    record_job("open " + std::to_string(target));
    opened.push_back(std::make_unique<RecorderSink>());
    return *opened.back();
}
bool RecorderHost::before_folder_write(const char* folder) {
    return std::find(on_show.begin(), on_show.end(), folder) != on_show.end();
}
void RecorderHost::redisplay() { record_job("redisplay"); }

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

void StatusTest::SetUp() {
    FolderTest::SetUp();
    ASSERT_EQ(log_open("zmlog.txt"), 0);
}

std::string StatusTest::shown() {
    std::string all = ui.status_text();
    std::string text = all.substr(shown_from_);
    shown_from_ = all.size();
    return text;
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

std::filesystem::path source_folder() {
    // The build names the folder: __FILE__ may be relative to the build
    // folder when a compiler cache rewrote the paths.
    std::string source = ZM_SOURCE_DIR;
#ifdef _WIN32
    // Under Wine the build machine's root is drive Z:.
    if (!source.empty() && source[0] == '/') source = "Z:" + source;
#endif
    return source;
}

std::filesystem::path corpus_folder() {
    std::filesystem::path root = source_folder();
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
