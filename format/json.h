// A strict, bounded JSON reader (RFC 8259): the replies of an OAuth 2.0
// token endpoint and of a mail server's refused bearer login, and the
// tests' readings of the corpus. The text comes from a peer, so anything
// that is not JSON is refused whole rather than guessed at, and its size
// and depth are bounded.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

struct JsonValue {
    enum Kind { NUL, BOOLEAN, NUMBER, STRING, ARRAY, OBJECT } kind = NUL;
    bool boolean = false;
    double number = 0;
    std::string text;  // strings as UTF-8
    std::vector<JsonValue> items;
    // An object's members in text order, names and values side by side.
    std::vector<std::string> names;
    std::vector<JsonValue> values;

    // The member of that name, or a null value.
    const JsonValue& operator[](const std::string& name) const;
    const JsonValue& operator[](size_t index) const;
    bool has(const std::string& name) const;
    size_t size() const { return kind == ARRAY ? items.size() : values.size(); }
};

struct JsonLimits {
    size_t max_bytes = 64 * 1024;
    int max_depth = 16;
};

// Parses the whole text: one value with only white space around it, UTF-8
// throughout, every string escape and number as the grammar has it, no
// member name twice in one object, and within the limits. false (and `out`
// unspecified) otherwise.
bool json_parse(const std::string& text, JsonValue* out, const JsonLimits& limits = {});
