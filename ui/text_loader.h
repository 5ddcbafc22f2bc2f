// Text into the rich edit panes: the preview, the "Mail Message" windows,
// the print control and the send windows' editors all load a message's
// decoded text through here, so that one conversion decides what a user
// reads everywhere.
#pragma once

#include <windows.h>

#include <string>

// UTF-8 text as UTF-16, and back.
std::wstring utf8_to_wide(const std::string& utf8);
std::string wide_to_utf8(const std::wstring& wide);

// Replaces the pane's text with `lead` (UTF-8) followed by the file's bytes
// read in `code_page`. Wide text when the system has the wide messages,
// else the system code page. False when the file cannot be read or the
// pane took nothing (the pane is then left empty).
bool load_text_file(HWND pane, const char* path, int code_page, const std::string& lead);

// Replaces the pane's text with UTF-8 text, or adds it at the end. A pane
// that held a long text is made anew (rich_edit_renew): set_pane_text
// returns the pane that holds the text, and callers never keep a pane's
// handle across a load.
HWND set_pane_text(HWND pane, const std::string& utf8);
void append_pane_text(HWND pane, const std::string& utf8);
