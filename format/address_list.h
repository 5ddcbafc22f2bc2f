// Address entries and address lists. A list is a StringList (100 entries of
// 256 characters for every list of the client), filled from index 0; the
// first empty entry ends it. An entry is either in display form, as typed or
// received ("Jane Doe" <jane@example.org>, or a bare address), or in bar form,
// display name, "|" and address, as the compose window makes it.
#pragma once

#include "core/arrays.h"

// The closing character of the quoted string or comment that begins at
// `at` ('"' or '('): comments nest, and a backslash escapes the character
// after it ("Doe, Jane \"JD\""). Null when it is not closed.
const char* closing_of(const char* at);

// Splits one entry into its address and its name (each cleared first; either
// may be null). In bar form (`bar_form` 1 and a "|" present) the name is the
// text before the first bar and the address the text after it. Otherwise the
// address is the text between "<" and the next ">", or the whole entry
// without such a pair, and the name is the whole entry. The address never
// keeps surrounding white space. At most `max_address` and `max_name`
// characters.
void split_address(const char* entry, Array* out_address, Array* out_name, int max_address, int max_name,
                   int bar_form);

// The two texts of an outgoing message (either output may be null): the bare
// addresses joined by commas ("a,b", for the envelope) and the names joined
// by a comma and a fold ("Jane,\r\n\tb", for the "To:" line). Entries are
// split in bar form, 124 characters each; a bar-form entry without a name
// stands in the names text by its address. Only whole entries are joined.
// Returns 0, or -1 when an entry did not fit a buffer and was left out.
int join_address_list(StringList* list, Array* out_addresses, Array* out_names);

// Splits a comma-separated text into the list (cleared first). Commas inside
// a pair of double quotes do not split. Returns 0; -1 when an entry was
// longer than 255 characters (it is stored cut) or the text holds more than
// `max_entries` entries (the first `max_entries` are stored).
int split_address_list(const char* text, StringList* list, int max_entries);

// Joins the first entries of the list (up to `max_entries`, stopping at the
// first empty one) by commas into `out` (cleared first), at most `max_len`
// characters; only whole entries are joined. Returns 0; -1 when all
// `max_entries` entries were in use or an entry did not fit.
int join_list(StringList* list, Array* out, int max_entries, int max_len);

// An address field as a whole: the longest "To:" text a message carries, and
// the capacity of every buffer that holds one field or a joined list (at
// most 12630 characters and the terminator), 100 addresses at most.
constexpr int address_field_capacity = 12631;
constexpr int address_list_entries = 100;

// 1 when the address of `entry` equals (case included) the address of one of
// the first `count` entries of the list, else 0. Display form only.
int address_in_list(StringList* list, const char* entry, int count);
// Drops every entry whose address an earlier entry already has, keeping the
// order. Returns the number dropped, or -1 (list unchanged) when more than
// `max` entries would remain.
int remove_duplicate_addresses(StringList* list, int max);
// 1 when remove_duplicate_addresses would drop anything, else 0.
int has_duplicate_addresses(StringList* list);

// 0 when the recipient text splits into entries none of which is empty,
// -1 when it begins or ends with a comma or holds two commas with nothing
// but white space between them (commas inside double quotes do not count).
int check_recipient_string(const char* text);

// Reads an address field from a header held in memory (`name` such as
// "\nTo:", matched ignoring case), unfolds it and splits it into the list.
// Returns 0; -2 when the header has no such field; -1 when its value is
// unterminated, the text has no header end, or the split fails.
int parse_address_field(const char* header_text, const char* name, StringList* list, int max_entries);
