#include "core/picker_block.h"

#include <atomic>
#include <cstring>

namespace {

using StateWord = std::atomic_ref<int32_t>;
static_assert(StateWord::is_always_lock_free, "the state word is shared between processes");
static_assert(offsetof(PickerBlock, state) % StateWord::required_alignment == 0);

// Fills the field from a zero-ended text, its zero inside the field and the
// rest of the field cleared. False when the text had to be cut.
bool put_text(char* field, size_t size, const char* text) {
    std::memset(field, 0, size);
    if (!text) return true;
    size_t length = strnlen(text, size);
    if (length == size) {
        std::memcpy(field, text, size - 1);
        return false;
    }
    std::memcpy(field, text, length);
    return true;
}

template <size_t N>
bool put_text(char (&field)[N], const char* text) {
    return put_text(field, N, text);
}

// The zero-ended string at `at`, or up to the end of the source when it has
// no zero there.
std::string_view string_at(std::string_view source, size_t at) {
    if (at >= source.size()) return {};
    std::string_view rest = source.substr(at);
    return rest.substr(0, rest.find('\0'));
}

// Whole pairs of the filter up to its closing empty string, as many as fit
// with that empty string inside the field. A description without a pattern
// ("All Files(*.*)" and two zeros) ends the list.
bool put_filter(char (&field)[100], std::string_view source) {
    std::memset(field, 0, sizeof field);
    size_t put = 0, at = 0;
    for (;;) {
        std::string_view description = string_at(source, at);
        if (description.empty()) return true;
        size_t after = at + description.size() + 1;
        std::string_view pattern = string_at(source, after);
        size_t need = description.size() + 1 + (pattern.empty() ? 0 : pattern.size() + 1);
        if (put + need + 1 > sizeof field) return false;
        std::memcpy(field + put, description.data(), description.size());
        put += description.size() + 1;
        if (pattern.empty()) return true;
        std::memcpy(field + put, pattern.data(), pattern.size());
        put += pattern.size() + 1;
        at = after + pattern.size() + 1;
    }
}

// The length of a field's text, or -1 when the field holds no zero or the
// text does not fit a buffer of `room` bytes.
long fitting_length(const char* field, size_t size, size_t room) {
    size_t length = strnlen(field, size);
    if (length == size || length >= room) return -1;
    return static_cast<long>(length);
}

// Copies exactly `length` bytes and the zero: a field the other process
// rewrites meanwhile cannot carry the copy past the buffer.
void take_text(char* out, const char* field, long length) {
    std::memcpy(out, field, static_cast<size_t>(length));
    out[length] = '\0';
}

int32_t size_within(int32_t size, size_t field) {
    return size < 1 || static_cast<size_t>(size) > field ? static_cast<int32_t>(field) : size;
}

}  // namespace

int32_t picker_state(PickerBlock* block) {
    int32_t state = StateWord(block->state).load(std::memory_order_acquire);
    return state == 1 ? PICKER_IDLE : state;
}

void picker_set_state(PickerBlock* block, int32_t state) {
    StateWord(block->state).store(state, std::memory_order_release);
}

bool picker_change_state(PickerBlock* block, int32_t from, int32_t to) {
    return StateWord(block->state).compare_exchange_strong(from, to, std::memory_order_acq_rel,
                                                           std::memory_order_acquire);
}

int32_t picker_take_request(PickerBlock* block) {
    int32_t state = picker_state(block);
    if (state == PICKER_OPEN_ASKED || state == PICKER_SAVE_ASKED) {
        if (picker_change_state(block, state, state + 2)) return state + 2;
        state = picker_state(block);
    }
    return state == PICKER_END ? PICKER_END : PICKER_IDLE;
}

bool picker_write_request(PickerBlock* block, const PickerRequest& request) {
    bool whole = put_filter(block->filter, request.filter);
    whole = put_text(block->file_name, request.file_name) && whole;
    whole = put_text(block->file_title, nullptr) && whole;
    whole = put_text(block->directory, request.directory) && whole;
    whole = put_text(block->title, request.title) && whole;
    whole = put_text(block->default_extension, request.default_extension) && whole;
    block->struct_size = PICKER_STRUCT_SIZE_FIELD;
    block->file_name_size = sizeof block->file_name;
    block->file_title_size = sizeof block->file_title;
    block->flags = request.flags;
    block->extension_offset = 0;
    return whole;
}

bool picker_read_result(const PickerBlock* block, PickerResult* result) {
    if (!result->file_name || result->file_name_size == 0) return false;
    result->file_name[0] = '\0';
    long name = fitting_length(block->file_name, sizeof block->file_name, result->file_name_size);
    if (name <= 0) return false;
    long title = 0, folder = 0;
    if (result->file_title) {
        title = fitting_length(block->file_title, sizeof block->file_title, result->file_title_size);
        if (title < 0) return false;
    }
    if (result->directory) {
        folder = fitting_length(block->directory, sizeof block->directory, result->directory_size);
        if (folder < 0) return false;
    }
    take_text(result->file_name, block->file_name, name);
    if (result->file_title) take_text(result->file_title, block->file_title, title);
    if (result->directory) take_text(result->directory, block->directory, folder);
    result->extension_offset = block->extension_offset <= name ? block->extension_offset : 0;
    return true;
}

void picker_sanitise(PickerBlock* block) {
    block->file_name_size = size_within(block->file_name_size, sizeof block->file_name);
    block->file_title_size = size_within(block->file_title_size, sizeof block->file_title);
    // Two zeros at the end close the list of strings whatever comes before.
    block->filter[sizeof block->filter - 2] = '\0';
    block->filter[sizeof block->filter - 1] = '\0';
    block->file_name[sizeof block->file_name - 1] = '\0';
    block->file_title[sizeof block->file_title - 1] = '\0';
    block->directory[sizeof block->directory - 1] = '\0';
    block->title[sizeof block->title - 1] = '\0';
    block->default_extension[sizeof block->default_extension - 1] = '\0';
}

const char* picker_text_or_none(const char* field) { return field[0] ? field : nullptr; }

void picker_set_result_directory(PickerBlock* block, bool chosen, const char* current_directory) {
    if (chosen) {
        std::string_view name(block->file_name, strnlen(block->file_name, sizeof block->file_name));
        size_t cut = name.find_last_of("\\/");
        if (cut != std::string_view::npos && name.size() < sizeof block->file_name) {
            // A root keeps its separator: "C:\" and "\", not "C:" and "".
            size_t length = cut == 0 || (cut == 2 && name[1] == ':') ? cut + 1 : cut;
            if (length < sizeof block->directory) {
                std::memset(block->directory, 0, sizeof block->directory);
                std::memcpy(block->directory, name.data(), length);
                return;
            }
        }
    }
    if (!current_directory || !current_directory[0]) return;
    if (strnlen(current_directory, sizeof block->directory) == sizeof block->directory) return;
    put_text(block->directory, current_directory);
}
