#include <string>
#include <vector>

#include "format/address_list.h"
#include "format/text_search.h"
#include "store/message_summary.h"
#include "tests/unit/test_support.h"

namespace {

// Address lists of the client: 100 entries of 256 characters.
struct List {
    StringList* list = string_list_new(100, 256);
    ~List() {
        string_list_release(list);
        delete list;
    }
    List(std::vector<std::string> entries = {}) {
        for (size_t i = 0; i < entries.size(); i++) array_copy(list->items[i], entries[i].c_str());
    }
    std::vector<std::string> entries() const {
        std::vector<std::string> out;
        for (int i = 0; i < list->count && list->items[i]->text[0]; i++) out.push_back(list->items[i]->text);
        return out;
    }
};

using Entries = std::vector<std::string>;

TEST(TextSearch, FindTextNocaseFindsOverlappingStartsAndFoldsOnlyAsciiLetters) {
    const char* text = "aaab";
    EXPECT_EQ(find_text_nocase(text, "AAB"), text + 1);
    const char* reply = "+OK <1.2@host>\r\nsasl\r\nCram-MD5\r\n";
    EXPECT_EQ(find_text_nocase(reply, "\r\nCRAM-MD5\r\n"), reply + 20);
    EXPECT_EQ(find_text_nocase("\xe9t\xc9", "\xc9T\xc9"), nullptr);
    EXPECT_EQ(find_text_nocase("abc", "abcd"), nullptr);
    EXPECT_EQ(find_text_nocase("", "a"), nullptr);
}

TEST(TextSearch, ExtractBetween) {
    Array* out = array_new(20);
    EXPECT_EQ(extract_between(256, "x\r\nfrom: \"A\" <a@b>\r\nTo: c\r\n", out, "From: ", "\r"), 0);
    EXPECT_STREQ(out->text, "\"A\" <a@b>");
    EXPECT_EQ(extract_between(3, "<abcdef>", out, "<", ">"), 0);
    EXPECT_STREQ(out->text, "abc");
    std::string wide(42, 'z');
    wide.front() = '<';
    wide.back() = '>';
    EXPECT_EQ(extract_between(256, wide.c_str(), out, "<", ">"), 0);  // cut to the buffer
    EXPECT_EQ(std::string(out->text), std::string(19, 'z'));
    EXPECT_EQ(extract_between(256, "<abc", out, "<", ">"), -1);
    EXPECT_STREQ(out->text, "");
    EXPECT_EQ(extract_between(256, "abc>", out, "<", ">"), -1);
    delete_arrays(out);
}

std::pair<std::string, std::string> split(const char* entry, int bar_form, int max = 124) {
    Array* address = array_new(125);
    Array* name = array_new(125);
    split_address(entry, address, name, max, max, bar_form);
    std::pair<std::string, std::string> got{address->text, name->text};
    delete_arrays(address, name);
    return got;
}

TEST(SplitAddress, DisplayBareAndBarForms) {
    EXPECT_EQ(split("\"Jane Doe\" <jane@example.org>", 0),
              std::make_pair(std::string("jane@example.org"), std::string("\"Jane Doe\" <jane@example.org>")));
    EXPECT_EQ(split(" bob@example.org ", 0), std::make_pair(std::string("bob@example.org"), std::string(" bob@example.org ")));
    EXPECT_EQ(split("Jane|jane@example.org", 1), std::make_pair(std::string("jane@example.org"), std::string("Jane")));
    EXPECT_EQ(split("Jane|jane@example.org", 0).first, "Jane|jane@example.org");
    EXPECT_EQ(split("<unclosed@example.org", 0).first, "<unclosed@example.org");
    EXPECT_EQ(split("\"X\" <abcdefgh>", 0, 4), std::make_pair(std::string("abcd"), std::string("\"X\" ")));
}

TEST(SplitAddressList, QuotedCommasStayInsideTheirEntry) {
    List l({"stale"});
    EXPECT_EQ(split_address_list("\"Smith, Ann\" <ann@example.org>,bob@example.org", l.list, 100), 0);
    EXPECT_EQ(l.entries(), (Entries{"\"Smith, Ann\" <ann@example.org>", "bob@example.org"}));
    EXPECT_EQ(split_address_list("\"a,b\" \"c,d\" <x@y>,z@w,\"open, q", l.list, 100), 0);
    EXPECT_EQ(l.entries(), (Entries{"\"a,b\" \"c,d\" <x@y>", "z@w", "\"open", " q"}));
    EXPECT_EQ(split_address_list("", l.list, 100), 0);
    EXPECT_EQ(l.entries(), Entries{});
}

TEST(SplitAddressList, TooManyOrTooLongEntriesFail) {
    List l;
    EXPECT_EQ(split_address_list("a,b", l.list, 2), 0);
    EXPECT_EQ(split_address_list("a,b,c", l.list, 2), -1);
    EXPECT_EQ(l.entries(), (Entries{"a", "b"}));
    EXPECT_EQ(split_address_list("a", l.list, 0), -1);
    std::string many;
    for (int i = 0; i < 101; i++) many.append("u").append(std::to_string(i)).append("@x,");
    many.pop_back();
    EXPECT_EQ(split_address_list(many.c_str(), l.list, 100), -1);
    EXPECT_EQ(l.entries().size(), 100u);
    std::string longer(300, 'q');
    std::string text = std::string("a,").append(longer).append(",b");
    EXPECT_EQ(split_address_list(text.c_str(), l.list, 100), -1);
    EXPECT_EQ(l.entries(), (Entries{"a", longer.substr(0, 255), "b"}));
}

TEST(JoinAddressList, AddressesForTheEnvelopeAndFoldedNamesForTheHeader) {
    List l({"Jane|jane@example.org", "bob@example.org", "\"Ann\" <ann@example.org>", "|nameless@example.org"});
    Array* addresses = array_new(12631);
    Array* names = array_new(12631);
    EXPECT_EQ(join_address_list(l.list, addresses, names), 0);
    EXPECT_STREQ(addresses->text, "jane@example.org,bob@example.org,ann@example.org,nameless@example.org");
    EXPECT_STREQ(names->text, "Jane,\r\n\tbob@example.org,\r\n\t\"Ann\" <ann@example.org>,\r\n\tnameless@example.org");
    List empty;
    EXPECT_EQ(join_address_list(empty.list, addresses, names), 0);
    EXPECT_STREQ(addresses->text, "");
    EXPECT_STREQ(names->text, "");
    // Only whole entries: the text never ends inside an address.
    Array* small = array_new(40);
    EXPECT_EQ(join_address_list(l.list, small, nullptr), -1);
    EXPECT_STREQ(small->text, "jane@example.org,bob@example.org");
    delete_arrays(addresses, names, small);
}

TEST(JoinList, JoinsWholeEntriesAndReportsAFullList) {
    List l({"a@x", "\"B\" <b@x>", "c@x"});
    Array* out = array_new(12631);
    EXPECT_EQ(join_list(l.list, out, 100, 12631), 0);
    EXPECT_STREQ(out->text, "a@x,\"B\" <b@x>,c@x");
    EXPECT_EQ(join_list(l.list, out, 2, 12631), -1);
    EXPECT_STREQ(out->text, "a@x,\"B\" <b@x>");
    EXPECT_EQ(join_list(l.list, out, 100, 10), -1);
    EXPECT_STREQ(out->text, "a@x");
    delete_arrays(out);
}

TEST(Duplicates, RemovalKeepsTheFirstOfEachAddressInOrder) {
    List l({"\"Ann\" <ann@x>", "bob@x", "ann@x", "Bob@x", " bob@x", "carl@x"});
    EXPECT_EQ(address_in_list(l.list, "Other <carl@x>", 6), 1);
    EXPECT_EQ(address_in_list(l.list, "Other <carl@x>", 5), 0);
    EXPECT_EQ(has_duplicate_addresses(l.list), 1);
    EXPECT_EQ(l.entries().size(), 6u);  // the test works on a copy
    EXPECT_EQ(remove_duplicate_addresses(l.list, 100), 2);
    EXPECT_EQ(l.entries(), (Entries{"\"Ann\" <ann@x>", "bob@x", "Bob@x", "carl@x"}));
    EXPECT_EQ(has_duplicate_addresses(l.list), 0);
    EXPECT_EQ(remove_duplicate_addresses(l.list, 3), -1);
    EXPECT_EQ(l.entries(), (Entries{"\"Ann\" <ann@x>", "bob@x", "Bob@x", "carl@x"}));
}

TEST(CheckRecipientString, RejectsEmptyEntries) {
    EXPECT_EQ(check_recipient_string("a@x,b@x,\"Smith, Ann\" <c@x>"), 0);
    EXPECT_EQ(check_recipient_string("a@x,\r\n\tb@x"), 0);
    EXPECT_EQ(check_recipient_string("a@x"), 0);
    EXPECT_EQ(check_recipient_string("a@x,"), -1);
    EXPECT_EQ(check_recipient_string("a@x, "), -1);
    EXPECT_EQ(check_recipient_string("a@x,,b@x"), -1);
    EXPECT_EQ(check_recipient_string("a@x, ,b@x"), -1);
    EXPECT_EQ(check_recipient_string(",a@x"), -1);
    EXPECT_EQ(check_recipient_string("\"a,,\" <a@x>"), 0);
    EXPECT_EQ(check_recipient_string("\"a \\\",\\\" b\" <a@x>"), 0);
    // An escaped quote closes nothing: the commas after an unclosed quote
    // separate entries, as the split takes them, and an empty one among
    // them would lose every recipient after it.
    EXPECT_EQ(check_recipient_string("\"a ,, b\\\" <c@x>"), -1);
    EXPECT_EQ(check_recipient_string("\"a, b\\\" <c@x>"), 0);
}

const char* header =
    "From: \"Jane\" <jane@x>\r\n"
    "To: bob@x,\r\n\t\"Smith, Ann\" <ann@x>,\r\n carl@x\r\n"
    "Subject: s\r\n"
    "\r\n"
    "> Cc: quoted@x\r\n";

TEST(ParseAddressField, UnfoldsAndSplitsTheValue) {
    List l;
    EXPECT_EQ(parse_address_field(header, "\nTo:", l.list, 100), 0);
    EXPECT_EQ(l.entries(), (Entries{"bob@x", "\"Smith, Ann\" <ann@x>", " carl@x"}));
    EXPECT_EQ(parse_address_field(header, "\nto:", l.list, 2), -1);
}

TEST(ParseAddressField, AbsentOrOnlyInTheBody) {
    List l;
    EXPECT_EQ(parse_address_field(header, "\nBcc:", l.list, 100), -2);
    // A forwarded message quotes "To:" lines in its body: the header has none.
    EXPECT_EQ(parse_address_field("From: a\r\nSubject: fwd\r\n\r\nFrom: b\r\nTo: c@x\r\n", "\nTo:", l.list, 100), -2);
    EXPECT_EQ(l.entries(), Entries{});
}

TEST(ParseAddressField, HeaderWithoutEndOrUnterminatedValueFails) {
    List l;
    EXPECT_EQ(parse_address_field("From: a\r\nTo: b@x\r\nSubject: cut off", "\nTo:", l.list, 100), -1);
    EXPECT_EQ(parse_address_field("From: a\r\nTo: b@x", "\nTo:", l.list, 100), -1);
    EXPECT_EQ(parse_address_field("From: a\r\nTo: b@x\r", "\nTo:", l.list, 100), -1);
    EXPECT_EQ(parse_address_field("From: a\r\nTo:\r\n\r\n", "\nTo:", l.list, 100), 0);
    EXPECT_EQ(l.entries(), Entries{});
}

// The sender and recipients of a list row as a reader sees them, read from
// a message file: names of every form real mail writes, words in them
// decoded, words folded inside their text, quotes escaped in a name, the
// name in a comment after the address, no blank before the bracket.
class SummaryAddresses : public FolderTest {};

TEST_F(SummaryAddresses, NamesAndAddressesOfEveryFormRealMailWrites) {
    struct Row {
        const char* from;
        const char* name;
        const char* address;
    };
    const Row rows[] = {
        {"jane@example.org (=?utf-8?q?J=C3=A4ne_Doe?=)", "J\xC3\xA4ne Doe", "jane@example.org"},
        {"=?utf-8?Q?J=C3=B6rg?=<jorg@example.org>", "J\xC3\xB6rg", "jorg@example.org"},
        {"\"Doe, Jane \\\"JD\\\"\" <jd@example.org>", "Doe, Jane \"JD\"", "jd@example.org"},
        {"\"=?utf-8?Q?J=C3=B6rg_M=C3=BCller?=\" <jm@example.org>", "J\xC3\xB6rg M\xC3\xBCller", "jm@example.org"},
        {"=?utf-8?Q?J=C3=B6rg_M=C3=BC=\r\n ller?= <jm@example.org>", "J\xC3\xB6rg M\xC3\xBCller", "jm@example.org"},
        {"=?US-ASCII?Q?Keith_Moore?= <moore@cs.utk.edu>", "Keith Moore", "moore@cs.utk.edu"},
        {"=?ISO-8859-1?Q?Andr=E9?= Pirard <PIRARD@vm1.ulg.ac.be>", "Andr\xC3\xA9 Pirard", "PIRARD@vm1.ulg.ac.be"},
        {"Nathaniel Borenstein <nsb@thumper.bellcore.com> (=?iso-8859-8?b?7eXs+SDv4SDp7Oj08A==?=)",
         "Nathaniel Borenstein", "nsb@thumper.bellcore.com"},
        {"Jane (work) <jane@example.org>", "Jane (work)", "jane@example.org"},
        {"moore@cs.utk.edu", "moore@cs.utk.edu", "moore@cs.utk.edu"},
        {"<moore@cs.utk.edu>", "moore@cs.utk.edu", "moore@cs.utk.edu"},
        {"\"(not a comment) <x>\" <real@example.org>", "(not a comment) <x>", "real@example.org"},
    };
    MessageSummary* s = summary_new();
    for (const Row& row : rows) {
        write_file("mm1.eml", std::string("From: ") + row.from +
                                  "\r\nTo: \"Doe, Jane \\\"JD, Jr\\\"\" <jd@example.org>, "
                                  "=?utf-8?Q?J=C3=B6rg_M=C3=BC=\r\n ller?= <jm@example.org>\r\n"
                                  "Subject: =?utf-8?Q?(=D0=BF=D1=80=D0=B8=D0=B2=D0=B5=\r\n D1=82)?=\r\n\r\nbody\r\n");
        ASSERT_EQ(read_summary(0, s, "mm1.eml"), SUMMARY_OK);
        EXPECT_STREQ(s->from_name->text, row.name) << row.from;
        EXPECT_STREQ(s->from_address->text, row.address) << row.from;
        EXPECT_STREQ(s->recipients->items[0]->text, "\"Doe, Jane \\\"JD, Jr\\\"\" <jd@example.org>");
        EXPECT_STREQ(s->recipients->items[1]->text, " J\xC3\xB6rg M\xC3\xBCller <jm@example.org>");
        EXPECT_STREQ(s->recipients->items[2]->text, "");
        EXPECT_STREQ(s->subject->text, "(\xD0\xBF\xD1\x80\xD0\xB8\xD0\xB2\xD0\xB5\xD1\x82)");
    }
    // A hostile header (three fields filling the header window) gives a
    // row cut to its room.
    std::string hostile;
    while (hostile.size() < 5000) hostile += "=?a?q?x";
    write_file("mm1.eml", "From: " + hostile + " <a@example.org>\r\nTo: (" + hostile + "\r\nSubject: \"" + hostile +
                              "\r\n\r\n");
    read_summary(0, s, "mm1.eml");
    EXPECT_EQ(std::string(s->subject->text), "\"" + hostile.substr(0, summary_subject_characters - 1));
    EXPECT_EQ(std::string(s->from_name->text), hostile.substr(0, summary_name_characters));
    summary_delete(s);
}

}  // namespace
