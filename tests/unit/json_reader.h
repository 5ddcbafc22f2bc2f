// The corpus readings kept beside the messages are read with the client's
// own JSON reader, with room for the largest of them.
#pragma once

#include <string>

#include "format/json.h"

inline bool json_parse_reading(const std::string& text, JsonValue* out) {
    return json_parse(text, out, {.max_bytes = 16 * 1024 * 1024, .max_depth = 64});
}
