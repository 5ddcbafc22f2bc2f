// Header words on hostile input: decode_header_text over fields built to
// make a decoder look at the same bytes again and again (words that never
// close, words whose text runs to one far "?=", runs of "=", thousands of
// words to join, words folded inside their text), at 63 KB, 140 KB and
// 1 MB, and the summary of a list row whose header is full of such text.
// Prints the best of three runs in ms and MB/s for each. An argument caps
// the sizes (in KB), for running it over an older, slower decoder.
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "core/app_state.h"
#include "format/encoded_words.h"
#include "store/message_summary.h"

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

std::string repeated(const std::string& piece, size_t bytes) {
    std::string text;
    while (text.size() + piece.size() <= bytes) text += piece;
    return text;
}

struct Shape {
    const char* name;
    std::string (*make)(size_t bytes);
};

const Shape shapes[] = {
    {"unclosed =?a?q?x words", [](size_t n) { return repeated("=?a?q?x", n); }},
    {"words open, one ?= at the end", [](size_t n) { return repeated("=?u?b?A", n - 2) + "?="; }},
    {"=?utf-8?q?= then = to the end", [](size_t n) { return "=?utf-8?q?" + std::string(n - 12, '=') + "?="; }},
    {"=? =? =? ...", [](size_t n) { return repeated("=?", n); }},
    {"words of one charset to join", [](size_t n) { return repeated("=?utf-8?q?=C3=A9?= ", n); }},
    {"words of two charsets by turns",
     [](size_t n) { return repeated("=?utf-8?q?=C3=A9?= =?iso-8859-1?q?=E9?= ", n); }},
    {"words folded inside their text", [](size_t n) { return repeated("=?utf-8?q?=C3=\r\n =A9?= ", n); }},
    {"words of an unknown charset", [](size_t n) { return repeated("=?x-none?q?ab?= ", n); }},
};

double best_ms(const std::string& text, size_t* out_size) {
    double best = 1e30;
    for (int run = 0; run < 3; run++) {
        auto start = Clock::now();
        std::string decoded = decode_header_text(text);
        double ms = std::chrono::duration<double, std::milli>(Clock::now() - start).count();
        *out_size = decoded.size();
        if (ms < best) best = ms;
    }
    return best;
}

}  // namespace

int main(int argc, char** argv) {
    size_t cap = argc > 1 ? std::strtoul(argv[1], nullptr, 10) * 1024 : SIZE_MAX;
    const size_t sizes[] = {63 * 1024, 140 * 1024, 1024 * 1024};
    std::printf("%-34s %8s %10s %9s\n", "decode_header_text", "KB", "ms", "MB/s");
    for (const Shape& shape : shapes) {
        for (size_t size : sizes) {
            if (size > cap) continue;
            std::string text = shape.make(size);
            size_t decoded = 0;
            double ms = best_ms(text, &decoded);
            std::printf("%-34s %8zu %10.2f %9.1f\n", shape.name, text.size() / 1024, ms,
                        text.size() / 1e6 / (ms / 1e3));
        }
    }

    // A list row's summary of a message whose From, To and Subject are each
    // as much hostile text as the header window holds.
    fs::path root = fs::temp_directory_path() / ("zm-bench-header-words-" + std::to_string(getpid()));
    fs::create_directories(root);
    fs::path message = root / "mm1.eml";
    {
        std::string field = repeated("=?a?q?x", 5000);
        std::ofstream out(message, std::ios::binary);
        out << "From: " << field << " <a@example.org>\r\nTo: " << field << "\r\nSubject: " << field
            << "\r\nDate: Sun, 6 Dec 2026 13:32:38 +0100\r\n\r\nbody\r\n";
    }
    create_app_state();
    MessageSummary* summary = summary_new();
    double best = 1e30;
    for (int run = 0; run < 3; run++) {
        auto start = Clock::now();
        read_summary(0, summary, message.c_str());
        double ms = std::chrono::duration<double, std::milli>(Clock::now() - start).count();
        if (ms < best) best = ms;
    }
    std::printf("%-34s %8zu %10.2f\n", "summary of a hostile header", static_cast<size_t>(fs::file_size(message) / 1024),
                best);
    summary_delete(summary);
    fs::remove_all(root);
    return 0;
}
