// What the viewer's commands do, decided apart from the windows: which
// display a command asks for, when it only tells the user something or has
// to wait for the attachment extractions, what follows a display, which
// links a click may open and the addresses the browser is sent to.
#pragma once

#include "core/arrays.h"

enum ViewerStep {
    VIEWER_NOTICE = 0,          // "The show html option has been disabled.\r\n" and nothing else
    VIEWER_AFTER_EXTRACTIONS,   // a worker stops the extractions, then sends the command again
    VIEWER_SHOW,                // show the selected message with `force`
};

struct ViewerPlan {
    int step = VIEWER_SHOW;
    int force = 0;  // a DisplayForce
};

// "Show HTML" (202), "Show Text" (203) or F9 and the list's double click
// (394), given the settings' bits and the extractions running now.
ViewerPlan plan_viewer_command(int command, int settings_bits, int running_extractions);

struct AfterDisplay {
    bool mark_read = false;  // set_read for the row
    bool extract = false;    // start the background extraction into line 348
};

// What follows a display in the main window. `shown` is whether the message
// is really on show (not a failed display, not one without its key). Line
// 348 is cleared before every display whatever this says: it belongs to
// the message on show.
AfterDisplay after_display(bool shown, int force, int settings_bits);

// Whether a link in a message may be handed to the shell: http:, https: and
// mailto: only (any letter case), with nothing in it below a space.
bool link_may_open(const char* url);

// The browser's address for a file of the program folder: "file:%s\%s" for
// the decoded HTML part, "mhtml:%s\%s" for the whole message file. False
// when it would be longer than the 1023 characters the browser is given.
bool navigation_address(const char* program_folder, const char* relative_path, bool whole_message, Array* out);
