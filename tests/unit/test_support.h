// Shared test fixtures: a fresh working folder per test, and recorders for
// what the user would see (message boxes, status text) and for quit requests.
#pragma once

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <filesystem>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "core/ui_services.h"
#include "transport/status_sink.h"

// Waits for the condition, at most `seconds`; whether it came.
template <class Condition>
bool within(double seconds, Condition condition) {
    const auto until = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
    while (!condition()) {
        if (std::chrono::steady_clock::now() > until) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return true;
}

struct RecordedBox {
    std::string text;
    std::string caption;
    unsigned style;
};

// Records every message box and status update; message boxes answer with
// the next scripted answer, or with their default button.
struct UiRecorder {
    std::vector<RecordedBox> boxes;
    std::vector<int> answers;
    std::vector<std::string> status_calls;  // "clear", "add:<text>", "start"
    int progress_steps = 0;
    bool skip = false;  // what skip_pressed answers
    // The job side: every status window call as a line ("open -1",
    // "socket", "file", "ok 1", "skip 0", "reset 1", "close").
    std::vector<std::string> job_calls;
    // The job's socket as last registered (-1: none), and Cancel as the
    // status window does it: the job marked cancelled, its socket aborted.
    std::atomic<long long> last_socket{-1};
    std::atomic<bool> cancelled{false};
    void cancel();
    UiRecorder();
    ~UiRecorder();
    std::vector<std::string> box_texts() const;
    // The status text added to windows, joined.
    std::string status_text() const;
};

// A job's status window in the tests: what a job's steps report and ask
// goes to the recorder that is active, in the form of the status window's
// calls above ("add:<text>", progress steps, "reset 1", "socket", "file",
// "ok 1", "skip 0", "close"), so a test asserts the exact text a user would
// see. The texts of failures are kept apart as well.
struct RecorderSink : JobStatus {
    void progress_reset(int step) override;
    void progress_advance(int steps) override;
    bool skip_pressed() override;
    bool cancelled() override;
    void hold_socket(Socket s) override;
    void hold_file(std::FILE* file) override;
    int scratch_number() override;
    void enable_ok(bool enabled) override;
    void enable_skip(bool enabled) override;
    void close() override;
    std::string errors;  // the texts given as failures, joined

protected:
    void show(const char* text, bool failure) override;
};

// Opens recorder sinks, each noted as "open <target>". The folders in
// `on_show` are the list on show, and a request to list it again is noted
// as "redisplay".
struct RecorderHost : JobHost {
    JobStatus& open_status(int target) override;
    bool before_folder_write(const char* folder) override;
    void redisplay() override;
    std::vector<std::unique_ptr<RecorderSink>> opened;
    std::vector<std::string> on_show;
};

// The host of the jobs a test runs; emptied by each UiRecorder.
RecorderHost& recorder_jobs();

// Counts request_quit calls instead of ending the test process.
struct QuitRecorder {
    QuitRecorder();
    ~QuitRecorder();
    int count() const;
};

// Makes a fresh folder the working directory for the test's lifetime, and
// restores the previous one afterwards.
class FolderTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;
    std::filesystem::path folder_;
    std::filesystem::path previous_;
};

// A fresh folder with the log open, and a status window whose texts a test
// reads in turns: the sessions' tests.
class StatusTest : public FolderTest {
protected:
    void SetUp() override;
    // What the status window was told since the last call.
    std::string shown();
    UiRecorder ui;
    RecorderSink sink;

private:
    size_t shown_from_ = 0;
};

// A program folder with the client's state, its log and "temp": where the
// store's and the jobs' tests run.
class StoreTest : public FolderTest {
protected:
    void SetUp() override;
};

std::string read_file(const std::filesystem::path& path);

// The public message corpus (shared/corpus/mail-parser beside the
// repository, or beside the folder of the worktree it is), read in place and
// never copied into the repository; a path that does not exist when there is
// none, for the tests to skip.
std::filesystem::path corpus_folder();
// The repository's folder as the tests reach it (drive Z: under Wine).
std::filesystem::path source_folder();
void write_file(const std::filesystem::path& path, const std::string& bytes);

// Gives the settings a menu holding the items whose check marks are options
// (a real menu on Windows; the POSIX side keeps the checks itself).
void install_settings_menu();
