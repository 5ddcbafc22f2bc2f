#include "client/colour_schemes.h"

#include <cstdio>
#include <cstring>

#include "core/sys_files.h"
#include "core/ui_services.h"

namespace {

// Reads one line whole, keeping as much of it as `line` holds, without its
// line end (LF, or CR LF). False at the end of the file.
bool read_line(std::FILE* file, Array* line) {
    array_clear(line);
    int length = 0;
    int c;
    while ((c = std::getc(file)) != EOF && c != '\n')
        if (length < line->capacity - 1) array_set_char(line, length++, c);
    if (c == EOF && length == 0) return false;
    if (c == '\n' && length > 0 && line->text[length - 1] == '\r') array_set_char(line, --length, 0);
    return true;
}

int hex_digit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

// Two characters as a number of base 16, as far as they are digits.
unsigned char hex_pair(const char* text) {
    int value = 0;
    for (int i = 0; i < 2 && hex_digit(text[i]) >= 0; i++) value = value * 16 + hex_digit(text[i]);
    return static_cast<unsigned char>(value);
}

// The pair at `offset` of a line, when the line reaches that far.
unsigned char component(const char* line, int length, int offset) {
    return offset < length ? hex_pair(line + offset) : 0;
}

}  // namespace

Rgb colour_at(const Array* table, int slot) {
    return Rgb{table->bytes[3 * slot], table->bytes[3 * slot + 1], table->bytes[3 * slot + 2]};
}

void set_colour_at(Array* table, int slot, Rgb colour) {
    array_set_char(table, 3 * slot, colour.red);
    array_set_char(table, 3 * slot + 1, colour.green);
    array_set_char(table, 3 * slot + 2, colour.blue);
}

void fill_system_colours(Array* table, const SystemColours& system) {
    for (int slot = 0; slot < colour_slot_count; slot++) set_colour_at(table, slot, system.window);
    set_colour_at(table, SLOT_DIALOG_BRUSH, system.button_face);
    set_colour_at(table, SLOT_LIST_BRUSH, system.window);
    for (int slot : {SLOT_LIST_TEXT, SLOT_PANE_TEXT, SLOT_VIEWER_TEXT}) set_colour_at(table, slot, system.window_text);
}

void scheme_file_name(Array* out, int n) { array_printf(out, "colors\\sf%i.dat", n); }

int read_scheme_name(const char* path, Array* name) {
    array_clear(name);
    std::FILE* file = sys_fopen(path, "rb");
    if (!file) return -1;
    read_line(file, name);
    // A folder of that name opens on some systems but gives no text.
    bool failed = std::ferror(file) != 0;
    std::fclose(file);
    return failed ? -1 : 0;
}

int read_scheme_colours(const char* path, Array* table) {
    std::FILE* file = sys_fopen(path, "rb");
    if (!file) return -1;
    Array* line = array_new(100);
    int slot = 0;
    if (read_line(file, line)) {
        for (; slot < colour_slot_count && read_line(file, line); slot++) {
            int length = static_cast<int>(std::strlen(line->text));
            set_colour_at(table, slot,
                          Rgb{component(line->text, length, 0), component(line->text, length, 2),
                              component(line->text, length, 4)});
        }
    }
    std::fclose(file);
    delete_arrays(line);
    return slot;
}

int list_schemes(void (*add)(void* context, const char* name, int command), void* context) {
    Array* path = array_new(100);
    Array* name = array_new(100);
    int highest = 0;
    for (int n = 1; n <= max_schemes; n++) {
        scheme_file_name(path, n);
        if (!sys_exists(path->text)) break;
        if (read_scheme_name(path->text, name) != 0) {
            show_message("Cannot open scheme file!");
            continue;
        }
        highest = first_scheme_command + n - 1;
        add(context, name->text, highest);
    }
    delete_arrays(path, name);
    return highest;
}

int choose_scheme(int command, int highest) {
    if (command < first_scheme_command || command > highest) return -1;
    Array* path = array_new(100);
    scheme_file_name(path, command - first_scheme_command + 1);
    int result = sys_copy_file(path->text, current_scheme_file, false);
    delete_arrays(path);
    return result;
}

void choose_system_default() { sys_remove_file(current_scheme_file); }

bool load_colours(Array* table, const SystemColours& system) {
    if (read_scheme_colours(current_scheme_file, table) >= 0) return false;
    fill_system_colours(table, system);
    return true;
}
