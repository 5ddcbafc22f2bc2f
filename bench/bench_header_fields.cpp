// Time to read header fields from a message with a large body: the reader
// scans the file for the header end and the field, so the cost of a field
// that is absent or asked for by its last occurrence grows with the body.
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

#include "core/arrays.h"
#include "format/header_fields.h"

namespace {

double per_call_ms(const char* path, const char* name, int occurrence, int scope, int calls) {
    Array* out = array_new(1000);
    auto start = std::chrono::steady_clock::now();
    for (int i = 0; i < calls; i++) read_header_field(path, nullptr, name, out, 99, occurrence, scope);
    std::chrono::duration<double, std::milli> spent = std::chrono::steady_clock::now() - start;
    delete_arrays(out);
    return spent.count() / calls;
}

}  // namespace

int main() {
    std::filesystem::path file = std::filesystem::temp_directory_path() / "zm_bench_header.eml";
    {
        std::ofstream out(file, std::ios::binary);
        out << "X-ZMRead: FALSE\r\n";
        for (int i = 0; i < 12; i++) out << "Received: from relay" << i << " by mx; Sun, 6 Dec 2026 13:30:00 +0100\r\n";
        out << "From: a@example.org\r\nSubject: figures\r\nContent-Type: text/plain\r\n\r\n";
        std::string line(76, 'b');
        line += "\r\n";
        for (int i = 0; i < 4 * 1024 * 1024 / 78; i++) out << line;
    }
    std::string path = file.string();
    std::printf("message of %.1f MB with a 4 MB body\n", std::filesystem::file_size(file) / 1048576.0);
    std::printf("first line field (X-ZMRead):      %8.3f ms\n", per_call_ms(path.c_str(), "X-ZMRead", FIELD_FIRST, SCOPE_HEADER, 200));
    std::printf("header field (Subject):           %8.3f ms\n", per_call_ms(path.c_str(), "Subject", FIELD_FIRST, SCOPE_HEADER, 200));
    std::printf("last Received, header scope:      %8.3f ms\n", per_call_ms(path.c_str(), "Received", FIELD_LAST, SCOPE_HEADER, 10));
    std::printf("absent field (Cc), header scope:  %8.3f ms\n", per_call_ms(path.c_str(), "Cc", FIELD_FIRST, SCOPE_HEADER, 10));
    std::filesystem::remove(file);
    return 0;
}
