#include "store/view_state.h"

std::atomic<int> headers_view{0};
std::atomic<int> search_view{0};
std::atomic<int> list_filling{0};
std::atomic<int> list_cancel{0};
std::atomic<int> list_incomplete{0};
