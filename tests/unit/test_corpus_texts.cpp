// Header texts of real mail: the public corpus (read in place, see
// corpus_folder) and the messages of tests/mail. Every subject, name and
// attachment name decodes without a fault; where the corpus's own reading
// gives a decoded subject, sender name, recipient name or file name, ours
// agrees, and each place where it does not is listed here with its reason.
#include <algorithm>
#include <iostream>
#include <map>
#include <string>
#include <vector>

#include "format/charsets.h"
#include "format/encoded_words.h"
#include "store/message_summary.h"
#include "tests/unit/json_reader.h"
#include "tests/unit/mime_support.h"

namespace {

// Where our reading differs from the corpus's, on purpose.
const std::map<std::string, std::string> known = {
    // 8-bit header text without a charset: read in the system's code page
    // (windows-1252 here), where the corpus puts U+FFFD.
    {"legacy/010.eml subject", "raw 8-bit text read in the system's code page"},
    {"legacy/010.eml to 0", "raw 8-bit text read in the system's code page"},
    {"legacy/016.eml filename", "raw 8-bit text read in the system's code page"},
    {"legacy/016.eml name", "raw 8-bit text read in the system's code page"},
    {"legacy/017.eml to 0", "raw 8-bit text read in the system's code page"},
    {"legacy/020.eml subject", "raw 8-bit text read in the system's code page"},
    {"legacy/020.eml to 0", "raw 8-bit text read in the system's code page"},
    {"legacy/022.eml subject", "raw 8-bit text read in the system's code page"},
    {"legacy/022.eml to 0", "raw 8-bit text read in the system's code page"},
    {"legacy/023.eml filename", "raw 8-bit text read in the system's code page"},
    {"legacy/026.eml filename", "raw 8-bit text read in the system's code page"},
    {"legacy/026.eml name", "raw 8-bit text read in the system's code page"},
    {"legacy/027.eml subject", "raw 8-bit text read in the system's code page"},
    {"legacy/027.eml to 0", "raw 8-bit text read in the system's code page"},
    {"legacy/052.eml subject", "raw 8-bit text read in the system's code page"},
    {"legacy/052.eml to 0", "raw 8-bit text read in the system's code page"},
    // A quoted Windows path: a backslash before anything but a quote or a
    // backslash is the path's, not an escape (the name on disk has "_").
    {"legacy/035.eml filename", "backslashes of a Windows path kept"},
    {"legacy/039.eml filename", "backslashes of a Windows path kept"},
};

std::string trimmed(std::string text) {
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t')) text.pop_back();
    size_t start = text.find_first_not_of(" \t");
    return start == std::string::npos ? "" : text.substr(start);
}

// The corpus's text as the list holds it: control characters as blanks,
// at most `characters` characters.
std::string as_listed(std::string text, size_t characters) {
    for (char& c : text)
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) c = ' ';
    return trimmed(utf8_prefix(text, characters));
}

const JsonValue* header(const JsonValue& part, const char* name) {
    for (const JsonValue& h : part["headers"].items)
        if (h["name"].kind == JsonValue::STRING && h["name"].text == name) return &h;
    return nullptr;
}

struct Tally {
    int messages = 0, compared = 0, agreed = 0;
    std::vector<std::string> disagreements;
    void check(const std::string& what, const std::string& ours, const std::string& theirs) {
        compared++;
        if (ours == theirs) {
            agreed++;
            return;
        }
        auto reason = known.find(what);
        disagreements.push_back(what + ": ours \"" + ours + "\", theirs \"" + theirs + "\" (" +
                                (reason == known.end() ? "NOT EXPLAINED" : reason->second) + ")");
        EXPECT_NE(reason, known.end()) << what << ": ours \"" << ours << "\", theirs \"" << theirs << "\"";
    }
};

class CorpusTexts : public MimeTest {};

TEST_F(CorpusTexts, SubjectsNamesAndFileNamesAgreeWithTheCorpusReading) {
    std::filesystem::path root = corpus_folder();
    if (!std::filesystem::exists(root)) GTEST_SKIP() << "no corpus at " << root;
    const std::vector<std::filesystem::path> files = corpus_messages(root);
    Tally tally;
    MessageSummary* summary = summary_new();
    for (const std::filesystem::path& file : files) {
        std::string label = file.parent_path().filename().string() + "/" + file.filename().string();
        SCOPED_TRACE(label);
        std::string bytes = as_served(file);
        message(bytes);
        tally.messages++;
        read_summary(0, summary, "m.eml");
        for (const char* text : {summary->subject->text, summary->from_name->text})
            EXPECT_TRUE(valid_utf8(text)) << text;

        std::filesystem::path json_path = file;
        json_path.replace_extension(".crlf.json");
        JsonValue oracle;
        if (!json_parse_reading(read_file(json_path), &oracle) || oracle["parts"].size() == 0) continue;
        const JsonValue& top = oracle["parts"][0];
        if (const JsonValue* subject = header(top, "subject"); subject && (*subject)["value"].has("Text"))
            tally.check(label + " subject", trimmed(summary->subject->text),
                        as_listed((*subject)["value"]["Text"].text, summary_subject_characters));
        if (const JsonValue* from = header(top, "from"); from && (*from)["value"]["Address"].has("List")) {
            const JsonValue& first = (*from)["value"]["Address"]["List"][0];
            if (first["name"].kind == JsonValue::STRING && std::string(summary->from->text).find('<') != std::string::npos)
                tally.check(label + " from", trimmed(summary->from_name->text),
                            as_listed(first["name"].text, summary_name_characters));
        }
        // Each To entry holds its name decoded, as typed or quoted.
        if (const JsonValue* to = header(top, "to"); to && (*to)["value"]["Address"].has("List")) {
            const JsonValue& list = (*to)["value"]["Address"]["List"];
            for (size_t i = 0; i < list.size() && i < 100; i++) {
                std::string entry = summary->recipients->items[i]->text;
                if (list[i]["name"].kind != JsonValue::STRING || entry.find('<') == std::string::npos) continue;
                std::string name = trimmed(entry.substr(0, entry.find('<')));
                if (name.size() >= 2 && name.front() == '"' && name.back() == '"') name = name.substr(1, name.size() - 2);
                tally.check(label + " to " + std::to_string(i), name, as_listed(list[i]["name"].text, 255));
            }
        }
        // Attachment names of every part, from the raw field the corpus read.
        for (const JsonValue& part : oracle["parts"].items) {
            for (const char* field : {"content_type", "content_disposition"}) {
                const JsonValue* h = header(part, field);
                if (!h || !(*h)["value"].has("ContentType")) continue;
                size_t start = static_cast<size_t>((*h)["offset_start"].number);
                size_t end = static_cast<size_t>((*h)["offset_end"].number);
                if (start > end || end > bytes.size()) continue;
                std::string raw = bytes.substr(start, end - start);
                for (const JsonValue& a : (*h)["value"]["ContentType"]["attributes"].items) {
                    std::string name = a["name"].text;
                    if (name != "filename" && name != "name") continue;
                    // The type and disposition before the first ";" are not read.
                    tally.check(label + " " + name, decode_parameter("x; " + raw.substr(raw.find(';') + 1), name),
                                a["value"].text);
                }
            }
        }
    }
    summary_delete(summary);
    std::cout << "corpus: " << tally.messages << " messages, " << tally.agreed << " of " << tally.compared
              << " texts agree\n";
    for (const std::string& d : tally.disagreements) std::cout << "  " << d << "\n";
    EXPECT_GT(tally.compared, 150);
}

// The messages of tests/mail, made by real programs: every summary reads.
TEST_F(CorpusTexts, MessagesOfRealProgramsSummarise) {
    std::filesystem::path folder = source_folder() / "tests" / "mail" / "messages";
    MessageSummary* summary = summary_new();
    int read = 0;
    for (const auto& entry : std::filesystem::directory_iterator(folder)) {
        message(read_file(entry.path()));
        int result = read_summary(0, summary, "m.eml");
        EXPECT_NE(result, SUMMARY_SUBJECT_LOCKED) << entry.path();
        EXPECT_TRUE(valid_utf8(summary->subject->text)) << entry.path();
        EXPECT_TRUE(valid_utf8(summary->from_name->text)) << entry.path();
        read++;
    }
    summary_delete(summary);
    EXPECT_GT(read, 10);
}

}  // namespace
