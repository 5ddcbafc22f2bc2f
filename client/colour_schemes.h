// Colour schemes: the 14-slot colour table, the scheme files in "colors"
// ("colors\sf1.dat", sf2.dat, ... without gaps) and the chosen scheme's copy
// "colors\current.dat", and the numbers of the "Colors" menu's commands.
// The window side (ui/colours.cpp) makes brushes and paints with them.
#pragma once

#include "core/arrays.h"

constexpr int colour_slot_count = 14;
// Schemes 1 to 101 have the commands 20000 to 20100.
constexpr int max_schemes = 101;
constexpr int first_scheme_command = 20000;
constexpr int system_default_command = 1303;
constexpr const char* current_scheme_file = "colors\\current.dat";

// The slots, by what they colour.
enum ColourSlot {
    SLOT_DIALOG_BRUSH = 0,  // dialog backgrounds; the main window's status field 213
    SLOT_STATIC_BRUSH = 1,
    SLOT_STATIC_TEXT = 2,
    SLOT_STATIC_TEXT_BACK = 3,
    SLOT_EDIT_BRUSH = 4,
    SLOT_EDIT_TEXT = 5,
    SLOT_EDIT_TEXT_BACK = 6,
    SLOT_LIST_BRUSH = 7,  // list boxes; the message list's and folder tree's background
    SLOT_LIST_TEXT = 8,
    SLOT_LIST_TEXT_BACK = 9,
    SLOT_PANE_BACK = 10,  // the preview pane, 313 and every send window's text
    SLOT_PANE_TEXT = 11,
    SLOT_VIEWER_BACK = 12,  // a "Mail Message" window's text
    SLOT_VIEWER_TEXT = 13,
};

struct Rgb {
    unsigned char red = 0, green = 0, blue = 0;
    bool operator==(const Rgb&) const = default;
};

// Colour k lies at bytes 3k, 3k + 1 and 3k + 2 of the table: red, green, blue.
Rgb colour_at(const Array* table, int slot);
void set_colour_at(Array* table, int slot, Rgb colour);

// The system's colours when no scheme is chosen: every slot the window
// colour, slot 0 the button face, slots 8, 11 and 13 the window text.
struct SystemColours {
    Rgb window, button_face, window_text;
};
void fill_system_colours(Array* table, const SystemColours& system);

// "colors\sf<n>.dat".
void scheme_file_name(Array* out, int n);

// The scheme's name: its first line without the line end. Returns 0, or -1
// when the file cannot be read.
int read_scheme_name(const char* path, Array* name);

// Reads the colour lines that follow the name line into the table, each
// line whole (RRGGBB, either case; a line end of CR LF or LF). A file with
// fewer than 14 colour lines leaves the remaining slots as they were.
// Returns the number of slots read, or -1 when the file cannot be read.
int read_scheme_colours(const char* path, Array* table);

// Walks sf1.dat, sf2.dat, ... up to the first missing number (at most 101):
// `add` gets each readable scheme's name and command; an unreadable one says
// "Cannot open scheme file!" and the walk goes on. Returns the highest
// command given to `add`, 0 when none.
int list_schemes(void (*add)(void* context, const char* name, int command), void* context);

// Scheme command `command` (20000 up to `highest`): copies its file over
// current.dat. Returns 0, or -1 for a command outside that range or a copy
// that failed.
int choose_scheme(int command, int highest);
// The system colours: current.dat goes.
void choose_system_default();

// Fills the table from current.dat. Without one (or when it cannot be
// read) the table takes the system colours and the answer is true: the
// system default is in force.
bool load_colours(Array* table, const SystemColours& system);
