// Extraction of a 50 MB attachment: the walk that finds it, the raw range
// copy, and the whole background extraction (copy, base64 decoding and the
// scratch stages) that leaves the attachment file, each as MB/s of the
// attachment. A second message carries the same data in binary transfer
// encoding, copied as it is.
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <random>
#include <string>

#include "client/attachment_job.h"
#include "core/app_state.h"
#include "format/attachment_count.h"
#include "format/base64.h"
#include "format/mime_walk.h"
#include "format/part_extract.h"

namespace {

constexpr long long attachment_size = 50LL * 1024 * 1024;
constexpr int runs = 3;

void write_random(const std::string& path) {
    std::FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) std::exit(1);
    std::mt19937 generator(4711);
    std::string block(1 << 20, '\0');
    for (long long written = 0; written < attachment_size; written += static_cast<long long>(block.size())) {
        for (char& c : block) c = static_cast<char>(generator() & 0xFF);
        std::fwrite(block.data(), 1, block.size(), f);
    }
    std::fclose(f);
}

void append_file(std::FILE* out, const char* path) {
    std::FILE* in = std::fopen(path, "rb");
    if (!in) std::exit(1);
    std::string chunk(1 << 16, '\0');
    size_t n;
    while ((n = std::fread(chunk.data(), 1, chunk.size(), in)) > 0) std::fwrite(chunk.data(), 1, n, out);
    std::fclose(in);
}

void write_message(const char* path, const char* encoding, const char* body_path) {
    std::FILE* f = std::fopen(path, "wb");
    if (!f) std::exit(1);
    std::fprintf(f,
                 "From: a@example.org\r\nSubject: big\r\nMIME-Version: 1.0\r\n"
                 "Content-Type: multipart/mixed; boundary=\"=_big_=\"\r\n\r\n"
                 "--=_big_=\r\nContent-Type: text/plain\r\n\r\nThe file is attached.\r\n"
                 "--=_big_=\r\nContent-Type: application/octet-stream\r\nContent-Transfer-Encoding: %s\r\n"
                 "Content-Disposition: attachment; filename=\"big.bin\"\r\n\r\n",
                 encoding);
    append_file(f, body_path);
    std::fprintf(f, "\r\n--=_big_=--\r\n");
    std::fclose(f);
}

double best_seconds(const std::function<void()>& work) {
    double best = 1e30;
    for (int i = 0; i < runs; i++) {
        auto start = std::chrono::steady_clock::now();
        work();
        double s = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        if (s < best) best = s;
    }
    return best;
}

void report(const char* what, double seconds) {
    std::printf("%-52s %8.1f MB/s  (%.3f s)\n", what, static_cast<double>(attachment_size) / 1e6 / seconds, seconds);
}

void measure(const char* message, const char* label) {
    PartRecord* list = part_list_new();
    double walk = best_seconds([&] {
        part_list_clear(list);
        collect_attachments(message, list);
    });
    if (part_list_count(list) != 1) std::exit(2);
    std::printf("%s\n", label);
    std::printf("%-52s %8.3f s\n", "  walk to the attachment (collect_attachments)", walk);
    report("  raw range copy (extract_range)", best_seconds([&] { extract_range(message, "temp\\raw.tmp", list); }));
    report("  whole extraction to the attachment file", best_seconds([&] {
               if (extract_attachments(message, nullptr, nullptr) != 1) std::exit(3);
           }));
    if (std::filesystem::file_size("temp/0exatt1.dat") != static_cast<uintmax_t>(attachment_size)) std::exit(4);
    part_list_free(list);
}

}  // namespace

int main() {
    std::filesystem::path folder = std::filesystem::temp_directory_path() / ("zmbench-" + std::to_string(getpid()));
    std::filesystem::create_directories(folder / "temp");
    std::filesystem::current_path(folder);
    create_app_state();
    write_random("original.bin");
    if (base64_encode_file("original.bin", "original.b64", nullptr) != 0) return 1;
    write_message("base64.eml", "base64", "original.b64");
    write_message("binary.eml", "binary", "original.bin");
    std::printf("attachment: %lld MB of random bytes\n", attachment_size / (1024 * 1024));
    measure("base64.eml", "base64 transfer encoding (68 MB in the message):");
    measure("binary.eml", "binary transfer encoding:");
    std::filesystem::current_path(folder.parent_path());
    std::filesystem::remove_all(folder);
    return 0;
}
