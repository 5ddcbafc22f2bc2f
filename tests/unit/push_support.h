// What the tests of tray mode's push share: the push's periods shortened
// for the length of a test.
#pragma once

#include "transport/imap_push.h"

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
