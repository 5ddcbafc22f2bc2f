#include "format/json.h"

#include <cstdlib>
#include <cstring>

#include "format/charsets.h"
#include "format/utf8.h"

namespace {

const JsonValue null_value;

int hex_digit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

bool is_digit(char c) { return c >= '0' && c <= '9'; }

struct Parser {
    const std::string& s;
    int max_depth;
    size_t at = 0;

    char peek() const { return at < s.size() ? s[at] : '\0'; }
    void space() {
        while (at < s.size() && (s[at] == ' ' || s[at] == '\t' || s[at] == '\r' || s[at] == '\n')) at++;
    }
    bool literal(const char* word) {
        size_t n = std::strlen(word);
        if (s.compare(at, n, word) != 0) return false;
        at += n;
        return true;
    }
    bool hex4(char32_t* value) {
        if (s.size() - at < 4) return false;
        *value = 0;
        for (int i = 0; i < 4; i++) {
            int d = hex_digit(s[at++]);
            if (d < 0) return false;
            *value = *value << 4 | static_cast<char32_t>(d);
        }
        return true;
    }
    bool escape(std::string* out) {
        if (at >= s.size()) return false;
        char e = s[at++];
        const char* plain = std::strchr("\"\\/bfnrt", e);
        if (e && plain) {
            static const char meant[] = "\"\\/\b\f\n\r\t";
            *out += meant[plain - "\"\\/bfnrt"];
            return true;
        }
        char32_t c = 0;
        if (e != 'u' || !hex4(&c)) return false;
        if (c >= 0xDC00 && c < 0xE000) return false;  // a low surrogate alone
        if (c >= 0xD800 && c < 0xDC00) {
            char32_t low = 0;
            if (!literal("\\u") || !hex4(&low) || low < 0xDC00 || low >= 0xE000) return false;
            c = 0x10000 + ((c - 0xD800) << 10) + (low - 0xDC00);
        }
        char bytes[4];
        out->append(bytes, put_utf8(c, bytes));
        return true;
    }
    bool string(std::string* out) {
        if (peek() != '"') return false;
        at++;
        while (at < s.size() && s[at] != '"') {
            char c = s[at++];
            if (static_cast<unsigned char>(c) < 0x20) return false;
            if (c != '\\') {
                *out += c;
            } else if (!escape(out)) {
                return false;
            }
        }
        if (at >= s.size()) return false;
        at++;
        return true;
    }
    bool digits() {
        size_t from = at;
        while (is_digit(peek())) at++;
        return at > from;
    }
    bool number(JsonValue* v) {
        size_t from = at;
        if (peek() == '-') at++;
        if (peek() == '0') {
            at++;
        } else if (!digits()) {
            return false;
        }
        if (peek() == '.') {
            at++;
            if (!digits()) return false;
        }
        if (peek() == 'e' || peek() == 'E') {
            at++;
            if (peek() == '+' || peek() == '-') at++;
            if (!digits()) return false;
        }
        v->kind = JsonValue::NUMBER;
        v->number = std::strtod(s.substr(from, at - from).c_str(), nullptr);
        return true;
    }
    bool object(JsonValue* v, int depth) {
        v->kind = JsonValue::OBJECT;
        at++;
        space();
        if (peek() == '}') return ++at, true;
        for (;;) {
            space();
            std::string name;
            if (!string(&name) || v->has(name)) return false;
            space();
            if (peek() != ':') return false;
            at++;
            v->names.push_back(name);
            v->values.emplace_back();
            if (!value(&v->values.back(), depth + 1)) return false;
            space();
            if (peek() == ',') {
                at++;
                continue;
            }
            return peek() == '}' && ++at;
        }
    }
    bool array(JsonValue* v, int depth) {
        v->kind = JsonValue::ARRAY;
        at++;
        space();
        if (peek() == ']') return ++at, true;
        for (;;) {
            v->items.emplace_back();
            if (!value(&v->items.back(), depth + 1)) return false;
            space();
            if (peek() == ',') {
                at++;
                continue;
            }
            return peek() == ']' && ++at;
        }
    }
    bool value(JsonValue* v, int depth) {
        if (depth > max_depth) return false;
        space();
        switch (peek()) {
            case '{': return object(v, depth);
            case '[': return array(v, depth);
            case '"': v->kind = JsonValue::STRING; return string(&v->text);
            case 't': return literal("true") && (v->kind = JsonValue::BOOLEAN, v->boolean = true);
            case 'f': return literal("false") && (v->kind = JsonValue::BOOLEAN, true);
            case 'n': return literal("null");
            default: return number(v);
        }
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

bool json_parse(const std::string& text, JsonValue* out, const JsonLimits& limits) {
    *out = JsonValue{};
    if (text.size() > limits.max_bytes || !valid_utf8(text)) return false;
    Parser p{text, limits.max_depth};
    if (!p.value(out, 1)) return false;
    p.space();
    return p.at == text.size();
}
