// The list benchmarks' folder: real-sized messages as a server delivers
// them (trace lines, encoded subjects, one in six with base64 attachments),
// the same folder for the same seed, with what each row must show.
#pragma once

#include <cctype>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>

#include "core/arrays.h"
#include "format/base64.h"

namespace bench {

namespace fs = std::filesystem;

// What the list must show for a message.
struct Expected {
    std::string from_name;
    std::string subject;
    int read;
    int marked;
    int attachments;
};

const char* const first_names[] = {"Anna", "Bernd", "Chiara", "Dmitri", "Eve", "Farid", "Greta", "Hiro", "Ines", "Jonas"};
const char* const last_names[] = {"Adler", "Berg", "Costa", "Dahl", "Engel", "Fischer", "Gruber", "Horn", "Ito", "Jung"};
const char* const words[] = {"meeting", "report", "invoice", "holiday", "draft", "minutes", "budget", "the",
                             "next",    "week",   "about",   "please",  "review", "update", "plan",   "and"};
const char* const zones[] = {"+0000", "+0100", "-0500", "+0930", "-0800", "+0200"};
const char* const days[] = {"Mon", "Tue", "Wed", "Thu", "Fri", "Sat", "Sun"};
const char* const months[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun", "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};

std::string base64_of(const std::string& bytes) {
    Array* out = array_new(static_cast<int>(bytes.size() / 3 * 4 + 8));
    base64_encode(bytes.data(), out, static_cast<int>(bytes.size()));
    std::string text = out->text;
    delete_arrays(out);
    return text;
}

std::string base64_lines(const std::string& bytes) {
    std::string text = base64_of(bytes), lines;
    for (size_t i = 0; i < text.size(); i += 76) lines += text.substr(i, 76) + "\r\n";
    return lines;
}

class MessageMaker {
public:
    // Writes message `number` into the folder and returns what its row must
    // show.
    Expected write(const fs::path& folder, int number) {
        Expected e{};
        std::string first = pick(first_names), last = pick(last_names);
        std::string address = lower(first) + "." + lower(last) + "@example.test";
        std::string m;
        e.read = next() % 3 == 0 ? 0 : 1;
        e.marked = next() % 20 == 0 ? 1 : 0;
        // As received: the unread line first, then the server's trace lines.
        if (!e.read) m += "X-ZMRead: FALSE\r\n";
        if (e.marked) m += "X-ZMMark: TRUE\r\n";
        m += "Return-Path: <" + address + ">\r\n";
        for (int i = 0, hops = 2 + static_cast<int>(next() % 4); i < hops; i++) {
            std::string id = std::to_string(next());
            m += "Received: from relay" + std::to_string(i) + ".example.test (relay" + std::to_string(i) +
                 ".example.test [127.0.0." + std::to_string(i + 1) + "])\r\n\tby mx.example.test with ESMTP id " +
                 id + "; " + date() + "\r\n";
        }
        switch (next() % 4) {
            case 0:
                m += "From: \"" + first + " " + last + "\" <" + address + ">\r\n";
                e.from_name = first + " " + last;
                break;
            case 1:
                m += "From: " + first + " " + last + " <" + address + ">\r\n";
                e.from_name = first + " " + last;
                break;
            case 2:
                m += "From: <" + address + ">\r\n";
                e.from_name = address;
                break;
            default:
                m += "From: " + address + "\r\n";
                e.from_name = address;
        }
        m += "To: " + recipients(1 + static_cast<int>(next() % 4)) + "\r\n";
        if (next() % 3 == 0) m += "Cc: " + recipients(1 + static_cast<int>(next() % 3)) + "\r\n";
        e.subject = subject(number);
        m += "Subject: " + e.subject + "\r\n";
        m += "Date: " + date() + "\r\n";
        m += "Message-ID: <" + std::to_string(number) + "." + std::to_string(next()) + "@example.test>\r\n";
        m += "MIME-Version: 1.0\r\n";
        e.attachments = next() % 6 == 0 ? 1 + static_cast<int>(next() % 2) : 0;
        std::string text = body(1024 + next() % 3072);
        if (e.attachments == 0) {
            m += "Content-Type: text/plain; charset=ISO-8859-1\r\nContent-Transfer-Encoding: 8bit\r\n\r\n" + text;
        } else {
            m += "Content-Type: multipart/mixed; boundary=\"=_part_" + std::to_string(number) + "\"\r\n\r\n";
            std::string boundary = "--=_part_" + std::to_string(number);
            m += boundary + "\r\nContent-Type: text/plain; charset=ISO-8859-1\r\n\r\n" + text;
            for (int a = 0; a < e.attachments; a++) {
                std::string data(2048 + next() % 4096, '\0');
                for (char& c : data) c = static_cast<char>(next() & 0xFF);
                m += boundary + "\r\nContent-Type: application/octet-stream\r\nContent-Transfer-Encoding: base64\r\n" +
                     "Content-Disposition: attachment; filename=\"file" + std::to_string(a) + ".bin\"\r\n\r\n" +
                     base64_lines(data);
            }
            m += boundary + "--\r\n";
        }
        std::ofstream(folder / ("mm" + std::to_string(number) + ".eml"), std::ios::binary) << m;
        bytes_written += m.size();
        return e;
    }
    size_t bytes_written = 0;

private:
    std::mt19937 generator{20261206};
    unsigned next() { return static_cast<unsigned>(generator()); }
    template <size_t N>
    const char* pick(const char* const (&list)[N]) {
        return list[next() % N];
    }
    static std::string lower(std::string s) {
        for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        return s;
    }
    std::string recipients(int n) {
        std::string list;
        for (int i = 0; i < n; i++) {
            std::string first = pick(first_names), last = pick(last_names);
            if (i) list += ", ";
            list += next() % 2 ? first + " " + last + " <" + lower(first) + "@example.test>"
                                 : lower(last) + "@example.test";
        }
        return list;
    }
    std::string date() {
        // One draw a statement, so that the folder is the same whatever
        // order a compiler evaluates arguments in.
        const char* day = pick(days);
        unsigned mday = 1 + next() % 28;
        const char* month = pick(months);
        unsigned year = 2020 + next() % 7, hour = next() % 24, minute = next() % 60, second = next() % 60;
        const char* zone = pick(zones);
        char text[64];
        std::snprintf(text, sizeof text, "%s, %u %s %u %02u:%02u:%02u %s", day, mday, month, year, hour, minute,
                      second, zone);
        return text;
    }
    std::string phrase(int n) {
        std::string s;
        for (int i = 0; i < n; i++) {
            if (i) s += ' ';
            s += pick(words);
        }
        return s;
    }
    // Plain subjects, replies, and encoded words in both encodings.
    std::string subject(int number) {
        switch (next() % 5) {
            case 0:
                return "=?ISO-8859-1?Q?Gr=FC=DFe_aus_M=FCnchen_" + std::to_string(number) + "?=";
            case 1:
                return "=?UTF-8?B?" + base64_of("Caf\xc3\xa9 " + phrase(3)) + "?=";
            case 2:
                return "Re: " + phrase(4);
            default:
                return phrase(2 + static_cast<int>(next() % 5)) + " #" + std::to_string(number);
        }
    }
    std::string body(size_t bytes) {
        std::string text, line;
        while (text.size() < bytes) {
            line += pick(words);
            line += ' ';
            if (line.size() > 66) {
                text += line + "\r\n";
                line.clear();
            }
        }
        return text + line + "\r\n";
    }
};

}  // namespace bench
