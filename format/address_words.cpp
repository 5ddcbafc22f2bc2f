#include "format/address_words.h"

#include "format/encoded_words.h"

namespace {

// RFC 5322 section 2.1.1: lines of at most 78 characters.
constexpr size_t line_limit = 78;
constexpr std::string_view separator = ",\r\n\t";

bool ascii(std::string_view text) {
    for (char c : text)
        if (static_cast<unsigned char>(c) >= 0x80) return false;
    return true;
}

std::string_view trimmed(std::string_view text) {
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t')) text.remove_suffix(1);
    return text;
}

// The name without its quotes and the backslashes that escaped within them.
std::string unquoted(std::string_view name) {
    if (name.size() < 2 || name.front() != '"' || name.back() != '"') return std::string(name);
    std::string text;
    for (size_t i = 1; i + 1 < name.size(); i++) {
        if (name[i] == '\\' && i + 2 < name.size()) i++;
        text.push_back(name[i]);
    }
    return text;
}

}  // namespace

std::string encode_address_entry(std::string_view entry, size_t used) {
    if (ascii(entry)) return std::string(entry);
    const size_t open = entry.find('<');
    const size_t close = open == std::string_view::npos ? open : entry.find('>', open);
    std::string_view name, address;
    if (close != std::string_view::npos) {
        name = trimmed(entry.substr(0, open));
        address = entry.substr(open, close - open + 1);
    } else {
        name = trimmed(entry);
        // A bare address is an address, whatever characters it holds.
        if (name.find('@') != std::string_view::npos && name.find_first_of(" \t\"") == std::string_view::npos)
            return std::string(entry);
    }
    if (ascii(name)) return std::string(entry);
    std::string text = encode_header_text(unquoted(name), used);
    if (address.empty()) return text;
    const size_t fold = text.rfind("\r\n");
    const size_t last_line = fold == std::string::npos ? used + text.size() : text.size() - fold - 2;
    // Room for the blank, the address and a comma after it.
    text += last_line + 1 + address.size() + 1 > line_limit ? "\r\n " : " ";
    text += address;
    return text;
}

std::string encode_names_text(std::string_view names, size_t used) {
    if (ascii(names)) return std::string(names);
    std::string text;
    for (size_t at = 0;;) {
        const size_t end = names.find(separator, at);
        text += encode_address_entry(names.substr(at, end == std::string_view::npos ? end : end - at), used);
        if (end == std::string_view::npos) break;
        text += separator;
        at = end + separator.size();
        used = 1;  // after the TAB of the fold
    }
    return text;
}
