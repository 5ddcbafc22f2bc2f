// What every download does with a message from the server, whatever the
// protocol: a scratch file of its own that starts with the client's private
// lines, and the user's new-message command once it is in its folder.
#pragma once

#include <cstdio>

#include "core/arrays.h"
#include "transport/status_sink.h"

// Opens a new scratch file (its name into `scratch`) and writes the lines
// every received message starts with: unread, and when it came. The file
// or null after saying so.
std::FILE* open_received_file(StatusSink& status, Array* scratch);

// Copies the file and the summary of a stored message into the environment
// of the new-message command and runs it, when the user set one.
void run_new_mail_command(StatusSink& status, const char* path);
