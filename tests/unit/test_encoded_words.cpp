// Header text beyond ASCII: RFC 2047 words and RFC 2231 parameters read into
// UTF-8, and UTF-8 written as encoded words that read back the same.
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "core/code_pages.h"
#include "format/address_words.h"
#include "format/charsets.h"
#include "format/encoded_words.h"

namespace {

TEST(EncodedWordsTest, TheExamplesOfRfc2047) {
    struct Row {
        const char* raw;
        const char* shown;
    };
    const Row rows[] = {
        {"=?ISO-8859-1?Q?a?=", "a"},
        {"=?ISO-8859-1?Q?a?= b", "a b"},
        {"=?ISO-8859-1?Q?a?= =?ISO-8859-1?Q?b?=", "ab"},
        {"=?ISO-8859-1?Q?a?=  =?ISO-8859-1?Q?b?=", "ab"},
        {"=?ISO-8859-1?Q?a?=\r\n    =?ISO-8859-1?Q?b?=", "ab"},
        {"=?ISO-8859-1?Q?a_b?=", "a b"},
        {"=?ISO-8859-1?Q?a?= =?ISO-8859-2?Q?_b?=", "a b"},
        {"(=?ISO-8859-1?Q?a?=)", "(a)"},
        {"(=?ISO-8859-1?Q?a?= b)", "(a b)"},
        {"=?US-ASCII?Q?Keith_Moore?= <moore@cs.utk.edu>", "Keith Moore <moore@cs.utk.edu>"},
        {"=?ISO-8859-1?Q?Keld_J=F8rn_Simonsen?=", "Keld J\xC3\xB8rn Simonsen"},
        {"=?ISO-8859-1?Q?Andr=E9?= Pirard", "Andr\xC3\xA9 Pirard"},
        {"=?ISO-8859-1?B?SWYgeW91IGNhbiByZWFkIHRoaXMgeW8=?=\r\n =?ISO-8859-2?B?dSB1bmRlcnN0YW5kIHRoZSBleGFtcGxlLg==?=",
         "If you can read this you understand the example."},
        // RFC 2231's language suffix on the charset.
        {"=?US-ASCII*EN?Q?Keith_Moore?=", "Keith Moore"},
    };
    for (const Row& row : rows) EXPECT_EQ(decode_header_text(row.raw), row.shown) << row.raw;
}

TEST(EncodedWordsTest, WordsFromRealMail) {
    struct Row {
        const char* raw;
        const char* shown;
    };
    const Row rows[] = {
        // A character split between two words of one charset.
        {"=?utf-8?Q?=E2=82?= =?utf-8?Q?=AC_100?=", "\xE2\x82\xAC 100"},
        {"=?UTF-8?B?4oI=?= =?UTF-8?B?rA==?=", "\xE2\x82\xAC"},
        // Any letter case, in the charset, the encoding and the hex digits.
        {"=?utf-8?q?caf=c3=a9?=", "caf\xC3\xA9"},
        {"=?Utf-8?b?Y2Fmw6k=?=", "caf\xC3\xA9"},
        // Cyrillic, Greek and Japanese in their own charsets.
        {"=?koi8-r?B?8NLJ18XU?=", "\xD0\x9F\xD1\x80\xD0\xB8\xD0\xB2\xD0\xB5\xD1\x82"},
        {"=?iso-8859-7?Q?=C3=E5=E9=DC?=", "\xCE\x93\xCE\xB5\xCE\xB9\xCE\xAC"},
        {"=?shift_jis?B?k/qWe4zq?=", "\xE6\x97\xA5\xE6\x9C\xAC\xE8\xAA\x9E"},
        // A word that says UTF-8 but is not: U+FFFD for each byte that is none.
        {"=?utf-8?Q?caf=E9!?=", "caf\xEF\xBF\xBD!"},
        {"=?utf-8?B?9oKQmg==?=", "\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD"},
        // UTF-7, as one mail program of its day wrote it.
        {"=?utf-7?Q?Fr+APY-sche?=", "Fr\xC3\xB6sche"},
        // Malformed words and unknown charsets stay as written.
        {"=?x-unknown?Q?abc?=", "=?x-unknown?Q?abc?="},
        {"=??Q?abc?=", "=??Q?abc?="},
        {"=?utf-8?Q?abc", "=?utf-8?Q?abc"},
        {"=?utf-8?X?abc?=", "=?utf-8?X?abc?="},
        {"=?utf-8?B?not*base64?=", "=?utf-8?B?not*base64?="},
        {"=?utf-8?Q?a=ZZ?= done", "=?utf-8?Q?a=ZZ?= done"},
        {"=?utf-8?Q?a b?=", "=?utf-8?Q?a b?="},
        // Blanks between a word and plain text stay; between words they go.
        {"Re: =?utf-8?Q?caf=C3=A9?= time", "Re: caf\xC3\xA9 time"},
        // 8-bit text: UTF-8 when it is, else the system's code page.
        {"Gr\xC3\xBC\xC3\x9F" "e", "Gr\xC3\xBC\xC3\x9F" "e"},
        {"Gr\xFC\xDF" "e", "Gr\xC3\xBC\xC3\x9F" "e"},
        // A folded plain subject is one line.
        {"Quarterly\r\n figures", "Quarterly figures"},
        {"", ""},
    };
    for (const Row& row : rows) EXPECT_EQ(decode_header_text(row.raw), row.shown) << row.raw;
}

// Vectors from the published tests of other mail libraries, words as real
// mail programs write them, and the faults mended: words folded inside
// their text, a Q word ending in a lone "=", blanks beside an unknown
// charset, the last character of windows-1255 and windows-1258 text.
TEST(EncodedWordsTest, VectorsOfOtherLibrariesAndRealMail) {
    struct Row {
        const char* raw;
        const char* shown;
    };
    const Row rows[] = {
        // Published tests of other mail libraries.
        {"=?UTF-8?Q?=C2=A1Hola,_se=C3=B1or!?=", "\xC2\xA1Hola, se\xC3\xB1or!"},
        {"=?UTF-8?Q?Fran=C3=A7ois-J=C3=A9r=C3=B4me?=", "Fran\xC3\xA7ois-J\xC3\xA9r\xC3\xB4me"},
        {"=?UTF-8?q?ascii?=", "ascii"},
        {"=?utf-8?B?QW5kcsOp?=", "Andr\xC3\xA9"},
        {"=?ISO-8859-1?Q?Rapha=EBl_Dupont?=", "Rapha\xC3\xABl Dupont"},
        {"=?utf-8?b?IkFudG9uaW8gSm9zw6kiIDxqb3NlQGV4YW1wbGUub3JnPg==?=", "\"Antonio Jos\xC3\xA9\" <jose@example.org>"},
        {"=?UTF-8?B?" "?=", ""},
        {"=?UTF-8?Q?A=B?=", "=?UTF-8?Q?A=B?="},
        {"=?UTF-8?Q?=A?=", "=?UTF-8?Q?=A?="},
        {"=?UTF-8?A?A?=", "=?UTF-8?A?A?="},
        {"=?" "?" "?" "?=", "=?" "?" "?" "?="},
        {"=?UTF-8?" "?" "?=", "=?UTF-8?" "?" "?="},
        {"=?utf-8?q?=C3=89ric?= <eric@example.org>, =?utf-8?q?Ana=C3=AFs?= <anais@example.org>", "\xC3\x89ric <eric@example.org>, Ana\xC3\xAFs <anais@example.org>"},
        {"=?utf-8?q?a?= =?utf-8?q?b?= =?utf-8?q?c?=", "abc"},
        {"a =?utf-8?q?b?=", "a b"},
        {"=?ISO-8859-15?Q?=A4_5?=", "\xE2\x82\xAC 5"},
        {"=?=?utf-8?q?test?=", "=?test"},
        {"=?iso-8859-1?q?this=20is=20some=20text?=", "this is some text"},
        {"=?ISO-8859-1?Q?Olle_J=E4rnefors?=", "Olle J\xC3\xA4rnefors"},
        {"=?ISO-8859-1?Q?Patrik_F=E4ltstr=F6m?=", "Patrik F\xC3\xA4ltstr\xC3\xB6m"},
        {"Nathaniel Borenstein <nsb@thumper.bellcore.com> (=?iso-8859-8?b?7eXs+SDv4SDp7Oj08A==?=)", "Nathaniel Borenstein <nsb@thumper.bellcore.com> (\xD7\x9D\xD7\x95\xD7\x9C\xD7\xA9 \xD7\x9F\xD7\x91 \xD7\x99\xD7\x9C\xD7\x98\xD7\xA4\xD7\xA0)"},
        {"=?UTF-8?B?VGhpcyBpcyBhIGhvcnNleQ==?=", "This is a horsey"},
        {"=?UTF-8?Q?=E7=81=AB=E6=98=9F=E5=8A=A9=E6=89=8B_=E4=BB=8E_App_Sto?= =?UTF-8?Q?re?=", "\xE7\x81\xAB\xE6\x98\x9F\xE5\x8A\xA9\xE6\x89\x8B \xE4\xBB\x8E App Store"},
        {"=?utf-8?Q?a?=\t=?utf-8?Q?b?=", "ab"},
        {"\"=?utf-8?Q?J=C3=B6rg?=\" <j@example.org>", "\"J\xC3\xB6rg\" <j@example.org>"},
        // Mail written by real programs.
        {"=?utf-8?B?0J/RgNC40LLQtdGC?=", "\xD0\x9F\xD1\x80\xD0\xB8\xD0\xB2\xD0\xB5\xD1\x82"},
        {"=?UTF-8?Q?Gr=c3=bc=c3=9fe_aus_M=c3=bcnchen?=", "Gr\xC3\xBC\xC3\x9F" "e aus M\xC3\xBCnchen"},
        {"=?utf-8?Q?Re=3A_Caf=C3=A9?=", "Re: Caf\xC3\xA9"},
        {"=?gb2312?B?xOO6ww==?=", "\xE4\xBD\xA0\xE5\xA5\xBD"},
        {"=?big5?B?pKSk5Q==?=", "\xE4\xB8\xAD\xE6\x96\x87"},
        {"=?euc-kr?B?x9Gxub7u?=", "\xED\x95\x9C\xEA\xB5\xAD\xEC\x96\xB4"},
        {"=?windows-1251?B?z/Do4uXy?=", "\xD0\x9F\xD1\x80\xD0\xB8\xD0\xB2\xD0\xB5\xD1\x82"},
        {"=?koi8-u?B?9cvSwafOwQ==?=", "\xD0\xA3\xD0\xBA\xD1\x80\xD0\xB0\xD1\x97\xD0\xBD\xD0\xB0"},
        {"=?UTF-8?B?4pyI?= =?UTF-8?B?IFRyYXZlbA==?=", "\xE2\x9C\x88 Travel"},
        {"=?UTF-8*de?Q?Gr=C3=BC=C3=9Fe?=", "Gr\xC3\xBC\xC3\x9F" "e"},
        {"=?utf-8?B?Y2Fmw6k?=", "caf\xC3\xA9"},
        {"=?us-ascii?Q?Re=3A_hello?=", "Re: hello"},
        // The faults mended.
        {"=?utf-8?Q?(=D0=BF=D1=80=D0=B8=D0=B2=D0=B5=\r\n D1=82)?=", "(\xD0\xBF\xD1\x80\xD0\xB8\xD0\xB2\xD0\xB5\xD1\x82)"},
        {"=?utf-8?B?0J/RgNC4\r\n\t0LLQtdGC?=", "\xD0\x9F\xD1\x80\xD0\xB8\xD0\xB2\xD0\xB5\xD1\x82"},
        {"=?shift-jis?Q?=93=FA=96{=8C=EA=?=", "\xE6\x97\xA5\xE6\x9C\xAC\xE8\xAA\x9E"},
        {"=?x-unknown?Q?abc?= =?utf-8?Q?d?=", "=?x-unknown?Q?abc?= d"},
        {"=?utf-8?Q?d?= =?x-unknown?Q?abc?=", "d =?x-unknown?Q?abc?="},
        {"=?x-unknown?q?a?=  =?x-unknown?q?b?=", "=?x-unknown?q?a?=  =?x-unknown?q?b?="},
        {"=?windows-1255?Q?=F9=EC=E5=ED?=", "\xD7\xA9\xD7\x9C\xD7\x95\xD7\x9D"},
        {"=?windows-1258?B?Q2jgbw==?=", "Ch\xC3\xA0o"},
        {"=?utf-8?Q?a_b?= c", "a b c"},
        {"=?utf-8?Q?a?= =?utf-8?Q?b_c?=", "ab c"},
    };
    for (const Row& row : rows) EXPECT_EQ(decode_header_text(row.raw), row.shown) << row.raw;
    // Japanese mail's own charset, where the system has its code page (Wine
    // has none): shown as written elsewhere.
    const char* jis = "=?ISO-2022-JP?B?GyRCRnxLXDhsGyhC?=";
    EXPECT_EQ(decode_header_text(jis),
              sys_valid_code_page(charset_code_page("iso-2022-jp")) ? "\xE6\x97\xA5\xE6\x9C\xAC\xE8\xAA\x9E" : jis);
}

// Hostile fields decode in time linear in their length: no word that
// never closes, no far "?=", no run of "=" makes the decoder look at the
// same bytes again for every "=?" in them. The outputs are checked, the
// time is the benchmark's (bench_header_words).
TEST(EncodedWordsTest, HostileFieldsComeBackAsWritten) {
    std::string unclosed;
    while (unclosed.size() < 200000) unclosed += "=?a?q?x";
    EXPECT_EQ(decode_header_text(unclosed), unclosed);
    // Every word's text runs to the one "?=" at the end, which only the
    // last word reaches whole.
    EXPECT_EQ(decode_header_text(unclosed + "=?utf-8?q?y?="), unclosed + "y");
    std::string words;
    for (int i = 0; i < 20000; i++) words += "=?utf-8?q?=C3=A9?= ";
    std::string e_acute;
    for (int i = 0; i < 20000; i++) e_acute += "\xC3\xA9";
    EXPECT_EQ(decode_header_text(words), e_acute + " ");
}

TEST(EncodedWordsTest, FileNameParameters) {
    struct Row {
        const char* value;
        const char* name;
        const char* decoded;
    };
    const Row rows[] = {
        {"attachment; filename*=utf-8''%E2%82%AC.txt", "filename", "\xE2\x82\xAC.txt"},
        {"attachment; filename*=iso-8859-1'en'%A3%20rates.txt", "filename", "\xC2\xA3 rates.txt"},
        {"attachment;\r\n filename*0*=utf-8''%E2%82; filename*1*=%AC;\r\n filename*2=\".txt\"", "filename",
         "\xE2\x82\xAC.txt"},
        {"attachment; filename*0=\"long \"; filename*1=\"name.txt\"", "filename", "long name.txt"},
        {"attachment; FILENAME=\"=?utf-8?B?4oKsLnR4dA==?=\"", "filename", "\xE2\x82\xAC.txt"},
        {"text/plain; charset=us-ascii; name=\"report \\\"final\\\".pdf\"", "name", "report \"final\".pdf"},
        {"application/pdf; name=plain.pdf ; x=1", "name", "plain.pdf"},
        // A Windows path as mail programs write it: its backslashes stay.
        {"attachment; filename=\"C:\\dir\\a.txt\"", "filename", "C:\\dir\\a.txt"},
        {"attachment; filename*=utf-8''%E2%82%AC.txt; filename=\"fallback.txt\"", "filename", "\xE2\x82\xAC.txt"},
        {"attachment", "filename", ""},
        {"attachment; size=10", "filename", ""},
        // The examples of RFC 2231 (sections 3 and 4).
        {"application/x-stuff; title*=us-ascii'en-us'This%20is%20%2A%2A%2Afun%2A%2A%2A", "title",
         "This is ***fun***"},
        {"application/x-stuff;\r\n title*0*=us-ascii'en'This%20is%20even%20more%20;\r\n"
         " title*1*=%2A%2A%2Afun%2A%2A%2A%20;\r\n title*2=\"isn't it!\"",
         "title", "This is even more ***fun*** isn't it!"},
        {"message/external-body; access-type=URL;\r\n URL*0=\"ftp://\";\r\n URL*1=\"cs.utk.edu/pub/moore/bulk-mailer/bulk-mailer.tar\"",
         "url", "ftp://cs.utk.edu/pub/moore/bulk-mailer/bulk-mailer.tar"},
        // Pieces out of order, a character split between two of them.
        {"attachment; filename*1*=%AC.txt; filename*0*=UTF-8''%E2%82", "filename", "\xE2\x82\xAC.txt"},
        // No charset: UTF-8 when it is, else the system's code page; an
        // unknown charset the same way, as written.
        {"attachment; filename*=''%E2%82%AC.txt", "filename", "\xE2\x82\xAC.txt"},
        {"attachment; filename*=''%E9t%E9.txt", "filename", "\xC3\xA9t\xC3\xA9.txt"},
        {"attachment; filename*=x-unknown''abc.txt", "filename", "abc.txt"},
        // Raw 8-bit names as older programs wrote them.
        {"attachment; filename=\"Fr\xF6sche.txt\"", "filename", "Fr\xC3\xB6sche.txt"},
        {"attachment; filename=\"Fr\xC3\xB6sche.txt\"", "filename", "Fr\xC3\xB6sche.txt"},
    };
    for (const Row& row : rows) EXPECT_EQ(decode_parameter(row.value, row.name), row.decoded) << row.value;
}

std::vector<std::string> lines_of(const std::string& text) {
    std::vector<std::string> lines;
    size_t at = 0;
    for (size_t end; (end = text.find("\r\n", at)) != std::string::npos; at = end + 2) lines.push_back(text.substr(at, end - at));
    lines.push_back(text.substr(at));
    return lines;
}

TEST(EncodedWordsTest, SubjectsEncodeWithinTheLinesAndReadBackTheSame) {
    const std::vector<std::string> alphabets = {
        "\xC3\x87" "a va tr\xC3\xA8s bien ",                                    // Latin
        "\xCE\x93\xCE\xB5\xCE\xB9\xCE\xAC \xCF\x83\xCE\xBF\xCF\x85 ",          // Greek
        "\xD0\x9F\xD1\x80\xD0\xB8\xD0\xB2\xD0\xB5\xD1\x82 ",                    // Cyrillic
        "\xE6\x97\xA5\xE6\x9C\xAC\xE8\xAA\x9E\xE3\x81\xAE\xE4\xBB\xB6\xE5\x90\x8D",  // Japanese
        "\xF0\x9F\x98\x80\xF0\x9F\x8E\x89 ok ",                                 // emoji
    };
    for (const std::string& alphabet : alphabets) {
        for (size_t characters : {1u, 2u, 13u, 40u, 80u, 200u}) {
            std::string repeated;
            while (repeated.size() < alphabet.size() * 60) repeated += alphabet;
            std::string subject = utf8_prefix(repeated, characters);
            std::string encoded = encode_header_text(subject, 9);
            std::vector<std::string> lines = lines_of(encoded);
            for (size_t i = 0; i < lines.size(); i++) {
                for (char c : lines[i]) ASSERT_LT(static_cast<unsigned char>(c), 0x80u) << encoded;
                EXPECT_LE(lines[i].size() + (i == 0 ? 9 : 0), 76u) << encoded;
                if (i > 0) {
                    EXPECT_EQ(lines[i][0], ' ');
                }
            }
            EXPECT_EQ(decode_header_text(encoded), subject) << encoded;
        }
    }
    // ASCII stays as it is, and a cut never splits a character.
    EXPECT_EQ(encode_header_text("Quarterly figures", 9), "Quarterly figures");
    EXPECT_EQ(utf8_prefix("a\xE2\x82\xAC" "b", 2), "a\xE2\x82\xAC");
    EXPECT_EQ(utf8_prefix("ab", 5), "ab");
    EXPECT_EQ(utf8_within("a\xE2\x82\xAC" "b", 3), "a");
    EXPECT_EQ(utf8_within("a\xE2\x82\xAC" "b", 4), "a\xE2\x82\xAC");
    EXPECT_EQ(utf8_within("ab", 0), "");
}

TEST(EncodedWordsTest, FileNameParametersWrittenAndReadBack) {
    struct Row {
        const char* name;
        size_t used;
        const char* written;
    };
    const Row rows[] = {
        {"\xE2\x82\xAC.txt", 1, "filename*=utf-8''%E2%82%AC.txt"},
        {"caf\xC3\xA9 menu (1).pdf", 1, "filename*=utf-8''caf%C3%A9%20menu%20%281%29.pdf"},
        {"it's 100%*.txt", 1, "filename*=utf-8''it%27s%20100%25%2A.txt"},
        // Too long for one line: pieces, none splitting a character.
        {"\xD0\x9F\xD1\x80\xD0\xB8\xD0\xB2\xD0\xB5\xD1\x82 \xD0\x9F\xD1\x80\xD0\xB8\xD0\xB2\xD0\xB5\xD1\x82.txt", 1,
         "filename*0*=utf-8''%D0%9F%D1%80%D0%B8%D0%B2%D0%B5%D1%82%20%D0%9F%D1%80%D0%B8;\r\n"
         " filename*1*=%D0%B2%D0%B5%D1%82.txt"},
    };
    for (const Row& row : rows) {
        std::string written = encode_parameter("filename", row.name, row.used);
        EXPECT_EQ(written, row.written);
        EXPECT_EQ(decode_parameter("attachment;\r\n " + written, "filename"), row.name) << written;
    }
    // Long names of every script: lines within 78 characters, all ASCII,
    // and the name read back whole.
    for (const char* piece : {"\xE6\x97\xA5\xE6\x9C\xAC\xE8\xAA\x9E", "\xF0\x9F\x98\x80", "\xCE\x93\xCE\xB5", "ab"}) {
        std::string name;
        for (int i = 0; i < 40; i++) name += piece;
        name += ".txt";
        std::string written = encode_parameter("filename", name, 1);
        std::vector<std::string> lines = lines_of(written);
        EXPECT_GT(lines.size(), 1u);
        for (size_t i = 0; i < lines.size(); i++) {
            EXPECT_LE(lines[i].size() + (i == 0 ? 1 : 0), 78u) << written;  // the first after a blank
            for (char c : lines[i]) EXPECT_LT(static_cast<unsigned char>(c), 0x80u);
        }
        EXPECT_EQ(decode_parameter("attachment;\r\n " + written, "filename"), name);
    }
}

TEST(EncodedWordsTest, OutgoingDisplayNames) {
    struct Row {
        const char* entry;
        size_t used;
        const char* written;
    };
    const Row rows[] = {
        // ASCII entries, and entries whose name is ASCII, stay as typed.
        {"\"Jane Doe\" <jane@example.org>", 6, "\"Jane Doe\" <jane@example.org>"},
        {"Bob <b\xC3\xB6" "b@example.org>", 4, "Bob <b\xC3\xB6" "b@example.org>"},
        {"j\xC3\xBCrgen@example.de", 4, "j\xC3\xBCrgen@example.de"},
        // The quotes go, the encoded word takes their place.
        {"\"J\xC3\xBCrgen M\xC3\xBCller\" <jm@example.de>", 6, "=?utf-8?B?SsO8cmdlbiBNw7xsbGVy?= <jm@example.de>"},
        {"J\xC3\xBCrgen <jm@example.de>", 4, "=?utf-8?B?SsO8cmdlbg==?= <jm@example.de>"},
        {"\"say \\\"\xC3\xA9\\\"\" <s@example.org>", 4, "=?utf-8?B?c2F5ICLDqSI=?= <s@example.org>"},
        // A name alone (the bar form's names text).
        {"J\xC3\xBCrgen", 4, "=?utf-8?B?SsO8cmdlbg==?="},
    };
    for (const Row& row : rows) EXPECT_EQ(encode_address_entry(row.entry, row.used), row.written) << row.entry;

    // A long name folds between words; the address keeps to the line limit.
    std::string name;  // four full words
    for (int i = 0; i < 44; i++) name += "\xD0\x9F\xD1\x80";
    std::string entry = "\"" + name + "\" <" + std::string(40, 'a') + "@example.org>";
    std::string written = encode_address_entry(entry, 4);
    std::vector<std::string> lines = lines_of(written);
    ASSERT_GT(lines.size(), 2u);
    for (size_t i = 0; i < lines.size(); i++) EXPECT_LE(lines[i].size() + (i == 0 ? 4 : 0) + 1, 78u) << written;
    EXPECT_EQ(lines.back(), " <" + std::string(40, 'a') + "@example.org>");
    EXPECT_EQ(decode_header_text(written), name + " <" + std::string(40, 'a') + "@example.org>");

    // A names text: each entry on its own, the folds between them kept.
    EXPECT_EQ(encode_names_text("\"Bob\" <bob@example.org>,\r\n\t\"\xC3\x89lodie\" <e@example.org>", 4),
              "\"Bob\" <bob@example.org>,\r\n\t=?utf-8?B?w4lsb2RpZQ==?= <e@example.org>");
    EXPECT_EQ(encode_names_text("a@example.org,\r\n\tb@example.org", 4), "a@example.org,\r\n\tb@example.org");
}

TEST(CharsetsTest, FileNamesInTheSystemsCodePage) {
    EXPECT_EQ(utf8_to_file_name("caf\xC3\xA9 \xE2\x82\xAC.txt"), "caf\xE9 \x80.txt");
    EXPECT_EQ(utf8_to_file_name("a/b\\c:d*e?f\"g<h>i|j\x01k.txt"), "a_b_c_d_e_f_g_h_i_j_k.txt");
    EXPECT_EQ(utf8_to_file_name("\xD0\x9F\xF0\x9F\x98\x80.txt"), "__.txt");
}

TEST(CharsetsTest, NamesAndBytes) {
    EXPECT_EQ(charset_code_page("UTF-8"), 65001);
    EXPECT_EQ(charset_code_page("us-ascii"), 1252);
    EXPECT_EQ(charset_code_page("ISO-8859-1"), 1252);
    EXPECT_EQ(charset_code_page("iso-8859-15"), 28605);
    EXPECT_EQ(charset_code_page("Windows-1251"), 1251);
    EXPECT_EQ(charset_code_page("koi8-r*ru"), 20866);
    EXPECT_EQ(charset_code_page("x-unknown"), 0);
    EXPECT_EQ(charset_code_page(""), 0);
    EXPECT_TRUE(valid_utf8("caf\xC3\xA9 \xF0\x9F\x98\x80"));
    EXPECT_FALSE(valid_utf8("caf\xE9"));
    EXPECT_FALSE(valid_utf8("\xC0\xAF"));          // overlong
    EXPECT_FALSE(valid_utf8("\xED\xA0\x80"));      // a surrogate
    EXPECT_FALSE(valid_utf8("\xF4\x90\x80\x80"));  // past U+10FFFF
    EXPECT_FALSE(valid_utf8("\xE2\x82"));          // cut short
    std::string utf8;
    // windows-1252's own characters, which iso-8859-1 does not have.
    EXPECT_TRUE(charset_to_utf8("iso-8859-1", "\x80 \x93q\x94", &utf8));
    EXPECT_EQ(utf8, "\xE2\x82\xAC \xE2\x80\x9Cq\xE2\x80\x9D");
}

}  // namespace
