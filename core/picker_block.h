// The block of named shared memory through which the client asks the
// file-dialog helper (zenth-picker) for an open or save dialog. Both
// programs map the same 2780 bytes; the state word hands the block back and
// forth. The block is memory another process writes, so every text goes in
// and out bounded by its field with its zero inside the field.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

struct PickerBlock {
    int32_t struct_size;           // OPENFILENAMEA size as the client writes it (76); the helper uses its own
    int32_t owner;                 // the owner window's handle, low 32 bits
    char reserved_8[4];
    char filter[100];              // pairs of zero-ended strings, closed by an empty string
    char reserved_112[108];
    char file_name[1024];          // in: the proposed name; out: the chosen path
    int32_t file_name_size;        // nMaxFile
    char file_title[1000];         // out: the chosen file's name without folder
    int32_t file_title_size;       // nMaxFileTitle
    char directory[300];           // in: where the dialog starts; out: where the user ended
    char title[100];
    int32_t flags;                 // OFN_ values
    char reserved_2656[2];
    uint16_t extension_offset;     // nFileExtension
    char default_extension[10];    // without dot
    char reserved_2670[2];
    int32_t state;                 // PICKER_* below; read and written atomically only
    char reserved_2676[104];
};

static_assert(offsetof(PickerBlock, struct_size) == 0);
static_assert(offsetof(PickerBlock, owner) == 4);
static_assert(offsetof(PickerBlock, filter) == 12);
static_assert(offsetof(PickerBlock, file_name) == 220);
static_assert(offsetof(PickerBlock, file_name_size) == 1244);
static_assert(offsetof(PickerBlock, file_title) == 1248);
static_assert(offsetof(PickerBlock, file_title_size) == 2248);
static_assert(offsetof(PickerBlock, directory) == 2252);
static_assert(offsetof(PickerBlock, title) == 2552);
static_assert(offsetof(PickerBlock, flags) == 2652);
static_assert(offsetof(PickerBlock, extension_offset) == 2658);
static_assert(offsetof(PickerBlock, default_extension) == 2660);
static_assert(offsetof(PickerBlock, state) == 2672);
static_assert(sizeof(PickerBlock) == 2780);

// The state word. 1 is never set and reads as idle.
constexpr int32_t PICKER_IDLE = 0;
constexpr int32_t PICKER_OPEN_ASKED = 2;
constexpr int32_t PICKER_SAVE_ASKED = 3;
constexpr int32_t PICKER_OPEN_SHOWN = 4;  // asked + 2, set by the helper as it takes the request
constexpr int32_t PICKER_SAVE_SHOWN = 5;
constexpr int32_t PICKER_END = -1;        // the helper must end, or could not be started

// The value the client writes into the structure size field.
constexpr int32_t PICKER_STRUCT_SIZE_FIELD = 76;
// OFN_OVERWRITEPROMPT: the flags of every request.
constexpr int32_t PICKER_OVERWRITE_PROMPT = 0x2;

// The state word with acquire order: the fields the other side wrote before
// it set this state are seen. 1 reads as PICKER_IDLE.
int32_t picker_state(PickerBlock* block);
// Sets the state word with release order, after the fields it hands over.
void picker_set_state(PickerBlock* block, int32_t state);
// Sets `to` only when the word holds `from`, in one step; true when it did.
bool picker_change_state(PickerBlock* block, int32_t from, int32_t to);
// The helper's take of a request: 2 becomes 4 and 3 becomes 5 by
// compare-and-swap, so a request the client took back is never shown.
// Answers 4 or 5 when this call took a request, PICKER_END when the helper
// must end, and PICKER_IDLE when there is nothing to take.
int32_t picker_take_request(PickerBlock* block);

// A request as the client writes it into the block.
struct PickerRequest {
    // Pairs of zero-ended strings (description, pattern) closed by an empty
    // string, the view covering the source's own bytes: "a\0*.a\0"sv.
    // Empty: no filter.
    std::string_view filter;
    const char* file_name = nullptr;          // proposed name, or none
    const char* directory = nullptr;          // start folder, or none
    const char* title = nullptr;
    const char* default_extension = nullptr;  // without dot, or none
    int32_t flags = PICKER_OVERWRITE_PROMPT;
};

// Writes the request's fields and clears the ones it does not have, so no
// text of an earlier request is left. A text longer than its field is cut
// with its zero inside the field; the filter keeps the whole pairs that fit
// with its closing empty string. The state word and the owner stay.
// False when anything had to be cut.
bool picker_write_request(PickerBlock* block, const PickerRequest& request);

// Where the client reads a result into: buffers of the given sizes, the
// title and folder optional (null).
struct PickerResult {
    char* file_name = nullptr;
    size_t file_name_size = 0;
    char* file_title = nullptr;
    size_t file_title_size = 0;
    char* directory = nullptr;
    size_t directory_size = 0;
    uint16_t extension_offset = 0;
};

// Reads a finished request back. True when a file was chosen: the buffers
// hold the path, the title and the folder. False when the dialog was
// cancelled or a text is not ended inside its field or does not fit its
// buffer; the file name buffer is then empty, the others unchanged.
bool picker_read_result(const PickerBlock* block, PickerResult* result);

// What the helper does before it hands the fields to the dialog: sizes no
// larger than their fields (and a size below 1 becomes the field's), every
// text ended inside its field, the filter closed by an empty string.
void picker_sanitise(PickerBlock* block);

// A field's text as the dialog should get it: none when empty.
const char* picker_text_or_none(const char* field);

// After the dialog: the folder of the chosen file when one was chosen (the
// folder the user last chose in), otherwise `current_directory`; a text that
// does not fit the field leaves the field as it was.
void picker_set_result_directory(PickerBlock* block, bool chosen, const char* current_directory);

// The owner field is the low 32 bits of a window handle, which Win64 keeps
// significant in 32 bits; the handle value comes back by sign extension.
inline intptr_t picker_owner_handle(int32_t owner) { return static_cast<intptr_t>(owner); }
inline int32_t picker_owner_field(intptr_t handle) {
    return static_cast<int32_t>(static_cast<uint32_t>(static_cast<uintptr_t>(handle)));
}
