// Fixed-capacity buffers and lists of them. Every piece of variable-length
// data travels in these; they never grow, and every write is checked against
// the capacity fixed at creation. A refused write is reported (log, and for
// most operations a "libArrays" message box) and the program goes on.
#pragma once

#include <cstddef>
#include <cstdint>

struct Array {
    char* text = nullptr;            // read view of the block as characters
    unsigned char* bytes = nullptr;  // raw bytes (colour components and the like)
    uint32_t* words = nullptr;       // tables of handles and numbers, read side
    int capacity = 0;                // bytes; every bound is computed from it
    int count = 0;                   // elements (the capacity for a byte buffer)
    int element_size = 1;
    void* storage = nullptr;         // the owned allocation
    char* chars = nullptr;           // write view of the text
    int32_t* int32s = nullptr;
    int16_t* int16s = nullptr;
};

struct StringList {
    int count = 0;
    Array** items = nullptr;
};

// Where a refused write and a failed allocation are shown (the text and the
// caption of a message box): the program points it at its message box when
// it starts. Until then, and in programs that never do, they are only logged.
using FaultReport = void (*)(const char* text, const char* caption);
void set_fault_report(FaultReport report);

// Allocation that never returns null: a failure tells the user and ends the
// client. The block is zero-filled.
void* xmalloc(size_t size);

void array_init(Array* a, int capacity);
void array_init_elements(Array* a, int count, int element_size);
void array_release(Array* a);
void* array_element(Array* a, int index);
int array_store_element(Array* a, int index, const void* source);
void array_set_char(Array* a, int index, int value);
void array_set_char_at(Array* a, const char* address, int value);
void array_set_int32(Array* a, int index, int32_t value);
void array_set_int16(Array* a, int index, int16_t value);
void array_chop(Array* a);
void array_clear(Array* a);
void array_append_char(Array* a, int character);
int array_printf(Array* a, const char* format, ...) __attribute__((format(printf, 2, 3)));
int array_printf_at(Array* a, int offset, const char* format, ...) __attribute__((format(printf, 3, 4)));
int array_fit(const Array* a, int length, int offset);

// The bounded copy used everywhere: at most capacity - 1 characters, the rest
// of the block zero-filled (strncpy semantics), so the text stays terminated.
void array_copy(Array* a, const char* source);
// Copies up to `length` characters of `source` to `offset`, as many as fit.
void array_copy_at(Array* a, int offset, const char* source, int length);

// Heap-allocated buffers, the usual way a function makes its working buffers.
Array* array_new(int capacity);
Array* array_new_elements(int count, int element_size);

void string_list_init(StringList* list, int count, int capacity);
void string_list_release(StringList* list);
void string_list_copy(StringList* destination, const StringList* source);
void string_list_assign(StringList* list, const char* const* strings, int n);
void string_list_clear(StringList* list);
Array* string_list_get(StringList* list, int index);
void string_list_set(StringList* list, int index, Array* entry);
StringList* string_list_new(int count, int capacity);

// Releases each pointer in turn, stopping at the first null, so callers can
// hand over their whole set of buffers at every exit of a function.
template <class... P>
void free_all(P*... pointers);
template <class... A>
void delete_arrays(A*... arrays);

void free_one(void* p);
bool delete_one_array(Array* a);  // false for null: the walk stops there

template <class... P>
void free_all(P*... pointers) {
    bool going = true;
    ((going = going && pointers != nullptr, going ? free_one(pointers) : void()), ...);
}

template <class... A>
void delete_arrays(A*... arrays) {
    bool going = true;
    ((going = going && delete_one_array(arrays)), ...);
}
