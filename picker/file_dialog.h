// One open or save dialog shown from the shared block.
#pragma once

#include "core/picker_block.h"

// Shows the dialog the block asks for, centred on the screen and owned by
// the block's owner window. The dialog writes the chosen path and title
// straight into the block; afterwards the block holds the extension offset
// and the folder the user ended in, and a cancelled dialog leaves the file
// name empty.
void show_file_dialog(PickerBlock* block, bool save);
