// get_field_parameter on arbitrary values: the first line of the input is the
// parameter name, the rest the value. Results stay within their codes and
// buffers, and the parameter text comes from the value.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

#include "core/arrays.h"
#include "format/header_fields.h"

namespace {
void check(bool condition) {
    if (!condition) std::abort();
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string input(reinterpret_cast<const char*>(data), size);
    input = input.substr(0, input.find('\0'));
    size_t line = input.find('\n');
    std::string param = line == std::string::npos ? "charset" : input.substr(0, line);
    std::string value = line == std::string::npos ? input : input.substr(line + 1);
    if (param.size() > 60) param.resize(60);

    for (int capacity : {1, 16, 1024})
        for (int max_len : {0, 5, 99, 2000}) {
            Array* v = array_new(capacity);
            array_copy(v, value.c_str());
            std::string before = v->text;
            Array* out = array_new(capacity < 16 ? 4 : capacity);
            int r = get_field_parameter(v, param.c_str(), out, max_len);
            check(r == 0 || r == -1 || r == -2);
            size_t length = strnlen(out->text, static_cast<size_t>(out->capacity));
            check(length < static_cast<size_t>(out->capacity) && length <= static_cast<size_t>(max_len));
            check(v->text[v->capacity - 1] == 0);
            if (r == -1) check(length == 0);
            if (r == 0) check(length > 0 && before.find(out->text) != std::string::npos);
            // The value is only ever shortened.
            check(before.compare(0, std::strlen(v->text), v->text) == 0);
            delete_arrays(v, out);
        }
    return 0;
}
