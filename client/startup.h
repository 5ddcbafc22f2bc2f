// The portable steps of the client's start-up: the folder tree and data
// files it needs, and the command-line argument.
#pragma once

// Creates the folder when it does not exist; a failure tells the user and
// asks the client to quit. Returns 0 or -1.
int ensure_directory(const char* path);
// Creates the file empty when it does not exist; likewise on failure.
int ensure_file(const char* path);
// "maildir" with its standard folders, "temp", "colors" and "user", in order.
void create_store_folders();
// The whole command-line remainder, verbatim: empty, "--systemtray", a
// "mailto:" address, or the path of a message file to open from "temp".
void interpret_command_line(const char* argument);
