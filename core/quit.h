// Ending the client. request_quit is the one way every part of the program
// asks to end: it posts the quit to the main window, or ends the process at
// once when there is no main window yet.
#pragma once

int request_quit();
// Ends the process with exit code 0 without returning.
[[noreturn]] void quit_process_now();

// Where the quit goes. The client's main window installs its handler; tests
// install one that records the request.
using QuitHandler = int (*)();
void set_quit_handler(QuitHandler handler);
