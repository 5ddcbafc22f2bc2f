#include "transport/oauth_redirect.h"

#include <map>

#include "format/percent_encoding.h"

namespace {

Redirect other() { return {}; }

bool printable(std::string_view text) {
    for (char c : text)
        if (c < 0x20 || c > 0x7e) return false;
    return true;
}

// The query's parameters, decoded; false when one is malformed or comes
// twice (RFC 6749 section 3.1: never more than once).
bool parameters_of(std::string_view query, std::map<std::string, std::string>* out) {
    while (!query.empty()) {
        size_t end = query.find('&');
        std::string_view pair = query.substr(0, end);
        query = end == std::string_view::npos ? std::string_view() : query.substr(end + 1);
        if (pair.empty()) continue;
        size_t equals = pair.find('=');
        std::string name, value;
        if (!percent_decode(pair.substr(0, equals), &name, true, true)) return false;
        if (equals != std::string_view::npos && !percent_decode(pair.substr(equals + 1), &value, true, true))
            return false;
        if (!out->emplace(name, value).second) return false;
    }
    return true;
}


std::string page(const char* status, const char* text) {
    std::string body = std::string("<!DOCTYPE html>\n<html><head><meta charset=\"utf-8\"><title>Zenth Mail</title></head>"
                                   "<body><p>") +
                       text + "</p></body></html>\n";
    return std::string("HTTP/1.1 ") + status +
           "\r\nContent-Type: text/html; charset=utf-8\r\nCache-Control: no-store\r\nConnection: close\r\n"
           "Content-Length: " +
           std::to_string(body.size()) + "\r\n\r\n" + body;
}

}  // namespace

Redirect read_redirect(std::string_view line, const std::string& state) {
    if (line.ends_with("\r\n")) line.remove_suffix(2);
    constexpr std::string_view method = "GET ";
    if (!line.starts_with(method) || line.size() > redirect_head_limit || !printable(line)) return other();
    line.remove_prefix(method.size());
    size_t space = line.find(' ');
    if (space == std::string_view::npos) return other();
    std::string_view target = line.substr(0, space), version = line.substr(space + 1);
    if (version != "HTTP/1.1" && version != "HTTP/1.0") return other();
    size_t mark = target.find('?');
    if (target.substr(0, mark) != "/" || mark == std::string_view::npos) return other();
    std::map<std::string, std::string> p;
    if (!parameters_of(target.substr(mark + 1), &p)) return other();
    bool has_code = p.count("code") != 0, has_error = p.count("error") != 0;
    if (has_code == has_error) return other();  // neither, or both at once
    if (state.empty() || p["state"] != state)
        return {.kind = REDIRECT_WRONG_STATE, .text = "The browser's answer does not belong to this sign-in."};
    if (has_error) return {.kind = REDIRECT_REFUSED, .text = sign_in_refusal(p["error"], p["error_description"])};
    const std::string& code = p["code"];
    if (code.empty() || code.size() > redirect_code_limit || !printable(code)) return other();
    return {.kind = REDIRECT_CODE, .code = code};
}

std::string redirect_response(const Redirect& redirect) {
    switch (redirect.kind) {
        case REDIRECT_CODE: return page("200 OK", "Zenth Mail is signed in. You can close this window.");
        case REDIRECT_REFUSED:
        case REDIRECT_WRONG_STATE:
            return page("200 OK", "The sign-in did not complete; Zenth Mail says why. You can close this window.");
        default: return page("404 Not Found", "Not found.");
    }
}

std::string sign_in_refusal(const std::string& error, const std::string& description) {
    std::string said = description.empty() ? error : description;
    if (said.size() > redirect_description_limit) said.resize(redirect_description_limit);
    for (char& c : said)
        if (c < 0x20 || c > 0x7e) c = '?';
    while (!said.empty() && (said.back() == '.' || said.back() == ' ')) said.pop_back();
    return "The provider refused the sign-in: " + said + ".";
}
