// Real-world messages from the shared corpus (read in place, never copied into
// the repository): the Date and From fields read from each file must agree
// with the reading that the corpus carries beside every message.
#include <filesystem>
#include <regex>
#include <string>

#include "format/address_list.h"
#include "format/dates.h"
#include "format/header_fields.h"
#include "tests/unit/test_support.h"

namespace {

// The integer after "key": within the text that follows `from`.
long json_number(const std::string& json, size_t from, const std::string& key) {
    size_t at = json.find("\"" + key + "\": ", from);
    return at == std::string::npos ? -99999 : std::stol(json.substr(at + key.size() + 4, 12));
}

struct Reading {
    std::string date;     // sortable form, empty when the oracle has none
    std::string address;  // first From address
};

Reading oracle(const std::string& json) {
    Reading r;
    size_t date = json.find("\"name\": \"date\"");
    // Each header's reading ends with its "offset_field".
    size_t date_end = json.find("\"offset_field\"", date);
    if (date != std::string::npos && json.find("\"DateTime\"", date) < date_end) {
        long zone = json_number(json, date, "tz_hour") * 100 + json_number(json, date, "tz_minute");
        if (json.find("\"tz_before_gmt\": true", date) < date_end) zone = -zone;
        char text[100];
        std::snprintf(text, sizeof text, zone < 0 ? "%.4li-%.2li-%.2li %.2li:%.2li:%.2li %.4li"
                                                  : "%.4li-%.2li-%.2li %.2li:%.2li:%.2li +%.4li",
                      json_number(json, date, "year"), json_number(json, date, "month"), json_number(json, date, "day"),
                      json_number(json, date, "hour"), json_number(json, date, "minute"),
                      json_number(json, date, "second"), zone);
        r.date = text;
    }
    size_t from = json.find("\"name\": \"from\"");
    if (from != std::string::npos) {
        size_t at = json.find("\"address\": \"", from);
        if (at != std::string::npos && at < json.find("\"offset_field\"", from)) {
            at += 12;
            r.address = json.substr(at, json.find('"', at) - at);
        }
    }
    return r;
}

TEST(HeaderCorpus, DatesAndSendersAgreeWithTheCorpusReading) {
    std::filesystem::path root = corpus_folder();
    if (!std::filesystem::exists(root)) GTEST_SKIP() << "no corpus at " << root;
    const std::regex strict(R"(^([A-Z][a-z]{2}, )?\d{1,2} [A-Z][a-z]{2} \d{4} \d{2}:\d{2}:\d{2} [+-]\d{4}$)");
    int dates = 0;
    int senders = 0;
    Array* value = array_new(1000);
    Array* address = array_new(125);
    Array* sortable = array_new(100);
    for (const char* set : {"legacy", "thirdparty", "malformed", "rfc"}) {
        for (const auto& entry : std::filesystem::directory_iterator(root / set)) {
            if (entry.path().extension() != ".eml") continue;
            std::string bytes = read_file(entry.path());
            size_t first_break = bytes.find('\n');
            if (first_break == std::string::npos || first_break == 0 || bytes[first_break - 1] != '\r') continue;
            std::filesystem::path json_path = entry.path();
            json_path.replace_extension(".crlf.json");
            if (!std::filesystem::exists(json_path)) json_path.replace_extension("").replace_extension(".json");
            Reading expected = oracle(read_file(json_path));
            std::string path = entry.path().string();

            if (read_header_field(path.c_str(), nullptr, "Date", value, 99, FIELD_FIRST, SCOPE_HEADER) == 0 &&
                std::regex_match(std::string(value->text), strict) && !expected.date.empty()) {
                DateParts parts;
                parse_date(value->text, &parts);
                format_date(&parts, sortable);
                EXPECT_EQ(sortable->text, expected.date) << path << ": " << value->text;
                dates++;
            }
            if (read_header_field(path.c_str(), nullptr, "From", value, 255, FIELD_FIRST, SCOPE_HEADER) == 0 &&
                !expected.address.empty()) {
                std::string from = value->text;
                if (from.find(',') == std::string::npos && from.find('\r') == std::string::npos &&
                    from.find('(') == std::string::npos && from.find("=?") == std::string::npos) {
                    split_address(value->text, address, nullptr, 124, 0, 0);
                    EXPECT_EQ(address->text, expected.address) << path << ": " << from;
                    senders++;
                }
            }
        }
    }
    delete_arrays(value, address, sortable);
    EXPECT_GT(dates, 40);
    EXPECT_GT(senders, 40);
}

}  // namespace
