#include <windows.h>

#include "core/code_pages.h"

bool sys_valid_code_page(int code_page) { return IsValidCodePage(static_cast<UINT>(code_page)) != 0; }
