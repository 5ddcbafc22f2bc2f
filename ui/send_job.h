// "Send Mail" (211): the message built and sent on a worker thread, with a
// status window owned by the send window.
#pragma once

#include <windows.h>

#include "ui/send_window.h"

// Starts the send; "Could not start thread" when it cannot. The worker
// works on its own copy of the window's fields: the window may close
// meanwhile.
void start_send(HWND window, SendWindow* state);
