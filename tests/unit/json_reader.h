// A small JSON reader for test oracles: enough of RFC 8259 to read the
// corpus readings kept beside the messages.
#pragma once

#include <string>
#include <vector>

struct JsonValue {
    enum Kind { NUL, BOOLEAN, NUMBER, STRING, ARRAY, OBJECT } kind = NUL;
    bool boolean = false;
    double number = 0;
    std::string text;  // strings as UTF-8
    std::vector<JsonValue> items;
    // An object's members in file order, names and values side by side.
    std::vector<std::string> names;
    std::vector<JsonValue> values;

    // The member of that name, or a null value.
    const JsonValue& operator[](const std::string& name) const;
    const JsonValue& operator[](size_t index) const;
    bool has(const std::string& name) const;
    size_t size() const { return kind == ARRAY ? items.size() : values.size(); }
};

// Parses the whole text; false (and `out` unspecified) on malformed input.
bool json_parse(const std::string& text, JsonValue* out);
