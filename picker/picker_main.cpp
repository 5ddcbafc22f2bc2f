// zenth-picker: shows the open and save dialogs of one client window. The
// client names a block of shared memory on the command line and asks for
// dialogs through it; the dialogs run here, so their changes of the current
// folder never reach the client. The exit code is 0 in every case.
#include <windows.h>

#include "core/picker_block.h"
#include "picker/file_dialog.h"
#include "picker/watchdog.h"

namespace {

void serve(PickerBlock* block) {
    for (;;) {
        int32_t state = picker_take_request(block);
        if (state == PICKER_END) return;
        if (state == PICKER_IDLE) {
            Sleep(100);
            continue;
        }
        show_file_dialog(block, state == PICKER_SAVE_SHOWN);
        picker_set_state(block, PICKER_IDLE);
    }
}

// A mapping smaller than the block (one of the same name made by something
// else) is not used.
bool holds_block(const void* view) {
    MEMORY_BASIC_INFORMATION region;
    return VirtualQuery(view, &region, sizeof region) == sizeof region && region.RegionSize >= sizeof(PickerBlock);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) return 0;
    HANDLE mapping = OpenFileMappingA(FILE_MAP_ALL_ACCESS, FALSE, argv[1]);
    if (!mapping) return 0;
    void* view = MapViewOfFile(mapping, FILE_MAP_ALL_ACCESS, 0, 0, 0);
    if (view && holds_block(view)) {
        auto* block = static_cast<PickerBlock*>(view);
        start_watchdog(block);
        serve(block);
        // The watchdog thread still reads the block: the view goes with the
        // process, never before it (a read of an unmapped view would fault).
        ExitProcess(0);
    }
    if (view) UnmapViewOfFile(view);
    CloseHandle(mapping);
    return 0;
}
