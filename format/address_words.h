// Display names of outgoing address fields ("From:", "To:", "Cc:") beyond
// ASCII, written as RFC 2047 encoded words; the addresses stay as typed.
#pragma once

#include <string>
#include <string_view>

// One entry in display form ("Name" <address>, Name <address>, a bare
// address) or a name alone, as a header writes it. ASCII entries stay as
// they are. Otherwise the name, without its quotes, becomes UTF-8 encoded
// words (folded, at most 75 characters each) followed by a blank and the
// address in angle brackets, on a line of its own when it would not fit
// the last line; a bare address stays as it is. `used` is how much of the
// first line is taken already.
std::string encode_address_entry(std::string_view entry, size_t used);

// A names text of the builder (entries joined by ",\r\n\t", the first one
// after `used` characters) with each entry encoded as above.
std::string encode_names_text(std::string_view names, size_t used);
