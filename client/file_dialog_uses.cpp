#include "client/file_dialog_uses.h"

using namespace std::string_view_literals;

namespace {

const FileDialogRow rows[] = {
    {DIALOG_ADD_ATTACHMENT, false, "Add Attachment", "All Files(*.*)\0\0"sv, nullptr, &AppState::compose_attach_folder,
     100},
    {DIALOG_READ_MESSAGE, false, "Read Message", "text file(*.txt)\0*.txt\0\0"sv, "txt",
     &AppState::compose_save_folder, 0},
    {DIALOG_WRITE_MESSAGE, true, "Write Message", "text file(*.txt)\0*.txt\0\0"sv, "txt",
     &AppState::compose_save_folder, 0},
    {DIALOG_COMPOSE_SAVE_EMAIL, true, "Save Email", "e-mail file(*.eml)\0*.eml\0\0"sv, "eml",
     &AppState::compose_save_folder, 0},
    {DIALOG_OPEN_EMAIL, false, "Open Email", "e-mail file (*.eml)\0*.EML\0\0"sv, "eml", &AppState::compose_save_folder,
     0},
    {DIALOG_EXTRACT_ATTACHMENT, true, "Save Attachment", "All Files(*.*)\0\0"sv, nullptr,
     &AppState::save_attachment_folder, 0},
    {DIALOG_SAVE_EMAIL, true, "Save Email", "e-mail file(*.eml)\0*.eml\0\0"sv, "eml", &AppState::save_mail_folder, 0},
    {DIALOG_SAVE_ATTACHMENT, true, "Save Attachment", ""sv, nullptr, &AppState::save_mail_folder, 0},
};

}  // namespace

const FileDialogRow& file_dialog_row(FileDialogUse use) {
    for (const FileDialogRow& row : rows)
        if (row.use == use) return row;
    return rows[0];
}
