#include "client/view_state.h"

#include <cstring>

#include "core/app_state.h"
#include "core/sys_time.h"

std::atomic<int> headers_view{0};
std::atomic<int> search_view{0};
std::atomic<int> list_filling{0};
std::atomic<int> list_cancel{0};
std::atomic<int> list_incomplete{0};

bool stop_fill_before_write(const char* folder) {
    if (std::strcmp(app.current_folder->text, folder) != 0) return false;
    list_cancel = 1;
    for (int waited = 0; list_filling && waited < 60000; waited += 500) sys_sleep_ms(500);
    list_cancel = 0;
    return true;
}
