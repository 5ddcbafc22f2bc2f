#include "format/boundary.h"

#include <atomic>
#include <ctime>
#include <random>

#include "core/find_in_file.h"
#include "core/sys_time.h"

namespace {

std::atomic<BoundaryNumbers> installed{nullptr};

constexpr int attempts = 1000;

}  // namespace

void boundary_numbers_install(BoundaryNumbers numbers) { installed = numbers; }

void boundary_text(Array* out, int number) {
    array_clear(out);
    array_printf(out, "----=_NextPart_%.5i", number);
}

int choose_boundary(WindowRef window, const char* const* paths, int count) {
    // A generator of the build's own: builds on other threads neither share
    // nor disturb it.
    auto seed = static_cast<uint32_t>(std::time(nullptr)) ^ sys_tick_count();
    std::minstd_rand generator(seed ? seed : 1);
    BoundaryNumbers numbers = installed;
    Array* text = array_new(40);
    int chosen = -1;
    for (int attempt = 0; attempt < attempts && chosen < 0; attempt++) {
        int number = numbers ? numbers() : static_cast<int>(generator() % 32768);
        number &= 32767;
        boundary_text(text, number);
        bool occurs = false;
        for (int i = 0; i < count && !occurs; i++) {
            int found = find_in_file(paths[i], text->text, nullptr, false, true);
            if (found < 0 && i == 0) {
                ui_message_box(window, "Could not open message file.", "Zenth Mail", UI_OK);
                delete_arrays(text);
                return -1;
            }
            occurs = found > 0;
        }
        if (!occurs) chosen = number;
    }
    delete_arrays(text);
    if (chosen < 0) ui_message_box(window, "Could not find unique boundary identifier!", "Zenth Mail", UI_OK);
    return chosen;
}
