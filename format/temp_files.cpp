#include "format/temp_files.h"

void temp_file_name(Array* out, const char* prefix, int number) {
    array_clear(out);
    array_printf(out, "temp\\%.20s%i.tmp", prefix, number);
}
