// Address texts through splitting, joining, duplicates and the recipient
// check, and as a header through parse_address_field. Entries stay within
// their buffers, and a text the check accepts splits and joins back to
// itself.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

#include "core/arrays.h"
#include "format/address_list.h"

namespace {
void check(bool condition) {
    if (!condition) std::abort();
}

void check_list(StringList* list) {
    for (int i = 0; i < list->count; i++) check(strnlen(list->items[i]->text, 256) < 256);
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string text(reinterpret_cast<const char*>(data), size);
    text = text.substr(0, text.find('\0'));
    StringList* list = string_list_new(100, 256);
    Array* joined = array_new(12631);
    Array* addresses = array_new(12631);
    Array* names = array_new(12631);

    int split = split_address_list(text.c_str(), list, 100);
    check(split == 0 || split == -1);
    check_list(list);
    int used = 0;
    while (used < 100 && list->items[used]->text[0]) used++;

    int joined_result = join_list(list, joined, 100, 12631);
    if (split == 0 && check_recipient_string(text.c_str()) == 0 && !text.empty() && used < 100 &&
        text.size() <= 12630) {
        check(joined_result == 0);
        check(text == joined->text);
    }
    join_address_list(list, addresses, names);
    check(strnlen(addresses->text, 12631) < 12631 && strnlen(names->text, 12631) < 12631);

    int had = has_duplicate_addresses(list);
    int dropped = remove_duplicate_addresses(list, 100);
    check(dropped >= 0 && (dropped > 0) == (had == 1));
    check(has_duplicate_addresses(list) == 0);
    check_list(list);

    Array* address = array_new(125);
    Array* name = array_new(125);
    for (int bar = 0; bar <= 1; bar++) {
        split_address(text.c_str(), address, name, 124, 124, bar);
        check(std::strlen(address->text) <= 124 && std::strlen(name->text) <= 124);
    }

    for (const char* field : {"\nTo:", "\nCc:"}) {
        int r = parse_address_field(text.c_str(), field, list, 100);
        check(r == 0 || r == -1 || r == -2);
        check_list(list);
    }
    string_list_release(list);
    delete list;
    delete_arrays(joined, addresses, names, address, name);
    return 0;
}
