#include "client/main_commands.h"

#include "client/main_command_list.h"

namespace {

#define ZM_COMMAND_ROW(id, handler, refused, greying, where, menu, text, accelerator) \
    {id, #handler, refused, greying, where, menu, text, accelerator},
const CommandRow rows[] = {MAIN_COMMANDS(ZM_COMMAND_ROW)};
#undef ZM_COMMAND_ROW

constexpr int row_count = static_cast<int>(sizeof rows / sizeof rows[0]);

}  // namespace

const CommandRow* find_main_command(int id) {
    for (const CommandRow& row : rows)
        if (row.id == id) return &row;
    return nullptr;
}

const CommandRow* main_command_rows(int* count) {
    *count = row_count;
    return rows;
}

bool command_refused(const CommandRow& row, const CommandView& view) {
    unsigned states = (view.list_filling ? REFUSE_WHILE_FILLING : 0) | (view.headers_view ? REFUSE_IN_HEADERS : 0) |
                      (view.folder_busy ? REFUSE_BUSY : 0) |
                      (view.list_filling && view.outbox ? REFUSE_FILLING_OUTBOX : 0) |
                      (view.folder_busy && view.outbox ? REFUSE_BUSY_OUTBOX : 0) |
                      (view.attachments_off ? REFUSE_WITHOUT_ATTACHMENTS : 0);
    return (row.refused_when & states) != 0;
}

bool command_greyed(const CommandRow& row, const CommandView& view) {
    switch (row.greying) {
    case GREY_WITHOUT_MESSAGE:
        return !view.message_selected || view.headers_view;
    case GREY_WITHOUT_SERVER_ROW:
        return !view.message_selected || !view.headers_view;
    case GREY_NEVER:
        break;
    }
    return false;
}
