#include "transport/imap_reader.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <vector>

#include "format/ascii_case.h"

namespace {

// What a streamed literal takes from the connection in one receive.
constexpr int body_chunk = 16384;
// A literal's size is read as a number up to this many digits, and shown
// as given up to twice as many; a longer one is no size at all.
constexpr int size_digits = 12;

enum Fault { NONE, CLOSED, TOO_LONG, MALFORMED, TOO_LARGE, CUT_LITERAL, SINK };

std::string upper(std::string text) {
    for (char& c : text) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return text;
}

// Characters that end an atom (RFC 3501 atom-specials, less those that
// bracketed sections and flags may hold).
bool ends_atom(char c) {
    return c == ' ' || c == '(' || c == ')' || c == '{' || c == '"' || c == '\r' || c == '\n' ||
           static_cast<unsigned char>(c) < 0x20 || c == 0x7f;
}

bool named(const ImapItem& item, std::string_view name) {
    return item.kind == ImapItem::ATOM && equal_nocase(std::string_view(item.text), name);
}

struct Parser {
    Parser(MailSession& session, const ImapBodySink* sink, const ImapBodyStart* starting)
        : s(session), body(sink), start(starting) {}
    MailSession& s;
    const ImapBodySink* body;
    const ImapBodyStart* start;
    int wire = 0;
    bool held = false;
    char next = 0;
    Fault fault = NONE;
    std::string announced;  // a literal's size as the server wrote it

    bool fail(Fault f) {
        if (fault == NONE) fault = f;
        return false;
    }

    bool get(char* c) {
        if (held) {
            held = false;
            *c = next;
            return true;
        }
        if (fault != NONE) return false;
        if (++wire > imap_response_limit) return fail(TOO_LONG);
        if (!s.next_byte(c)) return fail(CLOSED);
        return true;
    }

    bool peek(char* c) {
        if (!held) {
            if (!get(&next)) return false;
            held = true;
        }
        *c = next;
        return true;
    }

    // CR LF, or a bare LF, ends the response.
    bool line_end() {
        char c;
        if (!get(&c)) return false;
        if (c == '\r' && !get(&c)) return false;
        return c == '\n' || fail(MALFORMED);
    }

    // A word up to the next space or line end (a tag, "*", a name).
    bool word(std::string* out) {
        out->clear();
        char c;
        while (peek(&c) && !ends_atom(c)) {
            out->push_back(c);
            held = false;
        }
        return fault == NONE && (!out->empty() || fail(MALFORMED));
    }

    // The rest of the line, without its end.
    bool text(std::string* out) {
        out->clear();
        char c;
        while (get(&c)) {
            if (c == '\n') {
                if (!out->empty() && out->back() == '\r') out->pop_back();
                return true;
            }
            out->push_back(c);
        }
        return false;
    }

    bool atom(ImapItem* item) {
        item->kind = ImapItem::ATOM;
        char c;
        int bracket = 0;  // BODY[...] may hold spaces and parentheses
        while (peek(&c)) {
            if (c == '\r' || c == '\n') break;
            if (bracket == 0 && ends_atom(c)) break;
            if (c == '[') bracket++;
            if (c == ']' && bracket > 0) bracket--;
            item->text.push_back(c);
            held = false;
        }
        if (fault != NONE) return false;
        if (bracket > 0 || item->text.empty()) return fail(MALFORMED);
        if (equal_nocase(std::string_view(item->text), "NIL")) {
            item->kind = ImapItem::NIL;
            item->text.clear();
        }
        return true;
    }

    bool quoted(ImapItem* item) {
        item->kind = ImapItem::STRING;
        char c;
        held = false;  // the opening quote
        while (get(&c)) {
            if (c == '"') return true;
            if (c == '\r' || c == '\n') return fail(MALFORMED);
            if (c == '\\' && (!get(&c) || (c != '"' && c != '\\'))) return fail(MALFORMED);
            item->text.push_back(c);
        }
        return false;
    }

    // "{n}" or "{n+}" and its line end; the size in `size`.
    bool literal_size(long long* size) {
        char c;
        held = false;  // the brace
        *size = 0;
        while (get(&c) && c >= '0' && c <= '9') {
            if (announced.size() == 2 * size_digits) return fail(MALFORMED);
            announced.push_back(c);
            *size = announced.size() > size_digits ? imap_body_limit + 1 : *size * 10 + (c - '0');
        }
        if (fault != NONE) return false;
        if (c == '+' && !get(&c)) return false;
        if (c != '}' || announced.empty()) return fail(MALFORMED);
        if (!get(&c)) return false;
        if (c == '\r' && !get(&c)) return false;
        return c == '\n' || fail(MALFORMED);
    }

    bool literal(ImapItem* item, bool to_body) {
        long long size;
        if (!literal_size(&size)) return false;
        if (size > (to_body ? imap_body_limit : imap_response_limit - wire)) return fail(TOO_LARGE);
        if (!to_body) {
            item->kind = ImapItem::STRING;
            item->text.reserve(static_cast<size_t>(size));
            // Counted as wire bytes of the response, so the limit holds.
            for (long long i = 0; i < size; i++) {
                char c;
                if (!get(&c)) {
                    if (fault == CLOSED) fault = CUT_LITERAL;
                    return false;
                }
                item->text.push_back(c);
            }
            return true;
        }
        item->kind = ImapItem::STREAMED;
        item->text = std::to_string(size);
        std::vector<char> chunk(body_chunk);
        for (long long left = size; left > 0;) {
            int n = s.recv(chunk.data(), static_cast<int>(std::min<long long>(left, body_chunk)));
            if (n <= 0) return fail(CUT_LITERAL);
            if (!(*body)(chunk.data(), n)) return fail(SINK);
            left -= n;
        }
        return true;
    }

    // Items up to the line end (depth 0) or the closing parenthesis.
    bool items(ImapItem* list, int depth) {
        list->kind = ImapItem::LIST;
        char c;
        while (peek(&c)) {
            if (c == ' ') {
                held = false;
                continue;
            }
            if (c == '\r' || c == '\n') return depth == 0 ? line_end() : fail(MALFORMED);
            if (c == ')') {
                held = false;
                return depth > 0 || fail(MALFORMED);
            }
            list->items.emplace_back();
            ImapItem* item = &list->items.back();
            bool ok;
            if (c == '(') {
                held = false;
                ok = depth + 1 < imap_depth_limit ? items(item, depth + 1) : fail(MALFORMED);
            } else if (c == '"') {
                ok = quoted(item);
            } else if (c == '{') {
                // A message body follows the BODY[...] item that names it.
                size_t n = list->items.size();
                bool to_body = body && n >= 2 && list->items[n - 2].kind == ImapItem::ATOM &&
                               begins_nocase(list->items[n - 2].text.c_str(), "BODY[");
                ok = to_body && start && !(*start)(*list) ? fail(SINK) : literal(item, to_body);
            } else {
                ok = atom(item);
            }
            if (!ok) return false;
        }
        return false;
    }

    bool response(ImapResponse* r) {
        std::string first;
        char c;
        if (!peek(&c)) return false;
        if (c == '+') {
            held = false;
            r->kind = ImapResponse::CONTINUATION;
            if (peek(&c) && c == ' ') held = false;
            return fault == NONE && text(&r->text);
        }
        if (!word(&first)) return false;
        r->kind = first == "*" ? ImapResponse::UNTAGGED : ImapResponse::TAGGED;
        if (r->kind == ImapResponse::TAGGED) r->tag = first;
        if (!get(&c)) return false;
        if (c != ' ') return fail(MALFORMED);
        std::string name;
        if (!word(&name)) return false;
        if (r->kind == ImapResponse::UNTAGGED && std::all_of(name.begin(), name.end(), [](char d) { return d >= '0' && d <= '9'; })) {
            if (name.size() > 10) return fail(MALFORMED);
            r->number = std::stoll(name);
            if (!get(&c)) return false;
            if (c != ' ') return fail(MALFORMED);
            if (!word(&name)) return false;
        }
        r->name = upper(name);
        if (imap_is_status(*r) || r->name == "BYE" || r->name == "PREAUTH") {
            if (peek(&c) && c == ' ') held = false;
            return fault == NONE && text(&r->text);
        }
        if (r->kind == ImapResponse::TAGGED) return fail(MALFORMED);
        return items(&r->data, 0);
    }
};

const char* fault_text(Fault f) {
    switch (f) {
    case TOO_LONG: return "Response from IMAP server too long.\r\n";
    case MALFORMED: return "Malformed response from IMAP server.\r\n";
    case CUT_LITERAL: return "IMAP server closed the connection inside a literal.\r\n";
    case CLOSED: return "receiveline error\r\n";
    default: return nullptr;
    }
}

}  // namespace

int imap_read_response(MailSession& s, ImapResponse* r, const ImapBodySink* body, const ImapBodyStart* start) {
    *r = ImapResponse();
    Parser p(s, body, start);
    if (p.response(r)) return 0;
    if (p.fault == TOO_LARGE) {
        char text[80];
        std::snprintf(text, sizeof text, "IMAP server sent a literal of %s bytes.\r\n", p.announced.c_str());
        s.status.error(text);
    } else if (const char* text = fault_text(p.fault)) {
        s.status.error(text);
    }
    // Whatever follows cannot be read in step any more.
    s.close();
    return -1;
}

bool imap_is_status(const ImapResponse& r) {
    return r.kind != ImapResponse::CONTINUATION && (r.name == "OK" || r.name == "NO" || r.name == "BAD");
}

bool imap_code_number(std::string_view text, std::string_view code, uint32_t* value) {
    if (text.size() < code.size() + 3 || text[0] != '[' || !equal_nocase(text.substr(1, code.size()), code) ||
        text[code.size() + 1] != ' ')
        return false;
    unsigned long long n = 0;
    size_t at = code.size() + 2;
    size_t digits = 0;
    for (; at < text.size() && text[at] >= '0' && text[at] <= '9' && digits < 11; at++, digits++)
        n = n * 10 + static_cast<unsigned>(text[at] - '0');
    if (digits == 0 || at >= text.size() || text[at] != ']' || n > 0xffffffffULL) return false;
    *value = static_cast<uint32_t>(n);
    return true;
}

std::string imap_response_line(const ImapResponse& r) {
    std::string line = r.kind == ImapResponse::TAGGED ? r.tag : r.kind == ImapResponse::UNTAGGED ? "*" : "+";
    if (!r.name.empty()) line += " " + r.name;
    if (!r.text.empty()) line += " " + r.text;
    return line + "\r\n";
}

bool imap_number(const ImapItem& item, unsigned long long most, unsigned long long* out) {
    if (item.kind != ImapItem::ATOM || item.text.empty() || item.text.size() > 19) return false;
    unsigned long long n = 0;
    for (char c : item.text) {
        if (c < '0' || c > '9') return false;
        n = n * 10 + static_cast<unsigned>(c - '0');
    }
    if (n > most) return false;
    *out = n;
    return true;
}

const ImapItem* imap_fetch_item(const ImapResponse& r, std::string_view name) {
    if (r.name != "FETCH" || r.data.items.size() != 1 || r.data.items[0].kind != ImapItem::LIST) return nullptr;
    const std::vector<ImapItem>& pairs = r.data.items[0].items;
    for (size_t i = 0; i + 1 < pairs.size(); i += 2)
        if (named(pairs[i], name)) return &pairs[i + 1];
    return nullptr;
}
