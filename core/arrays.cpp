#include "core/arrays.h"

#include <atomic>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "core/log.h"
#include "core/quit.h"

namespace {

std::atomic<FaultReport> fault_report{nullptr};

void show_fault(const char* text, const char* caption) {
    if (FaultReport report = fault_report.load()) report(text, caption);
}

void index_report() {
    log_write("libArrays: array index out of bounds.\r\n");
    show_fault("Array index out of bounds.", "libArrays");
}

void pointer_report() {
    log_write("libArrays: ptr out of bounds.\r\n");
    show_fault("Pointer out of bounds.", "libArrays");
}

void full_report() { log_write("libArrays: arrays is full.\r\n"); }

void point_views(Array* a) {
    a->text = static_cast<char*>(a->storage);
    a->chars = a->text;
    a->bytes = static_cast<unsigned char*>(a->storage);
    a->words = static_cast<uint32_t*>(a->storage);
    a->int32s = static_cast<int32_t*>(a->storage);
    a->int16s = static_cast<int16_t*>(a->storage);
}

// Formats into [start, start + room) leaving the block's last byte as it was,
// with the result convention of _vsnprintf: negative when the output was cut.
int bounded_vprintf(Array* a, int offset, const char* format, va_list args) {
    int room = a->capacity - offset - 1;
    if (offset < 0 || room <= 0) return -1;
    char last = a->chars[a->capacity - 1];
    int n = std::vsnprintf(a->chars + offset, static_cast<size_t>(room) + 1, format, args);
    a->chars[a->capacity - 1] = last;
    if (n < 0 || n > room) return -1;
    return n;
}

}  // namespace

void set_fault_report(FaultReport report) { fault_report.store(report); }

void* xmalloc(size_t size) {
    void* p = std::malloc(size ? size : 1);
    if (!p) {
        show_fault("Insufficient memory!", "Zenth Mail");
        request_quit();
        // Callers never test for null, so the allocation must not come back
        // empty-handed: the quit has been asked for, end here.
        quit_process_now();
    }
    std::memset(p, 0, size ? size : 1);
    return p;
}

void array_init(Array* a, int capacity) { array_init_elements(a, capacity, 1); }

void array_init_elements(Array* a, int count, int element_size) {
    if (count < 0) count = 0;
    if (element_size < 1) element_size = 1;
    int capacity = count * element_size;
    a->storage = xmalloc(static_cast<size_t>(capacity));
    a->capacity = capacity;
    a->count = count;
    a->element_size = element_size;
    point_views(a);
}

void array_release(Array* a) {
    std::free(a->storage);
    a->storage = nullptr;
    point_views(a);
    a->capacity = a->count = 0;
}

void* array_element(Array* a, int index) {
    if (index < 0 || static_cast<long long>(index) * a->element_size >= a->capacity) return nullptr;
    return a->text + static_cast<long long>(index) * a->element_size;
}

int array_store_element(Array* a, int index, const void* source) {
    if (index >= 0 && static_cast<long long>(index) * a->element_size < a->capacity - a->element_size)
        std::memcpy(a->text + static_cast<long long>(index) * a->element_size, source,
                    static_cast<size_t>(a->element_size));
    return 0;
}

void array_set_char(Array* a, int index, int value) {
    if (index < 0 || index >= a->capacity) return index_report();
    a->chars[index] = static_cast<char>(static_cast<unsigned char>(value));
}

void array_set_char_at(Array* a, const char* address, int value) {
    // Compare as integers: the address may lie anywhere, inside or not.
    auto p = reinterpret_cast<uintptr_t>(address);
    auto start = reinterpret_cast<uintptr_t>(a->text);
    if (!a->text || p < start || p >= start + static_cast<uintptr_t>(a->capacity) - 1)
        return pointer_report();
    a->chars[p - start] = static_cast<char>(static_cast<unsigned char>(value));
}

void array_set_int32(Array* a, int index, int32_t value) {
    if (index < 0 || 4LL * index >= a->capacity - 4) return index_report();
    std::memcpy(a->chars + 4LL * index, &value, 4);
}

void array_set_int16(Array* a, int index, int16_t value) {
    if (index < 0 || 2LL * index >= a->capacity - 2) return index_report();
    std::memcpy(a->chars + 2LL * index, &value, 2);
}

void array_chop(Array* a) {
    size_t n = strnlen(a->text, static_cast<size_t>(a->capacity));
    if (n > 0) a->chars[n - 1] = 0;
}

void array_clear(Array* a) {
    if (a->capacity > 0) std::memset(a->storage, 0, static_cast<size_t>(a->capacity));
}

void array_append_char(Array* a, int character) {
    size_t length = strnlen(a->text, static_cast<size_t>(a->capacity));
    if (static_cast<long long>(length) >= a->capacity - 1) return full_report();
    a->chars[length] = static_cast<char>(static_cast<unsigned char>(character));
}

int array_printf(Array* a, const char* format, ...) {
    va_list args;
    va_start(args, format);
    int n = bounded_vprintf(a, 0, format, args);
    va_end(args);
    return n;
}

int array_printf_at(Array* a, int offset, const char* format, ...) {
    va_list args;
    va_start(args, format);
    int n = bounded_vprintf(a, offset, format, args);
    va_end(args);
    return n;
}

int array_fit(const Array* a, int length, int offset) {
    long long room = static_cast<long long>(a->capacity) - offset - 1;
    if (room > length) room = length;
    return room < 0 ? 0 : static_cast<int>(room);
}

void array_copy(Array* a, const char* source) {
    if (a->capacity < 1) return;
    std::strncpy(a->chars, source, static_cast<size_t>(a->capacity - 1));
}

void array_copy_at(Array* a, int offset, const char* source, int length) {
    if (offset < 0) return;
    int n = array_fit(a, static_cast<int>(strnlen(source, static_cast<size_t>(length < 0 ? 0 : length))), offset);
    if (n > 0) std::memcpy(a->chars + offset, source, static_cast<size_t>(n));
}

Array* array_new(int capacity) {
    Array* a = new Array;
    array_init(a, capacity);
    return a;
}

Array* array_new_elements(int count, int element_size) {
    Array* a = new Array;
    array_init_elements(a, count, element_size);
    return a;
}

void free_one(void* p) { std::free(p); }

bool delete_one_array(Array* a) {
    if (!a) return false;
    array_release(a);
    delete a;
    return true;
}

void string_list_init(StringList* list, int count, int capacity) {
    if (count < 0) count = 0;
    list->items = static_cast<Array**>(xmalloc(sizeof(Array*) * static_cast<size_t>(count)));
    for (int i = 0; i < count; i++) list->items[i] = array_new(capacity);
    list->count = count;
}

void string_list_release(StringList* list) {
    for (int i = 0; i < list->count; i++) delete_one_array(list->items[i]);
    std::free(list->items);
    list->items = nullptr;
    list->count = 0;
}

void string_list_copy(StringList* destination, const StringList* source) {
    for (int i = 0; i < destination->count && i < source->count; i++)
        array_copy(destination->items[i], source->items[i]->text);
}

void string_list_assign(StringList* list, const char* const* strings, int n) {
    for (int i = 0; i < n && i < list->count; i++) array_copy(list->items[i], strings[i]);
}

void string_list_clear(StringList* list) {
    for (int i = 0; i < list->count; i++) array_clear(list->items[i]);
}

Array* string_list_get(StringList* list, int index) {
    if (index < 0 || index >= list->count) {
        index_report();
        return nullptr;
    }
    return list->items[index];
}

void string_list_set(StringList* list, int index, Array* entry) {
    if (index < 0 || index >= list->count) return index_report();
    list->items[index] = entry;
}

StringList* string_list_new(int count, int capacity) {
    StringList* list = new StringList;
    string_list_init(list, count, capacity);
    return list;
}
