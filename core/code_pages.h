// Which Windows code pages the system can convert text from.
#pragma once

// Whether the code page is installed. The POSIX side knows the ones the
// client asks for: 20127, 28591 to 28599 and 65001.
bool sys_valid_code_page(int code_page);
