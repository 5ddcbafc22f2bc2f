// Edit and rich edit controls: the status boxes, the preview pane and the
// attachments line.
#pragma once

#include <windows.h>

#include <string>

// Adds the text where the caret is, dropping any selection (the caret goes
// to the selection's end first), and scrolls it into view: in a box that is
// only ever added to, such as a status box, that is the end.
void edit_append(HWND edit, const char* text);
// Selects from `start` to `end` (0, -1: everything; -1, 0: the caret at
// the end without a selection).
void edit_select(HWND edit, int start, int end);
void edit_scroll_to_caret(HWND edit);
// How many characters the user can type into the edit `id` of `window`.
void edit_limit(HWND window, int id, int characters);
// Where the selection starts (the caret when nothing is selected).
int edit_caret(HWND edit);
// A click of the left button at `inside` (client pixels): the caret goes to
// the character there, as the user's own click would put it.
void edit_click_at(HWND edit, POINT inside);

// Replaces a rich edit control's text with `length` bytes of plain text or
// of RTF. Returns false when the control took none of it.
bool rich_edit_stream_in(HWND rich, const char* text, int length, bool rtf);
// Links in the text become links, and the control reports clicks on them
// (EN_LINK) to its parent.
void rich_edit_detect_urls(HWND rich);
// Whether the system answers the wide-character messages (any system but
// the oldest); the rich edit panes then take wide text.
bool wide_messages_available(HWND rich);

// Replaces a rich edit control's text with UTF-16 text (the limit of what
// it holds raised first, so that a long message is not cut at 32,767
// characters). False when the control did not take it.
bool rich_edit_set_wide(HWND rich, const wchar_t* text);
// A rich edit control made anew in the old one's place: the same number,
// styles, place, font, colours, links and limit, and the focus if it had
// it; the old one is destroyed. Emptying a control of a long text takes
// Wine seconds (a minute for 2 MB), destroying it milliseconds.
HWND rich_edit_renew(HWND rich);
// Adds UTF-16 text at the end of a rich edit control's text.
void rich_edit_append_wide(HWND rich, const wchar_t* text);
// The control's whole text as UTF-16, and the characters of `first` to
// `last` (a link's range).
std::wstring window_text_wide(HWND window);
std::wstring rich_edit_range_wide(HWND rich, long first, long last);
