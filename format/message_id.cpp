#include "format/message_id.h"

#include <atomic>
#include <cstring>
#include <vector>

#include "core/random.h"
#include "format/base64.h"

const char message_id_fallback_domain[] = "zenthmail.invalid";

namespace {

std::atomic<RandomSource> random_source{nullptr};

constexpr size_t line_limit = 998;
constexpr size_t field_name = sizeof "References: " - 1;

bool label_char(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '-';
}

// A domain of letters, digits and hyphens in dot-separated labels, as a
// msg-id's right side may hold it; anything else (a literal, a stray ">",
// a name with spaces) gives the fallback.
std::string domain_of(const char* address) {
    const char* at = address ? std::strrchr(address, '@') : nullptr;
    if (!at) return message_id_fallback_domain;
    std::string domain = at + 1;
    if (domain.empty() || domain.size() > 253 || domain.front() == '.' || domain.back() == '.')
        return message_id_fallback_domain;
    for (size_t i = 0; i < domain.size(); i++) {
        char c = domain[i];
        if (c == '.' ? domain[i + 1] == '.' : !label_char(c)) return message_id_fallback_domain;
    }
    return domain;
}

std::vector<std::string> ids_of(const char* value) {
    std::vector<std::string> ids;
    for (const char* p = value ? value : ""; (p = std::strchr(p, '<'));) {
        const char* end = p + 1;
        // Printable ASCII only: nothing else may go into a header line.
        while (*end && *end != '>' && *end != '<' && *end > ' ' && *end < 0x7f) end++;
        if (*end == '>' && end > p + 1) ids.emplace_back(p, end + 1);
        p = *end == '>' ? end + 1 : end;
    }
    return ids;
}

}  // namespace

std::string make_message_id(const char* from_address) {
    unsigned char bits[16];
    RandomSource source = random_source.load();
    if ((source ? source : sys_random_bytes)(bits, sizeof bits) != 0) return std::string();
    // 128 bits in 22 characters of 6 bits each; the last carries 2.
    std::string id = "<" + base64url_string(bits, sizeof bits);
    return id + "@" + domain_of(from_address) + ">";
}

void message_id_source_install(RandomSource source) { random_source.store(source); }

std::string message_ids_of(const char* value) {
    std::string joined;
    for (const std::string& id : ids_of(value)) joined += (joined.empty() ? "" : " ") + id;
    return joined;
}

std::string reply_references(const char* parent_references, const char* parent_in_reply_to,
                             const char* parent_message_id) {
    std::vector<std::string> own = ids_of(parent_message_id);
    if (own.empty()) return std::string();
    std::vector<std::string> ids = ids_of(parent_references);
    if (ids.empty()) ids = ids_of(parent_in_reply_to);
    ids.push_back(own.front());
    // Newest last; the oldest go first when the line would be too long.
    size_t start = 0, length = field_name + ids.back().size();
    for (size_t i = ids.size() - 1; i-- > 0;) {
        if (length + 1 + ids[i].size() > line_limit) {
            start = i + 1;
            break;
        }
        length += 1 + ids[i].size();
    }
    if (length > line_limit) return std::string();
    std::string joined;
    for (size_t i = start; i < ids.size(); i++) joined += (joined.empty() ? "" : " ") + ids[i];
    return joined;
}

std::string fold_references(const std::string& references) {
    std::string folded;
    for (const std::string& id : ids_of(references.c_str())) folded += (folded.empty() ? "" : "\r\n ") + id;
    return folded;
}
