#include "format/outgoing_recipients.h"

#include <cstring>
#include <initializer_list>

#include "format/address_list.h"
#include "format/header_text.h"

namespace {

constexpr int list_entries = 100;
constexpr int entry_size = 256;
constexpr int text_size = address_field_capacity;  // the "To:" control's limit, and the joined texts
constexpr int longest_text = 12629;

const char capacity_message[] = "Recipient string exceed capacity.";

int count_entries(const StringList* list) {
    int n = 0;
    while (n < list->count && list->items[n]->text[0]) n++;
    return n;
}

StringList* new_list() { return string_list_new(list_entries, entry_size); }

void free_list(StringList*& list) {
    if (!list) return;
    string_list_release(list);
    delete list;
    list = nullptr;
}

bool read_one(const char* raw, Array*& text, StringList*& list) {
    text = array_new(text_size);
    list = new_list();
    if (!raw) raw = "";
    if (strnlen(raw, longest_text + 1) > static_cast<size_t>(longest_text)) return false;
    header_safe_copy(text, raw, longest_text);
    return split_address_list(text->text, list, list_entries) == 0;
}

// Appends the entries of `from`; with `only_new` those whose address the
// envelope does not hold yet.
bool add_entries(StringList* envelope, int* used, StringList* from, bool only_new) {
    for (int i = 0; i < from->count && from->items[i]->text[0]; i++) {
        const char* entry = from->items[i]->text;
        if (only_new && address_in_list(envelope, entry, *used)) continue;
        if (*used >= list_entries) return false;
        array_copy(envelope->items[(*used)++], entry);
    }
    return true;
}

}  // namespace

int recipients_read(OutgoingRecipients* r, const ComposeFields* fields) {
    bool good = read_one(fields->to, r->to_text, r->to);
    good = read_one(fields->cc, r->cc_text, r->cc) && good;
    good = read_one(fields->bcc, r->bcc_text, r->bcc) && good;
    if (good) return 0;
    ui_message_box(fields->window, capacity_message, "Zenth Mail", UI_OK);
    return -1;
}

void recipients_release(OutgoingRecipients* r) {
    free_list(r->to);
    free_list(r->cc);
    free_list(r->bcc);
    free_list(r->envelope);
    delete_arrays(r->to_text);
    delete_arrays(r->cc_text);
    delete_arrays(r->bcc_text);
    delete_arrays(r->addresses);
    delete_arrays(r->to_names);
    delete_arrays(r->cc_names);
    *r = OutgoingRecipients{};
}

void recipients_ask_duplicates(OutgoingRecipients* r, WindowRef window) {
    if (!has_duplicate_addresses(r->to)) return;
    int answer = ui_message_box(window, "The to field contains duplicate email addresses. Do you want to remove these?",
                                "Zenth Mail", UI_YESNO);
    if (answer == UI_ANSWER_YES) remove_duplicate_addresses(r->to, list_entries);
}

int recipients_join(OutgoingRecipients* r, WindowRef window) {
    r->envelope = new_list();
    r->addresses = array_new(text_size);
    r->to_names = array_new(text_size);
    r->cc_names = array_new(text_size);
    int used = 0;
    // The "To:" entries go as they are (the user was asked about repeats);
    // an address given again as a copy or hidden recipient gets one copy.
    bool good = add_entries(r->envelope, &used, r->to, false) && add_entries(r->envelope, &used, r->cc, true) &&
                add_entries(r->envelope, &used, r->bcc, true);
    // Every address must reach the envelope; the names only show in the
    // header, which is cut to whole entries anyway.
    good = good && join_address_list(r->envelope, r->addresses, nullptr) == 0;
    join_address_list(r->to, nullptr, r->to_names);
    join_address_list(r->cc, nullptr, r->cc_names);
    if (good) return 0;
    ui_message_box(window, capacity_message, "Zenth Mail", UI_OK);
    return -1;
}

bool recipients_undisclosed(const OutgoingRecipients* r, const ComposeFields* fields, bool for_display) {
    return fields->bcc_multiple && !for_display && count_entries(r->to) + count_entries(r->cc) > 1;
}

int recipients_check(const OutgoingRecipients* r) {
    // The typed texts, not the joined names: splitting stops a list at its
    // first empty entry, so "a," or "a,,b" would join into a text that
    // passes while an entry was silently dropped.
    for (const Array* text : {r->to_text, r->cc_text, r->bcc_text})
        if (check_recipient_string(text->text) != 0) return -1;
    return 0;
}

void cut_names(Array* names, int max) {
    int n = static_cast<int>(strnlen(names->text, static_cast<size_t>(names->capacity)));
    if (n <= max) return;
    for (int p = max < n - 4 ? max : n - 4; p >= 0; p--) {
        if (std::memcmp(names->text + p, ",\r\n\t", 4) == 0) {
            std::memset(names->chars + p, 0, static_cast<size_t>(n - p));
            return;
        }
    }
    array_clear(names);
}
