// What the options program shows of zenth.cfg and what it writes back, and
// what OK does with the key text: the rules, without the dialog, so that
// they are tested natively.
#pragma once

#include <cstddef>
#include <functional>
#include <span>

#include "core/settings.h"

// Whether the control (a check box or one of the three HTML radio buttons)
// is ticked for these option bits. "Use deleted items folder" stands for
// the bit being clear; "Always show HTML" wins over "Show HTML if text is
// not present"; "Never show HTML" is neither.
bool option_control_checked(int bits, int control);
// The option bits the ticked controls make, with "Save Sent Items",
// "Reply With Message" and "Indent Quoted Text" always on and the two
// menu-only bits never set.
int option_bits(const std::function<bool(int control)>& checked);
// Every check box and radio button that stands for option bits.
std::span<const int> option_controls();

// The edits and the lines of the file they show, with how many characters
// each keeps: the sound file's path as many as the client reads, the proxy
// lines a table line's 98.
struct OptionText {
    int control;
    char* (*field)(SettingsRecord* record);
    int limit;
};
std::span<const OptionText> option_texts();

// The record the program writes: `kept` (as read: the new-mail command
// survives whole), the new bits and texts, no font records.
SettingsRecord options_to_write(const SettingsRecord& kept, int bits);

// The server time-out as the dialog shows it: the seconds in effect.
int timeout_shown(const SettingsRecord& record);
// The typed time-out: its seconds, the default for an empty edit, or -1 for
// anything but a whole number from 10 to 600 (then OK shows
// timeout_range_text and the dialog stays).
int timeout_typed(const char* text);
extern const char timeout_range_text[];

// What OK does with the key text.
enum OkAction {
    OK_SETTINGS_ONLY,  // no key text: only the options are written
    OK_KEY_TOO_SHORT,  // "Key string is too short!"
    OK_ASK_REPLACE,    // a key file exists: ask before replacing it
    OK_WRITE_KEY,      // the key, then the options
};
OkAction ok_action(size_t key_text_length, bool key_file_exists);

extern const char replace_key_question[];

// The key made from the 32 typed characters: each XOR a byte of a mask from
// `random` (the system's cryptographic source in the program), so the file
// tells nothing of what was typed. Returns 0, or -1 when no mask could be
// had (nothing is written into `key` then).
int make_message_key(const char typed[32], unsigned char key[32], int (*random)(void* out, size_t size));
