// The public message corpus (../shared/corpus beside the repository, never
// copied into it): every message is walked, shown and taken apart without a
// crash or a hang, and where the corpus's own reading of a message agrees
// with the reader's rules (the text part chosen, the attachments of the
// outermost level, the decoded bytes) the reader agrees with it.
#include <algorithm>
#include <iostream>
#include <set>
#include <sstream>

#include "client/attachment_job.h"
#include "core/app_state.h"
#include "format/mime_walk.h"
#include "format/part_decode.h"
#include "format/part_extract.h"
#include "tests/unit/json_reader.h"
#include "tests/unit/mime_support.h"

namespace {

std::string lower(std::string s) {
    for (char& c : s) c = static_cast<char>(c >= 'A' && c <= 'Z' ? c + 32 : c);
    return s;
}

const JsonValue* header(const JsonValue& part, const char* name) {
    for (const JsonValue& h : part["headers"].items)
        if (h["name"].kind == JsonValue::STRING && h["name"].text == name) return &h["value"];
    return nullptr;
}

// "type/subtype" of the part's "Content-Type", "" when it has none.
std::string oracle_type(const JsonValue& part) {
    const JsonValue* v = header(part, "content_type");
    if (!v || !v->has("ContentType")) return "";
    const JsonValue& t = (*v)["ContentType"];
    return lower(t["c_type"].text + (t["c_subtype"].kind == JsonValue::STRING ? "/" + t["c_subtype"].text : ""));
}

std::string oracle_charset(const JsonValue& part) {
    const JsonValue* v = header(part, "content_type");
    if (!v) return "";
    for (const JsonValue& a : (*v)["ContentType"]["attributes"].items)
        if (lower(a["name"].text) == "charset") return lower(a["value"].text);
    return "";
}

std::string oracle_disposition(const JsonValue& part) {
    const JsonValue* v = header(part, "content_disposition");
    return v ? lower((*v)["ContentType"]["c_type"].text) : "";
}

// The body kind ("Text", "Html", "Binary", "Multipart", ...).
std::string body_kind(const JsonValue& part) {
    const JsonValue& b = part["body"];
    return b.kind == JsonValue::OBJECT && b.size() ? b.names[0] : "";
}

// The first leaf of that type in the order a walk meets them.
int first_leaf(const JsonValue& parts, size_t index, const std::string& type) {
    const JsonValue& part = parts[index];
    if (body_kind(part) == "Multipart") {
        for (const JsonValue& child : part["body"]["Multipart"].items) {
            int found = first_leaf(parts, static_cast<size_t>(child.number), type);
            if (found >= 0) return found;
        }
        return -1;
    }
    std::string t = oracle_type(part);
    if (t.empty()) t = "text/plain";
    return t == type ? static_cast<int>(index) : -1;
}

std::string latin1_to_utf8(const std::string& bytes) {
    std::string out;
    for (unsigned char c : bytes) {
        if (c < 0x80) {
            out += static_cast<char>(c);
        } else {
            out += static_cast<char>(0xC0 | (c >> 6));
            out += static_cast<char>(0x80 | (c & 0x3F));
        }
    }
    return out;
}

// The oracle's decoded body as our bytes would read, or false when its
// charset is one we do not convert here.
bool oracle_bytes(const JsonValue& part, std::string* out) {
    std::string kind = body_kind(part);
    const JsonValue& b = part["body"][kind];
    if (kind == "Binary" || kind == "InlineBinary") {
        out->clear();
        for (const JsonValue& n : b.items) *out += static_cast<char>(static_cast<int>(n.number));
        return true;
    }
    if (kind == "Text" || kind == "Html") {
        *out = b.text;
        return true;
    }
    return false;
}

bool valid_utf8(const std::string& bytes) {
    for (size_t i = 0; i < bytes.size();) {
        auto c = static_cast<unsigned char>(bytes[i]);
        size_t n = c < 0x80 ? 0 : (c >> 5) == 6 ? 1 : (c >> 4) == 14 ? 2 : (c >> 3) == 30 ? 3 : 9;
        if (n == 9 || i + n >= bytes.size() + (n ? 0 : 1)) return false;
        for (size_t k = 1; k <= n; k++)
            if ((static_cast<unsigned char>(bytes[i + k]) >> 6) != 2) return false;
        i += n + 1;
    }
    return true;
}

// Whether our bytes can be held against the corpus's text, which it has
// converted to Unicode (replacing what does not convert). Latin 1 is
// converted here; bytes that are no valid UTF-8 under a UTF-8 or missing
// charset are left to the display's code page.
bool comparable_text(const std::string& charset, std::string* ours) {
    if (charset.empty() || charset == "utf-8" || charset == "us-ascii") return valid_utf8(*ours);
    if (charset == "iso-8859-1") {
        *ours = latin1_to_utf8(*ours);
        return true;
    }
    return false;
}

struct Tally {
    int messages = 0, text_checked = 0, text_bytes = 0, attachment_checked = 0, attachment_bytes = 0;
    std::vector<std::string> differences;  // everything, for the report
    std::set<std::string> structure;       // messages whose parts we read otherwise
};

// Broken messages that the reader takes apart otherwise than the corpus
// does, on purpose: a delimiter line must hold the boundary alone (001, 004),
// nested levels whose delimiters are taken for each other's are not walked
// twice (005), a part ends at an enclosing level's delimiter when its own is
// missing (007, 020, 021), a message/rfc822 attachment ends at its delimiter
// (022), and a cut-off inner message does not swallow its siblings (015).
const std::set<std::string> deliberate = {
    "malformed/001.eml", "malformed/004.eml", "malformed/005.eml", "malformed/007.eml", "malformed/020.eml",
    "malformed/021.eml", "malformed/022.eml", "thirdparty/015.eml",
};

class CorpusMime : public MimeTest {
protected:
    std::string decoded(const PartRecord* part) {
        EXPECT_EQ(extract_range("m.eml", "temp\\x.tmp", part), 0);
        EXPECT_EQ(decode_part_file(nullptr, "temp\\x.tmp", "temp\\y.tmp", part->encoding->text, 0, false), 0);
        return read_file("temp/y.tmp");
    }
    bool same_range(const PartRecord* ours, const JsonValue& theirs, size_t size) {
        int64_t end = ours->body_end == 0 ? static_cast<int64_t>(size) : ours->body_end;
        return ours->body_start == static_cast<int64_t>(theirs["offset_body"].number) &&
               end == static_cast<int64_t>(theirs["offset_end"].number);
    }
};

TEST_F(CorpusMime, EveryMessageParsesAndAgreesWhereTheRulesAgree) {
    std::filesystem::path root = corpus_folder();
    if (!std::filesystem::exists(root)) GTEST_SKIP() << "no corpus at " << root;
    Tally tally;
    const std::vector<std::filesystem::path> files = corpus_messages(root);
    for (const std::filesystem::path& file : files) {
        std::string label = file.parent_path().filename().string() + "/" + file.filename().string();
        SCOPED_TRACE(label);
        std::string bytes = as_served(file);
        message(bytes);
        tally.messages++;
        std::filesystem::path json_path = file;
        json_path.replace_extension(".crlf.json");
        JsonValue oracle;
        bool have_oracle = json_parse_reading(read_file(json_path), &oracle) && oracle["parts"].size() > 0;

        // The text part, either preference.
        for (auto [preferences, first, second] : {std::tuple{app.plain_first, "text/plain", "text/html"},
                                                  std::tuple{app.html_first, "text/html", "text/plain"}}) {
            PartRecord* list = part_list_new();
            bool found = extract_text_part("m.eml", "temp\\e.tmp", preferences, list);
            if (have_oracle) {
                const JsonValue& parts = oracle["parts"];
                int want = first_leaf(parts, 0, first);
                if (want < 0) want = first_leaf(parts, 0, second);
                if (want < 0 && !found) {
                    tally.text_checked++;
                } else if (want >= 0 && found && same_range(list, parts[static_cast<size_t>(want)], bytes.size())) {
                    tally.text_checked++;
                    std::string ours = decoded(list);
                    std::string theirs;
                    const JsonValue& part = parts[static_cast<size_t>(want)];
                    if (comparable_text(oracle_charset(part), &ours) && oracle_bytes(part, &theirs)) {
                        EXPECT_EQ(ours, theirs) << first;
                        if (ours == theirs) tally.text_bytes++;
                    }
                } else {
                    tally.differences.push_back(label + " " + first + ": chosen part differs");
                    tally.structure.insert(label);
                }
            }
            part_list_free(list);
        }

        // The attachments of the outermost level.
        PartRecord* list = part_list_new();
        collect_attachments("m.eml", list);
        if (have_oracle) {
            const JsonValue& parts = oracle["parts"];
            std::vector<size_t> want;
            auto listed = [](const JsonValue& part) {
                std::string d = oracle_disposition(part);
                return d.rfind("attachment", 0) == 0 || d.rfind("inline", 0) == 0;
            };
            if (body_kind(parts[0]) == "Multipart") {
                for (const JsonValue& child : parts[0]["body"]["Multipart"].items)
                    if (listed(parts[static_cast<size_t>(child.number)])) want.push_back(static_cast<size_t>(child.number));
            } else if (listed(parts[0])) {
                want.push_back(0);
            }
            bool agree = static_cast<int>(want.size()) == part_list_count(list);
            const PartRecord* ours = list;
            for (size_t i = 0; agree && i < want.size(); i++, ours = ours->next)
                agree = same_range(ours, parts[want[i]], bytes.size());
            if (!agree) {
                tally.structure.insert(label);
                tally.differences.push_back(label + ": attachments differ (ours " +
                                            std::to_string(part_list_count(list)) + ", theirs by our rules " +
                                            std::to_string(want.size()) + ")");
            } else {
                tally.attachment_checked++;
                ours = list;
                bool bytes_agree = true;
                for (size_t i = 0; i < want.size(); i++, ours = ours->next) {
                    std::string mine = decoded(ours);
                    std::string theirs;
                    const JsonValue& part = parts[want[i]];
                    std::string kind = body_kind(part);
                    if ((kind == "Binary" || kind == "InlineBinary" || comparable_text(oracle_charset(part), &mine)) &&
                        oracle_bytes(part, &theirs) && mine != theirs) {
                        bytes_agree = false;
                        ADD_FAILURE() << "attachment " << i + 1 << " decodes differently";
                    }
                }
                if (bytes_agree) tally.attachment_bytes++;
            }
            int theirs_count = static_cast<int>(oracle["attachments"].size());
            if (theirs_count != part_list_count(list))
                tally.differences.push_back(label + ": by their own rules " + std::to_string(theirs_count) +
                                            " attachments, ours " + std::to_string(part_list_count(list)));
        }
        part_list_free(list);
        extract_attachments("m.eml", nullptr, nullptr);
    }
    std::ostringstream report;
    report << tally.messages << " messages; text part agreed " << tally.text_checked << " times, decoded text "
           << tally.text_bytes << "; attachments agreed " << tally.attachment_checked << ", their bytes "
           << tally.attachment_bytes << "\n";
    for (const std::string& d : tally.differences) report << "  " << d << "\n";
    std::cout << report.str();
    EXPECT_GT(tally.messages, 100);
    EXPECT_GT(tally.text_bytes, 150);
    EXPECT_GT(tally.attachment_bytes, 90);
    for (const std::string& label : tally.structure) EXPECT_TRUE(deliberate.count(label)) << label;
}

}  // namespace
