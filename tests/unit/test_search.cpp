// Search over a copy of the list: every field and constraint, the message
// text decoded (and deciphered), result folders taken by creating them.
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "client/client_keys.h"
#include "client/search.h"
#include "core/find_in_file.h"
#include "format/base64.h"
#include "format/encryption.h"
#include "format/part_decode.h"
#include "format/part_extract.h"
#include "format/part_list.h"
#include "tests/unit/test_support.h"

namespace {

namespace fs = std::filesystem;

std::string base64_text(const std::string& text) {
    Array* out = array_new(static_cast<int>(text.size()) * 2 + 8);
    base64_encode(text.c_str(), out, static_cast<int>(text.size()));
    std::string encoded = out->text;
    delete_arrays(out);
    return encoded;
}

class SearchTest : public StoreTest {
protected:
    void SetUp() override {
        StoreTest::SetUp();
        fs::create_directories(folder_ / "maildir" / "inbox");
    }
    void TearDown() override {
        fs::remove(folder_ / "bfkey.dat");
        load_message_key();
        StoreTest::TearDown();
    }
    void message(int number, const std::string& bytes, const std::string& subject, const std::string& sent = "") {
        write_file(folder_ / "maildir" / "inbox" / ("mm" + std::to_string(number) + ".eml"), bytes);
        request.rows.push_back({number, "Ann <ann@example.test>", "bob@example.test", subject, sent});
    }
    int search(int field, int constraint, const std::string& text) {
        request.field = field;
        request.constraint = constraint;
        request.text = text;
        std::string folder;
        EXPECT_GT(make_result_folder(&folder), 0);
        result = folder;
        return run_search(request, folder);
    }
    std::string copied(int k) {
        std::string path = result;
        for (char& c : path)
            if (c == '\\') c = '/';
        return read_file(folder_ / path / ("mm" + std::to_string(k) + ".eml"));
    }
    UiRecorder ui;
    SearchRequest request;
    std::string result;
};

TEST_F(SearchTest, ColumnFieldsAndConstraints) {
    request.folder = "maildir\\inbox";
    message(3, "Subject: Hello there\r\n\r\nA\r\n", "Hello there", "2026-12-06 13:32:38 +0100");
    message(1, "Subject: Other\r\n\r\nB\r\n", "Other", "2026-12-07 10:00:00 +0000");
    message(2, "Subject: say HELLO\r\n\r\nC\r\n", "say HELLO", "2026-12-08 09:00:00 +0000");
    // In list order, any letter case.
    EXPECT_EQ(search(SEARCH_SUBJECT, 0, "hello"), 2);
    EXPECT_EQ(result, "maildir\\search1");
    EXPECT_EQ(copied(1), "Subject: Hello there\r\n\r\nA\r\n");
    EXPECT_EQ(copied(2), "Subject: say HELLO\r\n\r\nC\r\n");
    EXPECT_EQ(search(SEARCH_SUBJECT, 1, "hello"), 1);
    EXPECT_EQ(copied(1), "Subject: Other\r\n\r\nB\r\n");
    // "matches" compares the whole text.
    EXPECT_EQ(search(SEARCH_SENT, 2, "2026-12-06 13:32:38 +0100"), 1);
    EXPECT_EQ(search(SEARCH_SENT, 2, "2026-12-06"), 0);
    EXPECT_EQ(search(SEARCH_SENT, 3, "2026-12-06 13:32:38 +0100"), 2);
    EXPECT_EQ(search(SEARCH_FROM, 0, "ANN@"), 3);
    EXPECT_EQ(search(SEARCH_TO, 1, "bob"), 0);
    EXPECT_EQ(result, "maildir\\search7");
    EXPECT_EQ(ui.box_texts().back(), "0 files found");
    // A message gone meanwhile is passed over.
    fs::remove(folder_ / "maildir" / "inbox" / "mm1.eml");
    EXPECT_EQ(search(SEARCH_EMAIL, 0, "subject"), 2);
}

TEST_F(SearchTest, MessageTextIsDecodedAndEmailIsRaw) {
    request.folder = "maildir\\inbox";
    request.scratch_number = 4242;
    message(1, "Content-Transfer-Encoding: quoted-printable\r\n\r\nsoft=\r\nware caf=E9\r\n", "qp");
    message(2, "Content-Transfer-Encoding: base64\r\n\r\nc29mdHdhcmUgaW5zaWRl\r\n", "b64");
    message(3, "Content-Type: multipart/alternative; boundary=b\r\n\r\n--b\r\nContent-Type: text/html\r\n\r\n"
               "software\r\n--b--\r\n", "html only");
    EXPECT_EQ(search(SEARCH_MESSAGE, 0, "software"), 2);
    EXPECT_EQ(search(SEARCH_EMAIL, 0, "software"), 1);  // only the HTML message holds it as written
    EXPECT_EQ(search(SEARCH_MESSAGE, 2, "software"), 2);  // "matches" is "contains" here
    // Decoded in memory: neither the dialog's scratch files nor the
    // preview's are written.
    EXPECT_FALSE(fs::exists(folder_ / "temp" / "searchsection4242.tmp"));
    EXPECT_FALSE(fs::exists(folder_ / "temp" / "searchdecoded4242.tmp"));
    EXPECT_FALSE(fs::exists(folder_ / "temp" / "decoded4242.tmp"));
    EXPECT_FALSE(fs::exists(folder_ / "temp" / "decoded0.tmp"));
}

TEST_F(SearchTest, APlainPartIsSearchedWithinItsOwnRange) {
    request.folder = "maildir\\inbox";
    std::string head = "Content-Type: multipart/alternative; boundary=b\r\n\r\n--b\r\nContent-Type: text/plain\r\n\r\n";
    // The word only in the HTML part after the plain one, or only in the
    // delimiter line's neighbourhood, is not in the text.
    message(1, head + "nothing here\r\n--b\r\nContent-Type: text/html\r\n\r\nsoftware\r\n--b--\r\n", "later part");
    message(2, head + "soft\r\n--b\r\nContent-Type: text/html\r\n\r\nware\r\n--b--\r\n", "split");
    // At the very end of the part, and in a part whose delimiter never comes.
    message(3, head + "the SOFTWARE\r\n--b\r\nContent-Type: text/html\r\n\r\nx\r\n--b--\r\n", "at the end");
    message(4, head + "unclosed software", "unclosed");
    // A plain single-part message: the whole body, not its header.
    message(5, "Subject: software\r\n\r\nhardware\r\n", "header only");
    EXPECT_EQ(search(SEARCH_MESSAGE, 0, "software"), 2);
    EXPECT_NE(copied(1).find("the SOFTWARE"), std::string::npos);
    EXPECT_NE(copied(2).find("unclosed software"), std::string::npos);
    EXPECT_EQ(search(SEARCH_MESSAGE, 1, "software"), 3);
    EXPECT_NE(copied(1).find("nothing here"), std::string::npos);
    // The plain parts were never copied out.
    EXPECT_FALSE(fs::exists(folder_ / "temp" / "searchsection0.tmp"));
}

// The "Message" search reads each message through one open file; what it
// finds must be what the viewer's readers find, opening the file for each
// step: the best plain part extracted, decoded, searched. Parts beyond the
// first window read, straddling it, encoded, nested, unclosed.
TEST_F(SearchTest, MessageSearchFindsWhatTheViewersReadersFind) {
    request.folder = "maildir\\inbox";
    const std::string filler(70000, 'f');
    const std::string mixed = "Content-Type: multipart/mixed; boundary=\"m\"\r\n\r\n--m\r\n";
    const std::string alternative = "Content-Type: multipart/alternative; boundary=\"a\"\r\n\r\n--a\r\n";
    const std::vector<std::string> messages = {
        "Subject: plain\r\n\r\nthe Harbour at dawn\r\n",
        "Content-Transfer-Encoding: quoted-printable\r\n\r\nthe harb=\r\nour=20at dawn caf=E9\r\n",
        "Content-Transfer-Encoding: base64\r\n\r\n" + base64_text("the harbour at dawn") + "\r\n",
        // The text after an HTML part larger than the first window.
        alternative + "Content-Type: text/html\r\n\r\n" + filler + "harbour\r\n--a\r\nContent-Type: text/plain\r\n\r\n"
            "dawn only\r\n--a--\r\n",
        // The text straddling the end of the first window, its word across it.
        mixed + "Content-Type: text/plain\r\n\r\n" + std::string(65536 - 60 - mixed.size(), 'x') +
            " the harbour at dawn\r\n--m--\r\n",
        // Nested: plain inside an alternative inside a mixed, an attachment after it.
        mixed + alternative.substr(0, alternative.size() - 5) + "\r\n--a\r\nContent-Type: text/plain\r\n"
            "Content-Transfer-Encoding: quoted-printable\r\n\r\nHARBOUR=\r\n at dawn\r\n--a--\r\n--m\r\n"
            "Content-Type: application/octet-stream\r\nContent-Transfer-Encoding: base64\r\n\r\n" +
            base64_text(filler + " harbour") + "\r\n--m--\r\n",
        // A plain part whose delimiter never comes, after a large one.
        mixed + "Content-Type: text/html\r\n\r\n" + filler + "\r\n--m\r\nContent-Type: text/plain\r\n\r\nharbour, unclosed",
        "Content-Type: multipart/mixed; boundary=\"none\"\r\n\r\nno part at all, harbour\r\n",
        // A zero byte decoded before the word; a text too large for memory,
        // decoded through the scratch files, the word at its end.
        "Content-Transfer-Encoding: quoted-printable\r\n\r\n=00harbour=\r\n at dawn\r\n",
        "Content-Transfer-Encoding: quoted-printable\r\n\r\n" + std::string(1100000, 'q') + "=\r\nharbour\r\n",
    };
    for (size_t i = 0; i < messages.size(); i++) message(static_cast<int>(i + 1), messages[i], "m");
    StringList* plain = string_list_new(2, 20);
    const char* only[] = {"text/plain"};
    string_list_assign(plain, only, 1);
    int expected_found = 0;
    for (const char* word : {"harbour", "at dawn", "caf\xE9", "fff harbour", "dawn only"}) {
        request.text = word;
        request.field = SEARCH_MESSAGE;
        int found = 0;
        for (const SearchRow& row : request.rows) {
            std::string path = "maildir\\inbox\\mm" + std::to_string(row.number) + ".eml";
            PartRecord* list = part_list_new();
            bool expected = extract_text_part(path.c_str(), "temp\\reference.tmp", plain, list) &&
                            decode_part_file(nullptr, "temp\\reference.tmp", "temp\\decoded.tmp", list->encoding->text, 0,
                                             false) == 0 &&
                            find_in_file("temp\\decoded.tmp", word, nullptr, false, false) > 0;
            part_list_free(list);
            EXPECT_EQ(search_test(request, row, path.c_str()), expected) << word << " in message " << row.number;
            found += expected;
        }
        expected_found += found;
    }
    // The cases hold both answers: a search that found nothing, or all,
    // would prove nothing.
    EXPECT_EQ(expected_found, 8 + 6 + 1 + 0 + 1);
    string_list_release(plain);
    delete plain;
}

TEST_F(SearchTest, TwoSearchesAtOnceKeepTheirOwnScratchFiles) {
    // Every message needs decoding, so both searches go through their
    // scratch files all the time; each must only ever read its own.
    request.folder = "maildir\\inbox";
    for (int n = 1; n <= 60; n++) {
        std::string word = n % 2 ? "alpha" : "bravo";
        if (n % 3)
            message(n, "Content-Transfer-Encoding: quoted-printable\r\n\r\n" + word + "=\r\n " + std::to_string(n) + "\r\n", word);
        else
            message(n, "Content-Transfer-Encoding: base64\r\n\r\n" + base64_text(word + " " + std::to_string(n)) + "\r\n", word);
    }
    SearchRequest alpha = request, bravo = request;
    alpha.field = bravo.field = SEARCH_MESSAGE;
    alpha.text = "ALPHA";
    bravo.text = "bravo";
    alpha.scratch_number = 11;
    bravo.scratch_number = 12;
    std::string alpha_folder, bravo_folder;
    ASSERT_GT(make_result_folder(&alpha_folder), 0);
    ASSERT_GT(make_result_folder(&bravo_folder), 0);
    int alpha_found = 0, bravo_found = 0;
    std::thread first([&] { alpha_found = run_search(alpha, alpha_folder); });
    std::thread second([&] { bravo_found = run_search(bravo, bravo_folder); });
    first.join();
    second.join();
    EXPECT_EQ(alpha_found, 30);
    EXPECT_EQ(bravo_found, 30);
    for (int k = 1; k <= 30; k++) {
        auto file = [&](const std::string& folder) {
            std::string path = folder;
            for (char& c : path)
                if (c == '\\') c = '/';
            return read_file(folder_ / path / ("mm" + std::to_string(k) + ".eml"));
        };
        // In list order: the k-th odd message, the k-th even one.
        EXPECT_EQ(file(alpha_folder), read_file(folder_ / "maildir" / "inbox" / ("mm" + std::to_string(2 * k - 1) + ".eml")));
        EXPECT_EQ(file(bravo_folder), read_file(folder_ / "maildir" / "inbox" / ("mm" + std::to_string(2 * k) + ".eml")));
    }
}

TEST_F(SearchTest, EncryptedMessagesAreSearchedWithTheKey) {
    request.folder = "maildir\\inbox";
    std::string key;
    for (int i = 0; i < 4; i++) key += "\xFE\xDC\xBA\x98\x76\x54\x32\x10";
    write_file(folder_ / "bfkey.dat", key);
    ASSERT_EQ(load_message_key(), 0);
    write_file(folder_ / "temp" / "clear.txt", "the secret plan\r\n");
    ASSERT_EQ(encrypt_file(nullptr, "temp/clear.txt", "temp/cipher.bin"), 0);
    // The body as the builder sends it: base64 lines of the cipher text.
    ASSERT_EQ(base64_encode_file("temp/cipher.bin", "temp/cipher.b64", nullptr), 0);
    std::string b64 = read_file(folder_ / "temp" / "cipher.b64");
    message(1, "Subject: s\r\nContent-Transfer-Encoding: X-ZMcrypt\r\n\r\n" + b64 + "\r\n", "secret");
    request.scratch_number = 77;
    EXPECT_EQ(search(SEARCH_MESSAGE, 0, "secret plan"), 1);
    // Enciphered text goes through the scratch files the dialog names,
    // never the preview's.
    EXPECT_TRUE(fs::exists(folder_ / "temp" / "searchdecrypted77.tmp"));
    EXPECT_FALSE(fs::exists(folder_ / "temp" / "decrypted77.tmp"));
    EXPECT_EQ(search(SEARCH_EMAIL, 0, "secret plan"), 0);
}

TEST_F(SearchTest, ResultFoldersAreTakenByCreatingThem) {
    fs::create_directories(folder_ / "maildir" / "search1");
    std::string folder;
    EXPECT_EQ(make_result_folder(&folder), 2);
    for (int n = 3; n <= 999; n++) fs::create_directories(folder_ / "maildir" / ("search" + std::to_string(n)));
    EXPECT_EQ(make_result_folder(&folder), -1);
    EXPECT_EQ(ui.box_texts().back(), "Search limit exceeded.");
    EXPECT_TRUE(is_search_folder("search"));
    EXPECT_TRUE(is_search_folder("Search12"));
    EXPECT_TRUE(is_search_folder("search999"));
    EXPECT_FALSE(is_search_folder("search1000"));
    EXPECT_FALSE(is_search_folder("search0"));
    EXPECT_FALSE(is_search_folder("search01"));
    EXPECT_FALSE(is_search_folder("searches"));
    EXPECT_FALSE(is_search_folder("inbox"));
}

}  // namespace
