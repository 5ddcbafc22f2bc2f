// What the installer writes into the registry and the file system, and
// takes out again. Each routine tells the user of its own failures, as the
// installer's steps each have their own message.
#pragma once

#include <windows.h>

#include <string>

// The folder the shell keeps for this user's desktop or start menu (a CSIDL
// number); empty when it has none.
std::string shell_folder(int csidl);

// "Zenth Mail" under the Run key. False (after "Registry setup error!")
// when it could not be set.
bool set_startup_entry(HWND owner, const std::string& command);
// Removes it; true when there was one.
bool remove_startup_entry();

// The mailto handler becomes `command`, the handler first seen kept in
// "OldValue". False after "Registry setup error!".
bool set_mailto_handler(HWND owner, const std::string& command);
enum RestoreResult { RESTORE_NOTHING, RESTORE_DONE, RESTORE_FAILED };
// The kept handler back in place, then "OldValue" removed.
RestoreResult restore_mailto_handler();

// ".eml" names the client's class, whose open command is `command`. False
// after "RegCreateKeyEx error" or "RegSetValueEx error".
bool associate_eml(HWND owner, const std::string& command);
// The class key with everything below it; true when there was one.
bool remove_eml_class();
enum ResetResult { RESET_NOT_OURS, RESET_DONE, RESET_FAILED };
// ".eml" back to the system's class, only while it names the client's.
ResetResult reset_eml();

// A shortcut to `target` at `path`, described "Zenth Mail". False after
// the message of what failed.
bool create_shortcut(HWND owner, const std::string& path, const std::string& target);
