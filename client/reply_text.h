// Reply and forward: what a new compose window is filled with from stored
// messages. The recipients and the reply reference, the subject, and the
// text the editor loads (the decoded message with the header block or the
// introduction line in front, quoted on request). The send window calls
// these and only puts the results into its controls.
#pragma once

#include <string>
#include <vector>

#include "core/arrays.h"
#include "core/ui_services.h"
#include "store/message_summary.h"

// What the caller shows, caption "Zenth Mail", when reply_recipients fails.
constexpr const char* reply_capacity_text = "Recipient string exceeds capacity.";

// The "To:" text of a reply to the messages at `paths`, in list order: each
// sender as "\"name\" <address>" (the address alone when name and address
// together have 251 characters or more), with `to_all` ("Reply to List")
// followed by every recipient of that message as stored; addresses that
// occur twice are dropped, and the list is joined by commas. `reference`
// (may be null; 1024 bytes or more) gets the "Message-ID" of the last
// message, at most 1023 characters, empty when it has none: the window's
// reply reference, and title "Reply" when not empty.
// Returns 0; -1 when a message's summary cannot be read, more than 100
// addresses would be collected (99 with a message's recipients), or the
// joined text does not fit 12630 characters; the caller then shows
// reply_capacity_text and opens no window.
int reply_recipients(const std::vector<std::string>& paths, bool to_all, Array* to_text, Array* reference);

// The "References" a reply to the message at `path` carries: its References
// (or In-Reply-To) and its Message-ID, space-separated; empty when it has
// no Message-ID.
std::string reply_thread(const char* path);

// "Re: <subject>" (at most 95 bytes of it) unless the subject already
// begins with "re:" in any letter case, which keeps it (at most 95 bytes).
// A cut never splits a UTF-8 character.
std::string reply_subject(const char* subject);
// The same with "Fw: " and "fw:", for Forward.
std::string forward_subject(const char* subject);

// "On <date>, <from name> wrote:\r\n\r\n" (each at most 1000 characters), as
// UTF-8: the reply's introduction line.
std::string introduction_line(MessageSummary* summary);

// What goes in front of the message's text in the editor.
enum EditorLead {
    LEAD_NONE = 0,          // "Open" of a stored message
    LEAD_HEADER_BLOCK = 1,  // Forward, and Reply under "Original Message Reply Style"
    LEAD_INTRODUCTION = 2,  // Reply otherwise
};

// The text a compose editor loads: the lead (UTF-8) and then the decoded
// text file in its code page. With load_text_file(editor, path, code_page,
// lead) of ui/text_loader.h the editor shows exactly this.
struct EditorText {
    std::string lead;
    std::string path;    // the decoded text, a scratch file of the window
    int code_page = 0;   // the Windows code page to read `path` with
};

// Prepares the editor text of a reply, forward or opened message: the
// message's text part decoded (text only, never HTML: a message whose only
// text is HTML gives that HTML converted to text), quoted with "> " when
// `quote` ("Indent Quoted Text"), and the lead. `window` names the scratch
// files; `status_window` hears about code pages that are not installed.
// Returns 0; -1 when the message cannot be shown ("Could not access file!"
// for one that cannot be read; silently for an encrypted message without
// the key or one without a text part), and the editor is then left empty.
int prepare_editor_text(const char* message_path, WindowRef window, WindowRef status_window, EditorLead lead,
                        bool quote, EditorText* text);

// The whole editor text as UTF-8: the lead and the file read in its code
// page. False when the file cannot be read.
bool editor_text_utf8(const EditorText& text, std::string* utf8);
