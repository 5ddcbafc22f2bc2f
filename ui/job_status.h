// The status window on the window side of a job: what the job's steps report
// goes into its text box and progress bar, and what they ask ("Skip Server",
// Cancel) comes from its buttons.
#pragma once

#include <windows.h>

#include <memory>
#include <vector>

#include "transport/status_sink.h"

class WindowStatus final : public JobStatus {
public:
    // The window may be null (none could be made): the texts then go to the
    // log alone.
    explicit WindowStatus(HWND window) : window_(window) {}
    HWND window() const { return window_; }

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

protected:
    void show(const char* text, bool failure) override;

private:
    HWND window_;
};

// Opens the status windows of a job owned by the window (the main window, or
// the compose window that sends); they stay the job's until the host goes.
// The message list on show is the main window's.
class WindowJobHost final : public JobHost {
public:
    explicit WindowJobHost(HWND owner) : owner_(owner) {}
    JobStatus& open_status(int target) override;
    bool before_folder_write(const char* folder) override;
    void redisplay() override;

private:
    HWND owner_;
    std::vector<std::unique_ptr<WindowStatus>> opened_;
};
