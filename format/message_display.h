// Preparing a stored message for display: choosing its text or HTML part,
// decoding it into the window's "final" file and working out how to show it.
// The viewer, printing, and reply and forward all start here.
#pragma once

#include "core/arrays.h"
#include "core/ui_services.h"

enum DisplayForce { DISPLAY_AS_SET = 0, DISPLAY_FORCE_HTML = 1, DISPLAY_FORCE_TEXT = 2 };

struct DisplayRequest {
    const char* path = nullptr;           // the message file
    WindowRef window = nullptr;           // names the scratch files and owns the question
    WindowRef status_window = nullptr;    // the main window, whose status field hears of code pages
    int force = DISPLAY_AS_SET;
    // The compose editor and the print control: text first, never the HTML
    // view. An HTML part is refused (printing counts the message as not
    // printable) unless `html_as_text`: the compose editor takes it
    // converted, so that a reply or forward of an HTML-only message keeps
    // its text.
    bool text_only = false;
    bool html_as_text = false;
    bool quote = false;      // end the decoding with quote marks (replies)
    // The window has no working HTML view: its HTML is shown as text, the
    // part chosen as under "Never show HTML" unless HTML is forced, and the
    // user is not asked about showing HTML.
    bool no_browser = false;
};

struct DisplayResult {
    bool as_html = false;        // show in the browser view
    bool whole_message = false;  // the browser gets the message file itself (multi-part HTML)
    bool html_part = false;      // the part is text/html: a text display shows it converted
    int charset = 0;             // the part's code page code
    int code_page = 0;           // the Windows code page of a text display
    // 1025: what to show: the "final" file, the message file, or for a text
    // display of HTML the "htmltext" file converted from the final one
    Array* shown_path = nullptr;
    Array* type = nullptr;        // 100: the part's type text
};

void display_result_init(DisplayResult* result);
void display_result_release(DisplayResult* result);

// The Windows code page for a part's code page code, through the charset
// table that headers are decoded with (so iso-8859-1 and us-ascii read as
// windows-1252, as mail that names them often holds its characters); 28591
// (Latin 1) without a charset or for one the table does not know.
int windows_code_page(int charset);

// Runs the display steps up to the decoded file. Returns 0, or -1 when the
// message cannot be shown: "Could not access file!" for a file that cannot
// be read; silently for an encrypted message without the key, no matching
// part, or a part of a type the target or the forced mode refuses.
int prepare_display(const DisplayRequest* request, DisplayResult* result);

// Tests put their own installed-code-page check here; null restores the
// system's.
void display_code_page_check_install(bool (*check)(int code_page));
