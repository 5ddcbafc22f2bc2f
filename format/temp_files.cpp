#include "format/temp_files.h"

#include <cstring>

void temp_file_name(Array* out, const char* prefix, int number) {
    array_clear(out);
    // A word that ends in a digit would run into the number: "message1" of
    // window 23 and "message" of window 123 are both "message123". The
    // separator keeps every word's names apart.
    size_t length = strnlen(prefix, 20);
    bool digit = length > 0 && prefix[length - 1] >= '0' && prefix[length - 1] <= '9';
    array_printf(out, digit ? "temp\\%.20s_%i.tmp" : "temp\\%.20s%i.tmp", prefix, number);
}
