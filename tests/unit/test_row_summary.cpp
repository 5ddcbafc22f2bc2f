// A message's row made from one read of the file must be the row the field
// readers make from the file itself: every message of tests/mail and of the
// shared corpus (read in place), each value compared.
#include <filesystem>
#include <string>
#include <vector>

#include "format/address_list.h"
#include "core/file_reads.h"
#include "format/attachment_count.h"
#include "store/list_mirror.h"
#include "store/message_summary.h"
#include "tests/unit/mime_support.h"

namespace fs = std::filesystem;

namespace {

fs::path beside_tests(const std::string& relative) { return source_folder() / "tests" / "unit" / relative; }

std::string row_of(MessageSummary* s, int result) {
    Array* recipients = array_new(address_field_capacity);
    join_list(s->recipients, recipients, address_list_entries, address_field_capacity - 1);
    std::string row = std::to_string(result) + "|" + s->from->text + "|" + s->from_name->text + "|" +
                      s->from_address->text + "|" + recipients->text + "|" + s->subject->text + "|" + s->date->text +
                      "|" + std::to_string(s->marked) + std::to_string(s->read) + std::to_string(s->multipart) + "|" +
                      std::to_string(s->attachments);
    delete_arrays(recipients);
    return row;
}

class RowSummary : public MimeTest {
protected:
    // Compares the two readings of every .eml file below the folder; the
    // number of files compared.
    int compare_all(const fs::path& folder) {
        int compared = 0;
        if (!fs::exists(folder)) return 0;
        std::vector<fs::path> files;
        for (const auto& e : fs::recursive_directory_iterator(folder))
            if (e.is_regular_file() && e.path().extension() == ".eml") files.push_back(e.path());
        MessageSummary* s = summary_new();
        for (const fs::path& file : files) {
            std::string path = file.string();
            int result = read_summary(0, s, path.c_str());
            s->attachments = count_attachments(path.c_str());
            std::string by_fields = row_of(s, result);
            result = summarise_for_row(path.c_str(), s);
            EXPECT_EQ(row_of(s, result), by_fields) << path;
            compared++;
        }
        summary_delete(s);
        return compared;
    }
};

TEST_F(RowSummary, OneReadGivesTheRowsOfTheFieldReadersOverBothCorpora) {
    EXPECT_GE(compare_all(beside_tests("../mail/messages")), 18);
    // The shared corpus is read where it lies, beside the repository or one
    // folder further up, when this machine has it.
    compare_all(beside_tests("../../../shared/corpus"));
    compare_all(beside_tests("../../../../shared/corpus"));
}

TEST_F(RowSummary, AMessageLargerThanTheFirstWindowGivesTheSameRow) {
    // The second delimiter straddles the end of the first window read; the
    // attachments lie one and two windows further, so their delimiters and
    // headers come through the second window, read forwards and again back.
    std::string text = "Re: large\r\n";
    std::string head = crlf("X-ZMRead: FALSE\nFrom: \"Big Sender\" <big@example.test>\nTo: a@example.test\n"
                            "Subject: ") + text +
                       crlf("Content-Type: multipart/mixed;\n\tboundary=\"=_w\"\n\n--=_w\n"
                            "Content-Type: text/plain\n\n");
    std::string body(static_cast<size_t>(held_window_bytes) - head.size() - 3, 'x');
    std::string bytes = head + body + "\r\n--=_w\r\nContent-Disposition: inline\r\n\r\nshown\r\n";
    for (int i = 0; i < 2; i++)
        bytes += std::string(static_cast<size_t>(held_window_bytes), 'A') + "\r\n--=_w\r\n" +
                 "Content-Disposition: attachment; filename=\"f" + std::to_string(i) + ".bin\"\r\n\r\ndata\r\n";
    bytes += "--=_w--\r\n";
    const char* path = message(bytes);
    MessageSummary* s = summary_new();
    int result = read_summary(0, s, path);
    s->attachments = count_attachments(path);
    std::string by_fields = row_of(s, result);
    EXPECT_EQ(summarise_for_row(path, s), SUMMARY_OK);
    EXPECT_EQ(row_of(s, SUMMARY_OK), by_fields);
    EXPECT_EQ(s->attachments, 3);  // the inline part and the two files
    EXPECT_STREQ(s->from_name->text, "Big Sender");
    EXPECT_STREQ(s->subject->text, "Re: large");
    EXPECT_EQ(s->read, 0);
    EXPECT_EQ(s->multipart, 1);
    summary_delete(s);
}

TEST_F(RowSummary, AMessageChangedAfterItsRowStillReadsAsItIsNow) {
    const char* path = message("From: a@example.test\r\nSubject: one\r\n\r\nbody\r\n");
    MessageSummary* s = summary_new();
    summarise_for_row(path, s);
    EXPECT_STREQ(s->subject->text, "one");
    // Nothing of the first read stays behind for the next reader.
    message("From: a@example.test\r\nSubject: two\r\n\r\nbody\r\n");
    read_summary(0, s, path);
    EXPECT_STREQ(s->subject->text, "two");
    summary_delete(s);
}

}  // namespace
