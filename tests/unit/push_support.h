// What the tests of tray mode's push share: a bounded wait for a condition,
// and the push's periods shortened for the length of a test.
#pragma once

#include <chrono>
#include <thread>

#include "transport/imap_push.h"

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

// The push's periods as a test shortens them, and back as they were after.
struct ShortPushPeriods {
    ShortPushPeriods(int renew, int retry) {
        imap_idle_renew_seconds = renew;
        imap_push_retry_seconds = retry;
    }
    ~ShortPushPeriods() {
        imap_idle_renew_seconds = renew_before;
        imap_push_retry_seconds = retry_before;
    }
    const int renew_before = imap_idle_renew_seconds, retry_before = imap_push_retry_seconds;
};
