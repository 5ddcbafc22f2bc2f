#include "store/address_book.h"

#include <cstdio>

#include "core/file_reads.h"
#include "core/file_replace.h"
#include "core/sys_files.h"

namespace {

std::vector<std::string> book_lines(const std::string& bytes, bool* last_ended) {
    std::vector<std::string> lines;
    size_t start = 0;
    *last_ended = true;
    while (start < bytes.size()) {
        size_t end = bytes.find('\n', start);
        *last_ended = end != std::string::npos;
        if (!*last_ended) end = bytes.size();
        std::string line = bytes.substr(start, end - start);
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (line.size() > address_line_room - 1) line.resize(address_line_room - 1);
        lines.push_back(line);
        start = end + 1;
    }
    return lines;
}

std::string one_line(std::string text) {
    for (char& c : text)
        if (c == '\r' || c == '\n') c = ' ';
    return text;
}

}  // namespace

bool read_address_book(const char* path, std::vector<AddressEntry>* entries) {
    entries->clear();
    std::string bytes;
    if (!read_whole_file(path, &bytes)) return false;
    bool ended = true;
    std::vector<std::string> lines = book_lines(bytes, &ended);
    for (size_t i = 0; i < lines.size(); i += 2)
        entries->push_back({lines[i], i + 1 < lines.size() ? lines[i + 1] : std::string()});
    return true;
}

int write_address_book(const char* path, const char* scratch, const std::vector<AddressEntry>& entries) {
    for (const AddressEntry& e : entries)
        if (e.name.size() >= address_line_room - 1 || e.address.size() >= address_line_room - 1) return BOOK_TOO_LONG;
    int written = replace_file_through(path, scratch, [&](std::FILE* f) {
        bool good = true;
        for (const AddressEntry& e : entries) {
            std::string pair = one_line(e.name) + "\r\n" + one_line(e.address) + "\r\n";
            good = std::fwrite(pair.data(), 1, pair.size(), f) == pair.size() && good;
        }
        return good;
    });
    return written == REPLACE_OK ? BOOK_OK : BOOK_CANNOT_WRITE;
}

int add_address(const char* path, const std::string& name, const std::string& address) {
    std::string bytes;
    if (!read_whole_file(path, &bytes)) return ADD_CANNOT_OPEN;
    bool ended = true;
    std::vector<std::string> lines = book_lines(bytes, &ended);
    std::string sought_name = one_line(name), sought_address = one_line(address);
    for (size_t i = 0; i + 1 < lines.size(); i += 2)
        if (lines[i] == sought_name && lines[i + 1] == sought_address) return ADD_PRESENT;
    std::string tail;
    if (!ended) tail += "\r\n";
    if (lines.size() % 2 == 1) tail += "\r\n";
    tail += sought_name + "\r\n" + sought_address + "\r\n";
    std::FILE* f = sys_fopen(path, "ab");
    if (!f) return ADD_CANNOT_OPEN;
    bool good = std::fwrite(tail.data(), 1, tail.size(), f) == tail.size();
    good = std::fclose(f) == 0 && good;
    return good ? ADD_ADDED : ADD_CANNOT_OPEN;
}
