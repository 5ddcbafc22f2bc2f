// The main window's command table as portable data: for every command, the
// states of the window that refuse it and when its menu item or button is
// greyed. The window applies the answers through its menus and buttons.
#pragma once

// States that refuse a command: it is not carried out, and the status line
// says "This option is currently unavailable. Please try later.".
constexpr unsigned REFUSE_WHILE_FILLING = 1u << 0;        // the message list is being filled
constexpr unsigned REFUSE_IN_HEADERS = 1u << 1;           // the server's header list is on show
constexpr unsigned REFUSE_BUSY = 1u << 2;                 // a job writes into the folder on show
constexpr unsigned REFUSE_FILLING_OUTBOX = 1u << 3;       // the outbox is on show and being filled
constexpr unsigned REFUSE_BUSY_OUTBOX = 1u << 4;          // the outbox is on show and a job writes into it
constexpr unsigned REFUSE_WITHOUT_ATTACHMENTS = 1u << 5;  // the option that turns attachments off is set

// When a command is greyed.
enum CommandGreying {
    GREY_NEVER,
    GREY_WITHOUT_MESSAGE,     // no message is selected, or the header list is on show
    GREY_WITHOUT_SERVER_ROW,  // no row of the server's header list is selected
};

// Where a command is offered: a button of the window, and an item of a menu
// that the window greys with the button (menu 2000 or the list's 3000).
constexpr unsigned ON_BUTTON = 1, ON_MENU = 2;

// The menu that holds a command's item: a pop-up of the main menu (2000) in
// the order of the menu bar, or one of the window's other menus.
enum CommandMenu {
    MENU_NONE,        // an accelerator or a button only
    MENU_FILE,
    MENU_MAIL,
    MENU_EDIT,
    MENU_TOOLS,
    MENU_HELP,
    MENU_COLOURS,     // the "Colors" pop-up built at start-up
    MENU_LIST,        // only the message list's menu 3000
    MENU_TRAY,        // the tray icon's menu 4000
    MENU_ATTACHMENT,  // the attachments line's menu 5000
};

struct CommandRow {
    int id;
    const char* handler;  // the name of the function that carries it out
    unsigned refused_when;
    CommandGreying greying;
    unsigned where;
    CommandMenu menu;
    const char* text;         // the menu item's text without its accelerator; null for none
    const char* accelerator;  // "Ctrl+D", "F9"; null for none
};

// The state of the window a command meets.
struct CommandView {
    bool list_filling = false;
    bool headers_view = false;
    bool folder_busy = false;
    bool outbox = false;
    bool attachments_off = false;
    bool message_selected = false;
};

// The command's row, or null for a number the window does not know.
const CommandRow* find_main_command(int id);
// Every row in table order, `*count` of them.
const CommandRow* main_command_rows(int* count);

bool command_refused(const CommandRow& row, const CommandView& view);
bool command_greyed(const CommandRow& row, const CommandView& view);
