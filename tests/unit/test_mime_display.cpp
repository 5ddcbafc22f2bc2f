// From a stored message to what the user sees: the decoded part file, the
// quoted copy for replies, the choice between the text and the HTML view with
// its code page, and the attachment files extracted in the background.
#include <thread>

#include "client/attachment_job.h"
#include "client/attachment_save.h"
#include "client/client_keys.h"
#include "core/app_state.h"
#include "core/log.h"
#include "core/settings.h"
#include "format/attachment_count.h"
#include "format/attachment_forward.h"
#include "format/base64.h"
#include "format/encryption.h"
#include "format/message_display.h"
#include "format/part_decode.h"
#include "format/quote_file.h"
#include "tests/unit/mime_support.h"

namespace {

using Strings = std::vector<std::string>;

std::string all_bytes() {
    std::string bytes;
    for (int i = 0; i < 256; i++) bytes += static_cast<char>(i);
    return bytes;
}

// The message key of the encryption tests: FEDCBA9876543210 four times.
std::string test_key() {
    std::string key;
    for (int i = 0; i < 4; i++) key += "\xFE\xDC\xBA\x98\x76\x54\x32\x10";
    return key;
}

// What the message builder sends for a file: base64 in lines.
std::string base64_lines(const std::string& bytes) {
    write_file("temp/plain.bin", bytes);
    EXPECT_EQ(base64_encode_file("temp\\plain.bin", "temp\\plain.b64", nullptr), 0);
    return read_file("temp/plain.b64");
}

std::string encrypted_base64(const std::string& bytes) {
    write_file("temp/clear.bin", bytes);
    EXPECT_EQ(encrypt_file(nullptr, "temp\\clear.bin", "temp\\cipher.bin"), 0);
    return base64_lines(read_file("temp/cipher.bin"));
}

class MimeDisplay : public MimeTest {
protected:
    void TearDown() override {
        display_code_page_check_install(nullptr);
        std::error_code ignored;
        std::filesystem::remove(folder_ / "bfkey.dat", ignored);
        load_message_key();
        log_close();
        MimeTest::TearDown();
    }
    void load_key() {
        write_file(folder_ / "bfkey.dat", test_key());
        ASSERT_EQ(load_message_key(), 0);
    }
    int show(const std::string& bytes, DisplayResult* result, int force = DISPLAY_AS_SET, bool text_only = false,
             bool quote = false, bool html_as_text = false) {
        message(bytes);
        DisplayRequest request;
        request.path = "m.eml";
        request.window = reinterpret_cast<WindowRef>(static_cast<uintptr_t>(77));
        request.status_window = reinterpret_cast<WindowRef>(static_cast<uintptr_t>(1));
        request.force = force;
        request.text_only = text_only;
        request.quote = quote;
        request.html_as_text = html_as_text;
        return prepare_display(&request, result);
    }
};

const std::string html_only = crlf(
    "Subject: h\n"
    "Content-Type: text/html; charset=iso-8859-2\n"
    "Content-Transfer-Encoding: quoted-printable\n"
    "\n"
    "<p>caf=E9 =\n"
    "au lait &#x159;&rsquo;</p>\n");

const std::string both = crlf(
    "Content-Type: multipart/alternative; boundary=\"b\"\n\n"
    "--b\nContent-Type: text/plain; charset=utf-8\nContent-Transfer-Encoding: base64\n\naGVsbG8=\n"
    "--b\nContent-Type: text/html\n\n<b>hello</b>\n--b--\n");

TEST_F(MimeDisplay, DecodingKeepsEveryByte) {
    write_file("temp/in", "a=00b=3D=\r\nc=0D=0A=FF");
    ASSERT_EQ(decode_part_file(nullptr, "temp\\in", "temp\\out", "Quoted-Printable", 0, false), 0);
    EXPECT_EQ(read_file("temp/out"), std::string("a\0b=c\r\n\xFF", 8));

    write_file("temp/in", base64_lines(all_bytes()));
    ASSERT_EQ(decode_part_file(nullptr, "temp\\in", "temp\\out", "base64 ", 0, false), 0);
    EXPECT_EQ(read_file("temp/out"), all_bytes());
    // The stages are the window's own scratch files.
    EXPECT_EQ(read_file("temp/decoded0.tmp"), all_bytes());
    EXPECT_EQ(read_file("temp/decrypted0.tmp"), all_bytes());

    write_file("temp/in", "=41 as it is\r\n");
    ASSERT_EQ(decode_part_file(nullptr, "temp\\in", "temp\\out", "8bit", 0, false), 0);
    EXPECT_EQ(read_file("temp/out"), "=41 as it is\r\n");
    ASSERT_EQ(decode_part_file(nullptr, "temp\\in", "temp\\out", "7bit", 0, true), 0);
    EXPECT_EQ(read_file("temp/out"), "> =41 as it is\r\n> ");
    EXPECT_EQ(decode_part_file(nullptr, "temp\\absent", "temp\\out", "", 0, false), -1);
}

TEST_F(MimeDisplay, EncryptedPartsAreBase64DecodedAndDeciphered) {
    load_key();
    write_file("temp/in", encrypted_base64(all_bytes()));
    ASSERT_EQ(decode_part_file(nullptr, "temp\\in", "temp\\out", "7bit", 1, false), 0);
    EXPECT_EQ(read_file("temp/out"), all_bytes());
}

TEST_F(MimeDisplay, QuoteMarksEveryLineOnce) {
    std::string long_line(100, 'x');
    write_file("temp/in", "one\r\n" + long_line + "\r\n\r\nlast" + std::string("\0z", 2));
    ASSERT_EQ(quote_file("temp\\in", "temp\\out"), 0);
    EXPECT_EQ(read_file("temp/out"), "> one\r\n> " + long_line + "\r\n> \r\n> last" + std::string("\0z", 2));
    write_file("temp/in", "a\n");
    ASSERT_EQ(quote_file("temp\\in", "temp\\out"), 0);
    EXPECT_EQ(read_file("temp/out"), "> a\n> ");
    EXPECT_EQ(quote_file("temp\\absent", "temp\\out"), -1);
    EXPECT_EQ(quote_file("temp\\in", "nofolder\\out"), -1);
}

TEST_F(MimeDisplay, HtmlSettingDecidesTheView) {
    DisplayResult r;
    display_result_init(&r);
    html_display_mode = HTML_ALWAYS;
    ASSERT_EQ(show(html_only, &r), 0);
    EXPECT_TRUE(r.as_html);
    EXPECT_TRUE(r.whole_message);
    EXPECT_STREQ(r.shown_path->text, "m.eml");

    multipart_html_disabled = 1;
    ASSERT_EQ(show(html_only, &r), 0);
    EXPECT_TRUE(r.as_html);
    EXPECT_FALSE(r.whole_message);
    EXPECT_STREQ(r.shown_path->text, "temp\\final77.tmp");
    EXPECT_EQ(read_file("temp/final77.tmp"), "<p>caf\xE9 au lait &#x159;&rsquo;</p>\r\n");

    html_display_mode = HTML_NEVER;
    ASSERT_EQ(show(html_only, &r), 0);
    EXPECT_FALSE(r.as_html);
    EXPECT_TRUE(r.html_part);  // shown as text after conversion
    EXPECT_EQ(r.code_page, 28592);
    EXPECT_EQ(read_file("temp/final77.tmp"), "<p>caf\xE9 au lait &#x159;&rsquo;</p>\r\n");
    EXPECT_STREQ(r.shown_path->text, "temp\\htmltext77.tmp");
    EXPECT_EQ(read_file("temp/htmltext77.tmp"), "caf\xE9 au lait \xF8'");

    html_display_mode = HTML_IF_NO_TEXT;
    ASSERT_EQ(show(both, &r), 0);
    EXPECT_FALSE(r.as_html);
    EXPECT_EQ(r.code_page, 65001);
    EXPECT_EQ(read_file("temp/final77.tmp"), "hello");
    html_display_mode = HTML_ALWAYS;
    ASSERT_EQ(show(both, &r), 0);
    EXPECT_TRUE(r.as_html);
    EXPECT_STREQ(r.type->text, "text/html");
    EXPECT_EQ(read_file("temp/final77.tmp"), "<b>hello</b>");
    display_result_release(&r);
}

TEST_F(MimeDisplay, ForcedModesAndTextOnlyTargets) {
    DisplayResult r;
    display_result_init(&r);
    html_display_mode = HTML_ALWAYS;
    ASSERT_EQ(show(both, &r, DISPLAY_FORCE_TEXT), 0);
    EXPECT_FALSE(r.as_html);
    EXPECT_EQ(read_file("temp/final77.tmp"), "hello");
    EXPECT_EQ(show(html_only, &r, DISPLAY_FORCE_TEXT), -1);
    ASSERT_EQ(show(both, &r, DISPLAY_AS_SET, true, true), 0);
    EXPECT_EQ(read_file("temp/final77.tmp"), "> hello");
    // The print control refuses a message whose only text is HTML (it is
    // "not printable"); a compose editor gets it converted, never an empty
    // text, quoted after the conversion.
    EXPECT_EQ(show(html_only, &r, DISPLAY_AS_SET, true), -1);
    ASSERT_EQ(show(html_only, &r, DISPLAY_AS_SET, true, false, true), 0);
    EXPECT_FALSE(r.as_html);
    EXPECT_STREQ(r.shown_path->text, "temp\\htmltext77.tmp");
    EXPECT_EQ(read_file("temp/htmltext77.tmp"), "caf\xE9 au lait \xF8'");
    EXPECT_EQ(r.code_page, 28592);
    ASSERT_EQ(show(html_only, &r, DISPLAY_AS_SET, true, true, true), 0);
    EXPECT_STREQ(r.shown_path->text, "temp\\htmlquote77.tmp");
    EXPECT_EQ(read_file("temp/htmlquote77.tmp"), "> caf\xE9 au lait \xF8'");

    html_display_mode = HTML_NEVER;
    multipart_html_disabled = 1;
    ASSERT_EQ(show(both, &r, DISPLAY_FORCE_HTML), 0);
    EXPECT_TRUE(r.as_html);
    EXPECT_EQ(read_file("temp/final77.tmp"), "<b>hello</b>");
    EXPECT_EQ(show(crlf("Subject: p\n\nplain\n"), &r, DISPLAY_FORCE_HTML), -1);
    EXPECT_EQ(show(crlf("Content-Type: image/png\n\nx"), &r), -1);
    display_result_release(&r);
}

TEST_F(MimeDisplay, AskingBeforeHtml) {
    UiRecorder ui;
    ui.answers = {UI_ANSWER_NO, UI_ANSWER_YES};
    settings_flags = SETTING_PROMPT_HTML;
    html_display_mode = HTML_ALWAYS;
    DisplayResult r;
    display_result_init(&r);
    ASSERT_EQ(show(html_only, &r), 0);
    EXPECT_FALSE(r.as_html);
    EXPECT_EQ(read_file("temp/final77.tmp"), "<p>caf\xE9 au lait &#x159;&rsquo;</p>\r\n");
    ASSERT_EQ(show(html_only, &r), 0);
    EXPECT_TRUE(r.as_html);
    ASSERT_EQ(ui.boxes.size(), 2u);
    EXPECT_EQ(ui.boxes[0].text, "Zenth Mail is about to show an HTML message. Continue?");
    EXPECT_EQ(ui.boxes[0].caption, "Zenth Mail");
    EXPECT_EQ(ui.boxes[0].style, static_cast<unsigned>(UI_YESNO | UI_ICON_QUESTION));
    display_result_release(&r);
}

bool nothing_installed(int) { return false; }

TEST_F(MimeDisplay, CodePagesAndTheirMessages) {
    ASSERT_EQ(log_open("zmlog.txt"), 0);
    UiRecorder ui;
    DisplayResult r;
    display_result_init(&r);
    auto plain = [](const std::string& charset) {
        return crlf("Content-Type: text/plain" + charset + "\n\nx");
    };
    ASSERT_EQ(show(plain("; charset=ISO-8859-9"), &r), 0);
    EXPECT_EQ(r.code_page, 28599);
    ASSERT_EQ(show(plain(""), &r), 0);
    EXPECT_EQ(r.code_page, 28591);
    // The header decoder's table: us-ascii and iso-8859-1 as windows-1252,
    // and the charsets beyond iso-8859-9.
    ASSERT_EQ(show(plain("; charset=us-ascii"), &r), 0);
    EXPECT_EQ(r.code_page, 1252);
    ASSERT_EQ(show(plain("; charset=\"ISO-8859-1\""), &r), 0);
    EXPECT_EQ(r.code_page, 1252);
    ASSERT_EQ(show(plain("; charset=iso-8859-15"), &r), 0);
    EXPECT_EQ(r.code_page, 28605);
    ASSERT_EQ(show(plain("; charset=koi8-r"), &r), 0);
    EXPECT_EQ(r.code_page, 20866);
    ASSERT_EQ(show(plain("; charset=Windows-1251"), &r), 0);
    EXPECT_EQ(r.code_page, 1251);
    EXPECT_EQ(read_file(folder_ / "zmlog.txt"), "");
    ASSERT_EQ(show(plain("; charset=x-unknown-charset"), &r), 0);
    EXPECT_EQ(r.code_page, 28591);
    EXPECT_NE(read_file(folder_ / "zmlog.txt").find("] Email contains unknown charset - assuming Latin1\r\n"),
              std::string::npos);

    display_code_page_check_install(nothing_installed);
    ASSERT_EQ(show(plain(""), &r), 0);
    EXPECT_EQ(r.code_page, 20127);
    ASSERT_EQ(show(plain("; charset=utf-8"), &r), 0);
    EXPECT_EQ(r.code_page, 20127);
    ASSERT_EQ(show(plain("; charset=iso-8859-1"), &r), 0);
    EXPECT_EQ(r.code_page, 20127);
    EXPECT_EQ(ui.status_text(),
              "The Latin1 character set is not installed - defaulting to US-ASCII."
              "Email contains a character set that is not installed."
              "The Latin1 character set is not installed - defaulting to US-ASCII.");
    EXPECT_TRUE(ui.boxes.empty());
    display_result_release(&r);
}

TEST_F(MimeDisplay, UnreadableAndEncryptedMessages) {
    UiRecorder ui;
    DisplayResult r;
    display_result_init(&r);
    DisplayRequest request;
    request.path = "absent.eml";
    EXPECT_EQ(prepare_display(&request, &r), -1);
    EXPECT_EQ(ui.box_texts(), Strings{"Could not access file!"});

    load_key();
    std::string secret = encrypted_base64("the secret text\r\n");
    load_message_key();  // bfkey.dat is still there: load it again below
    std::filesystem::remove(folder_ / "bfkey.dat");
    load_message_key();
    std::string encrypted = crlf("Subject: s\nContent-Transfer-Encoding: X-ZMcrypt\n\n") + secret;
    EXPECT_EQ(show(encrypted, &r), -1);
    EXPECT_EQ(ui.boxes.size(), 1u);
    load_key();
    ASSERT_EQ(show(encrypted, &r), 0);
    EXPECT_EQ(read_file("temp/final77.tmp"), "the secret text\r\n");
    display_result_release(&r);
}

// The attachments line as the main window would show it.
struct Line {
    std::string text;
    int clears = 0;
};
void line_clear(void* context) {
    static_cast<Line*>(context)->text.clear();
    static_cast<Line*>(context)->clears++;
}
void line_append(void* context, const char* text) { static_cast<Line*>(context)->text += text; }

std::string three_attachments() {
    return crlf("Content-Type: multipart/mixed; boundary=\"mix\"\n\n"
                "--mix\nContent-Type: text/plain\n\nsee attached\n"
                "--mix\nContent-Type: application/octet-stream; name=\"all bytes.bin\"\n"
                "Content-Transfer-Encoding: base64\nContent-Disposition: attachment\n\n") +
           base64_lines(all_bytes()) +
           crlf("\n--mix\nContent-Type: text/plain\nContent-Transfer-Encoding: quoted-printable\n"
                "Content-Disposition: attachment; filename=\"q.txt\"\n\nnul=00 and soft=\nbreak\n"
                "--mix\nContent-Type: application/x-raw\nContent-Transfer-Encoding: 8bit\n"
                "Content-Disposition: attachment; filename=raw.dat\n\n") +
           std::string("\0\r\n\xFF\n", 5) + crlf("\n--mix--\n");
}

TEST_F(MimeDisplay, BackgroundExtractionWritesEveryAttachment) {
    const char* path = message(three_attachments());
    EXPECT_EQ(count_attachments(path), 3);
    write_file("temp/4660exatt2.dat", "stale");
    Line line;
    AttachmentLine sink{line_clear, line_append, &line};
    auto window = reinterpret_cast<WindowRef>(static_cast<uintptr_t>(0x1234));
    EXPECT_EQ(extract_attachments(path, window, &sink), 3);
    EXPECT_EQ(line.text, "all_bytes.bin  q.txt  raw.dat  ");
    EXPECT_EQ(read_file("temp/4660exatt1.dat"), all_bytes());
    EXPECT_EQ(read_file("temp/4660exatt2.dat"), std::string("nul\0 and softbreak", 18));
    EXPECT_EQ(read_file("temp/4660exatt3.dat"), std::string("\0\r\n\xFF\n", 5));

    // A stop asked for ends the extraction after the attachment at hand.
    line.text.clear();
    extraction_stop = 1;
    EXPECT_EQ(extract_attachments(path, window, &sink), 1);
    extraction_stop = 0;
    EXPECT_EQ(line.text, "all_bytes.bin  ");
    EXPECT_FALSE(std::filesystem::exists("temp/4660exatt2.dat") &&
                 read_file("temp/4660exatt2.dat") == "stale");
}

TEST_F(MimeDisplay, ExtractionThreadIsCountedUntilItEnds) {
    const char* path = message(three_attachments());
    Line line;
    line.text = "old  ";
    AttachmentLine sink{line_clear, line_append, &line};
    ASSERT_EQ(start_attachment_extraction(path, reinterpret_cast<WindowRef>(static_cast<uintptr_t>(5)), &sink), 0);
    // Counted from the start: a stop asked for at once still waits for it.
    stop_extractions();
    EXPECT_EQ(running_extractions.load(), 0);
    EXPECT_EQ(extraction_stop.load(), 0);
    EXPECT_EQ(line.clears, 1);
    EXPECT_TRUE(line.text == "all_bytes.bin  " || line.text == "all_bytes.bin  q.txt  " ||
                line.text == "all_bytes.bin  q.txt  raw.dat  ")
        << line.text;
    EXPECT_EQ(read_file("temp/5exatt1.dat"), all_bytes());
}

TEST_F(MimeDisplay, EncryptedAttachments) {
    load_key();
    std::string bytes = crlf("Content-Type: multipart/mixed; boundary=e\nContent-Transfer-Encoding: X-ZMcrypt\n\n"
                             "--e\nContent-Type: text/plain\nContent-Transfer-Encoding: base64\n\n") +
                        encrypted_base64("text") +
                        crlf("\n--e\nContent-Type: application/octet-stream\nContent-Transfer-Encoding: base64\n"
                             "Content-Disposition: attachment; filename=\"k.bin\"\n\n") +
                        encrypted_base64(all_bytes()) + crlf("\n--e--\n");
    const char* path = message(bytes);
    Line line;
    AttachmentLine sink{line_clear, line_append, &line};
    EXPECT_EQ(extract_attachments(path, nullptr, &sink), 1);
    EXPECT_EQ(read_file("temp/0exatt1.dat"), all_bytes());
    std::filesystem::remove(folder_ / "bfkey.dat");
    load_message_key();
    line.text.clear();
    EXPECT_EQ(extract_attachments(path, nullptr, &sink), 0);
    EXPECT_EQ(line.text, "");
    EXPECT_EQ(count_attachments(path), 1);
    EXPECT_EQ(count_attachments("absent.eml"), 0);
}

// The save dialog as a test plays it: each offered name is recorded, and
// the answer is a path in the test folder or a cancel.
struct Chooser {
    std::vector<std::string> offered;
    std::vector<std::string> answers;  // "" cancels
};
bool choose(void* context, const char* name, Array* path) {
    auto* c = static_cast<Chooser*>(context);
    c->offered.push_back(name);
    std::string answer = c->answers.empty() ? "" : c->answers.front();
    if (!c->answers.empty()) c->answers.erase(c->answers.begin());
    array_copy(path, answer.c_str());
    return !answer.empty();
}

TEST_F(MimeDisplay, ExtractAttachmentsCommandSavesWhereTheUserSays) {
    UiRecorder ui;
    std::string bytes = three_attachments();
    // A hostile name, and a cut last part.
    bytes.replace(bytes.find("filename=\"q.txt\""), 16, "filename=\"..\\C:q.txt\"");
    bytes.erase(bytes.rfind("\r\n--mix--"));
    const char* path = message(bytes);
    Chooser c;
    c.answers = {"saved1.bin", "", "saved3.dat"};
    SaveChooser chooser{choose, &c};
    EXPECT_EQ(save_attachments(path, nullptr, nullptr, &chooser), 2);
    EXPECT_EQ(c.offered, (Strings{"all bytes.bin", ".._C_q.txt", "raw.dat"}));
    EXPECT_EQ(read_file("saved1.bin"), all_bytes());
    EXPECT_EQ(read_file("saved3.dat"), std::string("\0\r\n\xFF\n", 5));
    EXPECT_EQ(ui.box_texts(), Strings{"This attachment may be incomplete."});

    c.answers = {"nofolder\\x"};
    message(three_attachments());
    EXPECT_EQ(save_attachments(path, nullptr, nullptr, &chooser), 0);
    EXPECT_EQ(ui.box_texts().back(), "Could not save attachment.");

    message(crlf("Subject: none\n\ntext\n"));
    EXPECT_EQ(save_attachments(path, nullptr, reinterpret_cast<WindowRef>(static_cast<uintptr_t>(1)), &chooser), 0);
    EXPECT_EQ(ui.status_text(), "There do not appear to be any attachments to extract.");
}

// What the message builder will send for a compose attachment file: the
// name on its marker line and the bytes its base64 body decodes to.
std::pair<std::string, std::string> compose_attachment(const std::string& file) {
    std::string bytes = read_file(file);
    size_t line_end = bytes.find("\r\n");
    write_file("temp/body.b64", bytes.substr(line_end + 2));
    EXPECT_EQ(base64_decode_file("temp\\body.b64", "temp\\body.bin"), 0);
    return {bytes.substr(0, line_end), read_file("temp/body.bin")};
}

TEST_F(MimeDisplay, ForwardedAttachmentsAreBase64WhateverTheirEncoding) {
    const char* path = message(three_attachments());
    Line line;
    AttachmentLine sink{line_clear, line_append, &line};
    auto window = reinterpret_cast<WindowRef>(static_cast<uintptr_t>(42));
    bool encrypted = true;
    EXPECT_EQ(forward_attachments(path, window, &sink, false, &encrypted), 3);
    EXPECT_FALSE(encrypted);
    EXPECT_EQ(line.text, "all bytes.bin  q.txt  raw.dat  ");
    // The base64 part keeps its body as sent.
    EXPECT_EQ(read_file("temp/attachment42_0.tmp"), "X-ZMAttachment: all bytes.bin\r\n" + base64_lines(all_bytes()));
    EXPECT_EQ(compose_attachment("temp/attachment42_0.tmp").second, all_bytes());
    // Quoted-printable and 8bit parts are decoded and encoded anew.
    EXPECT_EQ(compose_attachment("temp/attachment42_1.tmp"),
              (std::pair<std::string, std::string>{"X-ZMAttachment: q.txt", std::string("nul\0 and softbreak", 18)}));
    EXPECT_EQ(compose_attachment("temp/attachment42_2.tmp"),
              (std::pair<std::string, std::string>{"X-ZMAttachment: raw.dat", std::string("\0\r\n\xFF\n", 5)}));
    EXPECT_EQ(forward_attachments("absent.eml", window, &sink, false, nullptr), 0);
}

// What a compose attachment file carries once deciphered.
std::string deciphered(const std::string& file) {
    write_file("temp/carried.enc", compose_attachment(file).second);
    EXPECT_EQ(decrypt_file("temp\\carried.enc", "temp\\carried.dec", 1), 0);
    return read_file("temp/carried.dec");
}

TEST_F(MimeDisplay, APlainMessagesAttachmentsAreEncipheredForAWindowThatEncrypts) {
    load_key();
    const char* path = message(three_attachments());
    Line line;
    AttachmentLine sink{line_clear, line_append, &line};
    auto window = reinterpret_cast<WindowRef>(static_cast<uintptr_t>(42));
    bool encrypted = true;
    EXPECT_EQ(forward_attachments(path, window, &sink, true, &encrypted), 3);
    EXPECT_FALSE(encrypted);
    EXPECT_EQ(line.text, "all bytes.bin  q.txt  raw.dat  ");
    // base64, quoted-printable and 8bit alike: base64 of the cipher text of
    // the decoded bytes, as "Add Attachment" makes it with encryption on.
    EXPECT_EQ(compose_attachment("temp/attachment42_0.tmp").first, "X-ZMAttachment: all bytes.bin");
    EXPECT_EQ(deciphered("temp/attachment42_0.tmp"), all_bytes());
    EXPECT_EQ(deciphered("temp/attachment42_1.tmp"), std::string("nul\0 and softbreak", 18));
    EXPECT_EQ(deciphered("temp/attachment42_2.tmp"), std::string("\0\r\n\xFF\n", 5));
    EXPECT_NE(compose_attachment("temp/attachment42_2.tmp").second, std::string("\0\r\n\xFF\n", 5));
}

TEST_F(MimeDisplay, AnEncryptedMessagesAttachmentsStayEncrypted) {
    load_key();
    std::string cipher_text = encrypted_base64(all_bytes());
    const char* path = message(crlf("Subject: x\nMIME-Version: 1.0\n"
                                    "Content-Type: multipart/mixed; boundary=\"mix\"\n"
                                    "Content-Transfer-Encoding: X-ZMcrypt\n\n"
                                    "--mix\nContent-Type: text/plain\nContent-Transfer-Encoding: base64\n\n") +
                               encrypted_base64("text") +
                               crlf("\n--mix\nContent-Type: application/octet-stream; name=\"s.bin\"\n"
                                    "Content-Transfer-Encoding: base64\n"
                                    "Content-Disposition: attachment; filename=\"s.bin\"\n\n") +
                               cipher_text + crlf("\n--mix--\n"));
    Line line;
    AttachmentLine sink{line_clear, line_append, &line};
    auto window = reinterpret_cast<WindowRef>(static_cast<uintptr_t>(42));
    // Whether the window encrypts or not, the part is taken as it is, and
    // the caller learns to check "Encrypt Messages".
    for (bool window_encrypts : {false, true}) {
        bool encrypted = false;
        EXPECT_EQ(forward_attachments(path, window, &sink, window_encrypts, &encrypted), 1);
        EXPECT_TRUE(encrypted);
        EXPECT_EQ(read_file("temp/attachment42_0.tmp"), "X-ZMAttachment: s.bin\r\n" + cipher_text);
        EXPECT_EQ(deciphered("temp/attachment42_0.tmp"), all_bytes());
    }
}

}  // namespace
