#include "ui/file_dialogs.h"

#include "core/ui_services.h"

namespace {

bool choose(void* context, const char*, Array*) {
    auto* dialog = static_cast<SaveDialog*>(context);
    // The helper program's save dialog takes this place once the client can
    // start it, with the title, filter and start folder of the command.
    if (!dialog->told)
        ui_message_box(dialog->owner, "No file dialog is available.", "Zenth Mail", UI_OK | UI_ICON_INFORMATION);
    dialog->told = true;
    return false;
}

}  // namespace

SaveChooser save_dialog_chooser(SaveDialog* dialog) { return SaveChooser{choose, dialog}; }
