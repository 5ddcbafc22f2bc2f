// "Details": the lines the preview pane shows about one message file, and
// the header blocks put in front of a message's text.
#pragma once

#include <string>

#include "store/message_summary.h"

enum { DETAILS_OK = 0, DETAILS_INCOMPLETE = 1, DETAILS_NO_FILE = -1 };

// The Details lines of the message file at `path`, shown at list position
// `row` (from 0), as UTF-8 with CR LF line ends. DETAILS_NO_FILE when the
// file cannot be read (the caller says "Could not access file."),
// DETAILS_INCOMPLETE when its summary could not be read whole (the lines
// then hold what was read).
int message_details(const char* path, int row, std::string* lines);

// The address of a "Received" value: the text between its first "[" and the
// first "]" after it. False when there is none or it is empty.
bool apparent_address(const char* received, std::string* address);

// "From: ", "To: ", "Sent: " and "Subject: " lines and a blank line, as
// UTF-8; with `original` the "----- Original Message -----" line and a
// blank line before them (a reply's).
std::string header_block(MessageSummary* summary, bool original);
