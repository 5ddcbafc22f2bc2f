// Percent-encoding (RFC 3986 section 2.1): the values of an OAuth 2.0
// authorization URL and token request, the browser's redirect back to the
// client, and the RFC 2231 parameters of attachment names.
#pragma once

#include <string>
#include <string_view>

// Every byte as "%XX" (upper-case digits) except letters, digits and the
// characters of `kept`; by default the unreserved characters of RFC 3986
// section 2.3, so the text is safe in any part of a URL or form body.
std::string percent_encode(std::string_view text, std::string_view kept = "-._~");

// Decodes "%XX" escapes (either letter case). With `strict`, a "%" that
// does not begin an escape refuses the whole text (false, `out` then
// unspecified); without, it is kept as written. With `plus_is_space` a "+"
// is a blank, as in a form-encoded query (application/x-www-form-urlencoded).
bool percent_decode(std::string_view text, std::string* out, bool strict, bool plus_is_space = false);
