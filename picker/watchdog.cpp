#include "picker/watchdog.h"

#include <windows.h>

#include "core/threads.h"

namespace {

void watch(void* argument) {
    const auto* block = static_cast<const PickerBlock*>(argument);
    for (;;) {
        Sleep(100);
        int32_t owner = block->owner;
        if (owner != 0 && !IsWindow(reinterpret_cast<HWND>(picker_owner_handle(owner)))) ExitProcess(0);
    }
}

}  // namespace

void start_watchdog(const PickerBlock* block) { start_thread(watch, const_cast<PickerBlock*>(block)); }
