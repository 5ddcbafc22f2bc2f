// Messages written by real mail programs (tests/mail, made by its
// make_corpus.py): the part chosen for display with either preference, its
// decoded bytes, and every attachment, which must come out exactly as the
// file that was attached.
#include <fstream>
#include <sstream>

#include "client/attachment_job.h"
#include "core/app_state.h"
#include "core/settings.h"
#include "format/message_display.h"
#include "format/mime_walk.h"
#include "format/part_decode.h"
#include "format/part_extract.h"
#include "tests/unit/mime_support.h"

namespace {

std::filesystem::path mail_folder() { return source_folder() / "tests" / "mail"; }

struct Expectation {
    std::string name, plain_type, html_type;
    std::vector<std::pair<std::string, std::string>> attachments;  // file name, expected file or "?"
};

std::vector<Expectation> manifest() {
    std::vector<Expectation> all;
    std::istringstream lines(read_file(mail_folder() / "manifest.txt"));
    for (std::string line; std::getline(lines, line);) {
        std::istringstream fields(line);
        Expectation e;
        std::string list;
        std::getline(fields, e.name, '\t');
        std::getline(fields, e.plain_type, '\t');
        std::getline(fields, e.html_type, '\t');
        std::getline(fields, list, '\t');
        std::istringstream pairs(list);
        for (std::string pair; pairs >> pair;)
            if (pair != "-") e.attachments.emplace_back(pair.substr(0, pair.find('=')), pair.substr(pair.find('=') + 1));
        all.push_back(e);
    }
    return all;
}

class MailCorpus : public MimeTest {
protected:
    // The decoded text chosen with the list, or "-" when nothing is chosen.
    std::string chosen(StringList* preferences, std::string* type) {
        PartRecord* list = part_list_new();
        std::string text = "-";
        type->clear();
        if (extract_text_part("m.eml", "temp\\extract.tmp", preferences, list)) {
            *type = list->type->text;
            EXPECT_EQ(decode_part_file(nullptr, "temp\\extract.tmp", "temp\\final.tmp", list->encoding->text, 0,
                                       false),
                      0);
            text = read_file("temp/final.tmp");
        }
        part_list_free(list);
        return text;
    }
};

void line_append(void* context, const char* text) { *static_cast<std::string*>(context) += text; }

TEST_F(MailCorpus, DisplayPartsAndAttachmentsAsSent) {
    std::vector<Expectation> all = manifest();
    ASSERT_GE(all.size(), 15u);
    for (const Expectation& e : all) {
        SCOPED_TRACE(e.name);
        std::string bytes = read_file(mail_folder() / "messages" / (e.name + ".eml"));
        ASSERT_FALSE(bytes.empty());
        message(bytes);

        std::string type;
        for (auto [preferences, wanted, suffix] : {std::tuple{app.plain_first, e.plain_type, ".plain"},
                                                   std::tuple{app.html_first, e.html_type, ".html"}}) {
            std::string text = chosen(preferences, &type);
            if (wanted == "-") {
                EXPECT_EQ(text, "-") << suffix;
                continue;
            }
            EXPECT_EQ(type.substr(0, wanted.size()), wanted) << suffix;
            EXPECT_EQ(text, read_file(mail_folder() / "expected" / (e.name + suffix))) << suffix;
        }

        PartRecord* list = part_list_new();
        collect_attachments("m.eml", list);
        std::vector<std::string> names = part_names(list);
        part_list_free(list);
        std::vector<std::string> wanted_names;
        for (const auto& [name, file] : e.attachments) wanted_names.push_back(name);
        EXPECT_EQ(names, wanted_names);

        // The background extraction: files by number, names on the line.
        std::string line;
        AttachmentLine sink{nullptr, line_append, &line};
        EXPECT_EQ(extract_attachments("m.eml", nullptr, &sink), static_cast<int>(e.attachments.size()));
        std::string wanted_line;
        for (size_t i = 0; i < e.attachments.size(); i++) {
            wanted_line += e.attachments[i].first + "  ";
            if (e.attachments[i].second == "?") continue;
            std::string file = "temp/0exatt" + std::to_string(i + 1) + ".dat";
            EXPECT_EQ(read_file(file), read_file(mail_folder() / e.attachments[i].second)) << e.attachments[i].first;
        }
        EXPECT_EQ(line, wanted_line);
    }
}

TEST_F(MailCorpus, HtmlOnlyMailsShowConvertedInTheTextView) {
    const std::vector<std::pair<std::string, std::string>> mails = {
        {"py_html_only", "[only html]"},
        {"mutt_html", "Gr\xC3\xBC\xC3\x9F" "e aus Z\xC3\xBCrich second line"},
    };
    int mode = html_display_mode.load();
    html_display_mode = HTML_NEVER;
    for (const auto& [name, expected] : mails) {
        SCOPED_TRACE(name);
        message(read_file(mail_folder() / "messages" / (name + ".eml")));
        DisplayRequest request;
        request.path = "m.eml";
        request.window = reinterpret_cast<WindowRef>(static_cast<uintptr_t>(5));
        DisplayResult result;
        display_result_init(&result);
        ASSERT_EQ(prepare_display(&request, &result), 0);
        EXPECT_FALSE(result.as_html);
        EXPECT_STREQ(result.shown_path->text, "temp\\htmltext5.tmp");
        EXPECT_EQ(read_file("temp/htmltext5.tmp"), expected);
        display_result_release(&result);
    }
    html_display_mode = mode;
}

}  // namespace
