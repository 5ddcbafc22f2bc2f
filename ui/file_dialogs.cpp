#include "ui/file_dialogs.h"

#include "ui/picker_bridge.h"

namespace {

bool choose(void* context, const char* suggested_name, Array* path) {
    auto* dialog = static_cast<SaveDialog*>(context);
    return pick_for_use(dialog->owner, dialog->use, suggested_name, path) == 1;
}

}  // namespace

SaveChooser save_dialog_chooser(SaveDialog* dialog) { return SaveChooser{.choose = choose, .context = dialog}; }
