// Where the built helper is, for the tests that start it.
#pragma once

#include <cstdlib>
#include <string>

// ZM_PICKER is the helper's Linux path; Wine's drive Z: is the root.
inline std::string picker_path() {
    const char* unix_path = std::getenv("ZM_PICKER");
    std::string path = "Z:";
    for (const char* c = unix_path ? unix_path : ""; *c; ++c) path += *c == '/' ? '\\' : *c;
    return path;
}
