// Throughput of the file codecs and of find_in_file on a 64 MB file of mixed
// text and binary data, beside coreutils base64 on the same file in the same
// run. The codecs stream in fixed chunks, so the peak resident size printed
// at the end stays small whatever the size of the file.
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <functional>
#include <random>
#include <string>

#include "core/find_in_file.h"
#include "format/base64.h"
#include "format/quoted_printable.h"

namespace {

constexpr long long file_size = 64LL * 1024 * 1024;
constexpr int runs = 3;

// Alternating pieces of mail-like text (with some Latin-1 letters and dots)
// and random binary data, written a megabyte at a time.
void make_mixed_file(const std::string& path) {
    std::FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) std::exit(1);
    std::mt19937 generator(12345);
    const char* words[] = {"mail ", "message ", "caf\xe9 ", "Gr\xfc\xdf" "e ", "attachment. ", "=equals ", "the ",
                           "quoted ", "line\r\n", "\tindented ", "end.\r\n"};
    std::string block;
    long long written = 0;
    bool text = true;
    while (written < file_size) {
        block.clear();
        while (block.size() < 1024 * 1024) {
            size_t piece = 4096 + generator() % 60000;
            if (text) {
                while (piece > 0) {
                    const char* w = words[generator() % (sizeof words / sizeof *words)];
                    size_t n = std::strlen(w);
                    block.append(w, n);
                    piece = piece > n ? piece - n : 0;
                }
            } else {
                for (size_t i = 0; i < piece; i++) block += static_cast<char>(generator() & 0xFF);
            }
            text = !text;
        }
        size_t n = static_cast<size_t>(std::min<long long>(static_cast<long long>(block.size()), file_size - written));
        std::fwrite(block.data(), 1, n, f);
        written += static_cast<long long>(n);
    }
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

void report(const char* what, const std::string& input, double seconds) {
    double mb = static_cast<double>(std::filesystem::file_size(input)) / (1024.0 * 1024.0);
    std::printf("%-34s %8.1f MB in %7.3f s  %8.1f MB/s\n", what, mb, seconds, mb / seconds);
}

void must(bool ok, const char* what) {
    if (!ok) {
        std::fprintf(stderr, "failed: %s\n", what);
        std::exit(1);
    }
}

void run_shell(const std::string& command) { must(std::system(command.c_str()) == 0, command.c_str()); }

// Compares two files, optionally ignoring zero bytes of the first (the
// quoted-printable decoder drops them: its output is text).
bool same_content(const std::string& a, const std::string& b, bool skip_zeros_of_a) {
    std::FILE* fa = std::fopen(a.c_str(), "rb");
    std::FILE* fb = std::fopen(b.c_str(), "rb");
    bool same = fa && fb;
    while (same) {
        int ca = std::getc(fa);
        while (skip_zeros_of_a && ca == 0) ca = std::getc(fa);
        int cb = std::getc(fb);
        if (ca != cb) same = false;
        if (ca == EOF) break;
    }
    if (fa) std::fclose(fa);
    if (fb) std::fclose(fb);
    return same;
}

long peak_rss_kb() {
    std::FILE* f = std::fopen("/proc/self/status", "r");
    if (!f) return -1;
    char line[256];
    long kb = -1;
    while (std::fgets(line, sizeof line, f))
        if (std::strncmp(line, "VmHWM:", 6) == 0) kb = std::strtol(line + 6, nullptr, 10);
    std::fclose(f);
    return kb;
}

}  // namespace

int main() {
    std::filesystem::path folder =
        std::filesystem::temp_directory_path() / ("zm-bench-codecs-" + std::to_string(std::random_device{}()));
    std::filesystem::create_directories(folder);
    auto in = [&](const char* name) { return (folder / name).string(); };
    const std::string source = in("source.bin");
    make_mixed_file(source);
    std::printf("64 MB mixed text and binary, best of %d runs each; MB/s of the file read\n", runs);
    long rss_before = peak_rss_kb();

    double t = best_seconds([&] { must(base64_encode_file(source.c_str(), in("b64.txt").c_str(), nullptr) == 0, "base64 encode"); });
    report("base64_encode_file", source, t);
    t = best_seconds([&] { run_shell("base64 '" + source + "' > '" + in("core_b64.txt") + "'"); });
    report("coreutils base64", source, t);
    t = best_seconds([&] { must(base64_decode_file(in("b64.txt").c_str(), in("b64_back.bin").c_str()) == 0, "base64 decode"); });
    report("base64_decode_file", in("b64.txt"), t);
    must(same_content(source, in("b64_back.bin"), false), "base64 round trip");
    t = best_seconds([&] { run_shell("base64 -d '" + in("core_b64.txt") + "' > '" + in("core_back.bin") + "'"); });
    report("coreutils base64 -d", in("core_b64.txt"), t);
    // Our decoder reads coreutils' 76-character lines too.
    must(base64_decode_file(in("core_b64.txt").c_str(), in("b64_back.bin").c_str()) == 0, "decode coreutils text");
    must(same_content(source, in("b64_back.bin"), false), "coreutils text decoded");

    t = best_seconds([&] { must(qp_encode_file(source.c_str(), in("qp.txt").c_str()) == 0, "qp encode"); });
    report("qp_encode_file", source, t);
    t = best_seconds([&] { must(qp_decode_file(in("qp.txt").c_str(), in("qp_back.bin").c_str()) == 0, "qp decode"); });
    report("qp_decode_file", in("qp.txt"), t);
    must(same_content(source, in("qp_back.bin"), true), "quoted-printable round trip");

    int found = 0;
    t = best_seconds([&] { found = find_in_file(source.c_str(), "NO SUCH TEXT ANYWHERE", nullptr, false, true); });
    must(found == 0, "find_in_file exact");
    report("find_in_file (exact, no match)", source, t);
    t = best_seconds([&] { found = find_in_file(source.c_str(), "no such text anywhere", nullptr, false, false); });
    must(found == 0, "find_in_file ignoring case");
    report("find_in_file (any case, no match)", source, t);

    std::printf("peak RSS (VmHWM): %ld kB after making the file, %ld kB after all runs\n", rss_before, peak_rss_kb());
    std::error_code ignored;
    std::filesystem::remove_all(folder, ignored);
    return 0;
}
