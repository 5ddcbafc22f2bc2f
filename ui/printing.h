// Printing on the default printer: the messages selected in the main
// window ("Print", 362) and the message of a send window (210), one job at
// a time.
#pragma once

#include <windows.h>

#include <vector>

#include "client/print_layout.h"

struct PrintJob {
    HDC dc = nullptr;
    PageMetrics metrics;
    int y = 0;
    bool failed = false;  // a page or the document could not be started or ended
};

// Opens the default printer and starts a document "Document" with its first
// page. False after the message that says why; nothing is left open.
bool open_print_job(PrintJob* job);
// Ends the page and the document and deletes the context; "Printing
// failed!" when the job did not go through.
void close_print_job(PrintJob* job);

// Loads the message into the print control with the bold header block in
// front and prints every line of it. 0; -1 when the message has no text to
// show (HTML only); -2 after "Problems were encountered reading the email
// header - printing cancelled!".
int print_message_file(PrintJob* job, const char* path);

// Whether the message can be loaded as text (what "Print" counts first).
bool printable(const char* path);

// Prints the files as one job, in order, 50 points apart. Does nothing
// while another job runs. False when the job could not start or failed.
bool print_files(const std::vector<std::string>& paths);
