#include "tests/unit/json_reader.h"

#include <cstdlib>

namespace {

const JsonValue null_value;

struct Parser {
    const std::string& s;
    size_t at = 0;

    void space() {
        while (at < s.size() && (s[at] == ' ' || s[at] == '\t' || s[at] == '\r' || s[at] == '\n')) at++;
    }
    bool literal(const char* word) {
        size_t n = std::char_traits<char>::length(word);
        if (s.compare(at, n, word) != 0) return false;
        at += n;
        return true;
    }
    static void put_utf8(std::string& out, unsigned long c) {
        if (c < 0x80) {
            out += static_cast<char>(c);
        } else if (c < 0x800) {
            out += static_cast<char>(0xC0 | (c >> 6));
            out += static_cast<char>(0x80 | (c & 0x3F));
        } else if (c < 0x10000) {
            out += static_cast<char>(0xE0 | (c >> 12));
            out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (c & 0x3F));
        } else {
            out += static_cast<char>(0xF0 | (c >> 18));
            out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
            out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (c & 0x3F));
        }
    }
    bool hex4(unsigned long* value) {
        if (at + 4 > s.size()) return false;
        char digits[5] = {s[at], s[at + 1], s[at + 2], s[at + 3], 0};
        char* end = nullptr;
        *value = std::strtoul(digits, &end, 16);
        at += 4;
        return end == digits + 4;
    }
    bool string(std::string* out) {
        if (at >= s.size() || s[at] != '"') return false;
        at++;
        while (at < s.size() && s[at] != '"') {
            char c = s[at++];
            if (c != '\\') {
                *out += c;
                continue;
            }
            if (at >= s.size()) return false;
            char e = s[at++];
            switch (e) {
                case 'n': *out += '\n'; break;
                case 'r': *out += '\r'; break;
                case 't': *out += '\t'; break;
                case 'b': *out += '\b'; break;
                case 'f': *out += '\f'; break;
                case 'u': {
                    unsigned long c1 = 0;
                    if (!hex4(&c1)) return false;
                    if (c1 >= 0xD800 && c1 < 0xDC00 && s.compare(at, 2, "\\u") == 0) {
                        at += 2;
                        unsigned long c2 = 0;
                        if (!hex4(&c2)) return false;
                        c1 = 0x10000 + ((c1 - 0xD800) << 10) + (c2 - 0xDC00);
                    }
                    put_utf8(*out, c1);
                    break;
                }
                default: *out += e;
            }
        }
        if (at >= s.size()) return false;
        at++;
        return true;
    }
    bool value(JsonValue* v) {
        space();
        if (at >= s.size()) return false;
        char c = s[at];
        if (c == '{') {
            v->kind = JsonValue::OBJECT;
            at++;
            space();
            if (at < s.size() && s[at] == '}') return ++at, true;
            for (;;) {
                space();
                std::string name;
                if (!string(&name)) return false;
                space();
                if (at >= s.size() || s[at++] != ':') return false;
                v->names.push_back(name);
                v->values.emplace_back();
                if (!value(&v->values.back())) return false;
                space();
                if (at < s.size() && s[at] == ',') {
                    at++;
                    continue;
                }
                return at < s.size() && s[at++] == '}';
            }
        }
        if (c == '[') {
            v->kind = JsonValue::ARRAY;
            at++;
            space();
            if (at < s.size() && s[at] == ']') return ++at, true;
            for (;;) {
                v->items.emplace_back();
                if (!value(&v->items.back())) return false;
                space();
                if (at < s.size() && s[at] == ',') {
                    at++;
                    continue;
                }
                return at < s.size() && s[at++] == ']';
            }
        }
        if (c == '"') {
            v->kind = JsonValue::STRING;
            return string(&v->text);
        }
        if (literal("true")) return v->kind = JsonValue::BOOLEAN, v->boolean = true, true;
        if (literal("false")) return v->kind = JsonValue::BOOLEAN, true;
        if (literal("null")) return true;
        char* end = nullptr;
        v->number = std::strtod(s.c_str() + at, &end);
        if (end == s.c_str() + at) return false;
        v->kind = JsonValue::NUMBER;
        at = static_cast<size_t>(end - s.c_str());
        return true;
    }
};

}  // namespace

const JsonValue& JsonValue::operator[](const std::string& name) const {
    for (size_t i = 0; i < names.size(); i++)
        if (names[i] == name) return values[i];
    return null_value;
}

const JsonValue& JsonValue::operator[](size_t index) const { return index < items.size() ? items[index] : null_value; }

bool JsonValue::has(const std::string& name) const {
    for (const std::string& n : names)
        if (n == name) return true;
    return false;
}

bool json_parse(const std::string& text, JsonValue* out) {
    Parser p{text};
    *out = JsonValue{};
    if (!p.value(out)) return false;
    p.space();
    return p.at == text.size();
}
