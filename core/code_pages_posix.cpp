#include "core/code_pages.h"

bool sys_valid_code_page(int code_page) {
    return code_page == 20127 || code_page == 65001 || (code_page >= 28591 && code_page <= 28599);
}
