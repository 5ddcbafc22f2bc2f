// Where a mail job's steps report to, and what they ask of the user: the
// status window on the client's side, a recorder in the tests, the log alone
// for the unattended tray check. Transport never sees a window.
#pragma once

#include <cstdio>

#include "transport/sys_socket.h"

class StatusSink {
public:
    virtual ~StatusSink() = default;

    // A step's text as the user reads it, with its own line ends
    // ("Connected to server.\r\n"); it goes to the log too.
    void line(const char* text);
    // The same for a text that says why a step failed.
    void error(const char* text);

    // The progress bar back to 0 with the given step, and several steps on.
    virtual void progress_reset(int step) { (void)step; }
    virtual void progress_advance(int steps) { (void)steps; }
    // Whether the user asked to skip the server: the body being read ends.
    virtual bool skip_pressed() { return false; }
    // Whether the user cancelled the job. Cancel also aborts the socket held
    // here, so that a call blocked on it returns, and the job ends at its
    // next step.
    virtual bool cancelled() { return false; }
    // What Cancel closes: the job's socket (no_socket: none) and its open
    // file (null: none).
    virtual void hold_socket(Socket s) { (void)s; }
    virtual void hold_file(std::FILE* file) { (void)file; }
    // A number of this job's own, for the names of its scratch files
    // ("temp\out<number>.tmp"), so that jobs side by side never share one.
    virtual int scratch_number() { return 0; }

protected:
    // Shows the text (already logged); `failure` for the texts of error().
    virtual void show(const char* text, bool failure) = 0;
};

// A job's status window as its job drives it: the sink, its OK and "Skip
// Server" buttons, and closing it.
class JobStatus : public StatusSink {
public:
    virtual void enable_ok(bool enabled) { (void)enabled; }
    virtual void enable_skip(bool enabled) { (void)enabled; }
    virtual void close() {}
};

// The targets of a status window besides an account's index.
enum { STATUS_ALL_ACCOUNTS = -1, STATUS_OUTBOX = -2, STATUS_TEMP = -3 };

// What a job asks of the program that runs it. Opens the status window of a
// job, with its target: an account index, or one of the targets above. The
// window lives as long as the host; a window that could not be made still
// takes the job's texts into the log.
class JobHost {
public:
    virtual ~JobHost() = default;
    virtual JobStatus& open_status(int target) = 0;
    // Before the job writes into a folder: a fill of the message list stops
    // when that folder is on show. True when it is on show, so that the job
    // asks for the list again (redisplay) once it is done.
    virtual bool before_folder_write(const char* folder) {
        (void)folder;
        return false;
    }
    // Fills the message list again from the folder on show, for a job that
    // has changed it; unlike "Refresh Folder" it never reopens the folder.
    virtual void redisplay() {}
};

// Texts into the log only.
class LogSink : public JobStatus {
protected:
    void show(const char*, bool) override {}
};

// Jobs without a window: every status window is the log.
class LogHost : public JobHost {
public:
    JobStatus& open_status(int) override { return sink_; }

private:
    LogSink sink_;
};
