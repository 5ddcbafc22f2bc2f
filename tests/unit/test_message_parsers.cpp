// Messages as the builder writes them, read back by MIME parsers that are
// not ours (Python's email package, when the machine has it) and by the
// client's own header reader.
#include <cstdlib>
#include <filesystem>
#include <string>

#include "format/header_fields.h"
#include "format/message_builder.h"
#include "format/quoted_printable.h"
#include "tests/unit/builder_fixture.h"

namespace {

const char check_script[] = R"PY(import email, email.errors, email.policy, sys
eml, text_path, charset = sys.argv[1], sys.argv[2], sys.argv[3]
pairs = sys.argv[4:]
with open(eml, 'rb') as f:
    msg = email.message_from_binary_file(f, policy=email.policy.default)
problems = []
# The client declares the encoding of its parts also in front of a multipart
# body, which RFC 2045 does not allow there; parsers note it and read on.
tolerated = email.errors.InvalidMultipartContentTransferEncodingDefect
for part in msg.walk():
    for d in part.defects:
        if not isinstance(d, tolerated):
            problems.append('defect: %r' % d)
leaves = [p for p in msg.walk() if not p.is_multipart()]
if len(leaves) != 1 + len(pairs) // 2:
    problems.append('%d parts' % len(leaves))
text = leaves[0]
if text.get_content_type() != 'text/plain':
    problems.append('text type ' + text.get_content_type())
if text.get_content_charset() != charset:
    problems.append('charset %r' % text.get_content_charset())
# A decoded quoted-printable line break is the reader's own line end.
def lines(b):
    return b.replace(b'\r\n', b'\n')
if lines(text.get_payload(decode=True)) != lines(open(text_path, 'rb').read()):
    problems.append('text differs: %r' % text.get_payload(decode=True)[:200])
for part, name, path in zip(leaves[1:], pairs[0::2], pairs[1::2]):
    if part.get_content_disposition() != 'attachment':
        problems.append('disposition of ' + name)
    if part.get_filename() != name:
        problems.append('name %r' % part.get_filename())
    if part.get_payload(decode=True) != open(path, 'rb').read():
        problems.append('attachment %s differs' % name)
if str(msg['Subject']) != 'Quarterly figures':
    problems.append('subject %r' % str(msg['Subject']))
if [a.addr_spec for a in msg['To'].addresses] != ['bob@example.org', 'carol@example.org']:
    problems.append('to %r' % str(msg['To']))
print('\n'.join(problems))
sys.exit(1 if problems else 0)
)PY";

bool have_python() {
#ifdef _WIN32
    return false;
#else
    return std::system("python3 -c 'import email.policy' >/dev/null 2>&1") == 0;
#endif
}

class MessageParsersTest : public BuilderTest {
protected:
    // Runs the check on out.eml; the problems it found, or "" when none.
    std::string python_check(const std::string& charset, const std::string& attachments) {
        write_file(folder_ / "check.py", check_script);
        std::string command = "python3 check.py out.eml text.expected " + charset + " " + attachments + " >check.out 2>&1";
        int status = std::system(command.c_str());
        std::string report = read_file(folder_ / "check.out");
        return status == 0 ? "" : report.empty() ? "python3 failed" : report;
    }
};

std::u16string long_text() {
    std::u16string text;
    for (int i = 0; i < 400; i++) {
        text += u"Line " + std::u16string(1, static_cast<char16_t>(u'0' + i % 10)) +
                u": figures = 1.5 \u00e9t\u00e9, trailing tab\t and a long run of words that goes past seventy "
                u"characters before it ends.\r\n";
        if (i % 50 == 0) text += u".\r\n \r\n";
    }
    return text;
}

std::string latin1_of(const std::u16string& text) {
    std::string s;
    for (char16_t c : text) s += static_cast<char>(c);
    return s;
}

TEST_F(MessageParsersTest, PythonReadsTextAndAttachmentsAsWritten) {
    if (!have_python()) GTEST_SKIP() << "python3 with the email package is not available";
    std::u16string text = long_text();
    ComposeFields f = fields(text);
    f.to = "\"Bob\" <bob@example.org>,carol@example.org";
    f.subject = "Quarterly figures";
    std::string binary;
    for (int i = 0; i < 100000; i++) binary += static_cast<char>((i * 131 + i / 7) % 256);
    std::string lines = "first\r\nsecond\nthird\r\n.\r\n------=_NextPart_00042\r\n";
    attach(&f, "figures.bin", binary);
    attach(&f, "notes.txt", lines);
    attach(&f, "empty.dat", "");
    ASSERT_NE(build(f), "");
    write_file(folder_ / "text.expected", latin1_of(text));
    EXPECT_EQ(python_check("iso-8859-1",
                           "figures.bin files/figures.bin notes.txt files/notes.txt empty.dat files/empty.dat"),
              "");
}

TEST_F(MessageParsersTest, PythonReadsAUtf8TextMessage) {
    if (!have_python()) GTEST_SKIP() << "python3 with the email package is not available";
    ComposeFields f = fields(u"\u041f\u0440\u0438\u0432\u0435\u0442 = \U0001F600.\r\n");
    f.to = "bob@example.org, carol@example.org";
    f.subject = "Quarterly figures";
    ASSERT_NE(build(f), "");
    write_file(folder_ / "text.expected", "\xd0\x9f\xd1\x80\xd0\xb8\xd0\xb2\xd0\xb5\xd1\x82 = \xf0\x9f\x98\x80.\r\n");
    EXPECT_EQ(python_check("utf-8", ""), "");
}

TEST_F(MessageParsersTest, OwnHeaderReaderFindsEveryField) {
    std::u16string text = long_text();
    ComposeFields f = fields(text);
    f.to = "\"Bob\" <bob@example.org>,carol@example.org";
    f.subject = "Quarterly figures";
    f.reply_reference = "<abc@example.org>";
    ASSERT_NE(build(f), "");
    Array* value = array_new(1000);
    auto field = [&](const char* name) {
        int64_t offset = 0;
        int r = read_header_field("out.eml", &offset, name, value, 999, FIELD_FIRST, SCOPE_HEADER);
        return r == 0 ? std::string(value->text) : "(" + std::to_string(r) + ")";
    };
    EXPECT_EQ(field("X-ZMRecipients"), "bob@example.org,carol@example.org");
    EXPECT_EQ(field("X-ZMOpts"), "9");
    EXPECT_EQ(field("To"), "\"Bob\" <bob@example.org>,\r\n\tcarol@example.org");
    EXPECT_EQ(field("Subject"), "Quarterly figures");
    EXPECT_EQ(field("In-Reply-To"), "<abc@example.org>");
    EXPECT_EQ(field("Content-Type"), "text/plain; charset=\"iso-8859-1\"");
    Array* charset = array_new(20);
    EXPECT_EQ(get_field_parameter(value, "charset", charset, 10), 0);
    EXPECT_STREQ(charset->text, "iso-8859-1");
    delete_arrays(value, charset);

    // The body decodes to the text.
    std::string message = read_file(folder_ / "out.eml");
    write_file(folder_ / "body.qp", message.substr(header_of(message).size()));
    ASSERT_EQ(qp_decode_file("body.qp", "body.txt"), 0);
    EXPECT_EQ(read_file(folder_ / "body.txt"), latin1_of(text));
}

}  // namespace
