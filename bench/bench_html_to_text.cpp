// HTML to text in ms per MB and MB/s: real HTML (the corpus test's files, written by
// tests/html/html_corpus.py, repeated to 1, 5 and 25 MB) and pathological
// 5 MB inputs (one unclosed tag, one unterminated entity, only white space,
// only "<", only "&"), with w3m -dump and html2text on the same 5 MB files
// in the same run as reference points. The converter streams, so the time
// should grow linearly with the size.
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <string>
#include <vector>

#include "format/html_to_text.h"

namespace fs = std::filesystem;

namespace {

constexpr long long megabyte = 1024 * 1024;
constexpr int runs = 3;

[[noreturn]] void fail(const char* why) {
    std::fprintf(stderr, "bench_html_to_text: %s\n", why);
    std::exit(1);
}

std::string read_all(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// The corpus test's HTML files, joined.
std::string real_html(const fs::path& folder) {
    fs::path script = fs::path(__FILE__).parent_path() / ".." / "tests" / "html" / "html_corpus.py";
    std::string command = "python3 '" + script.string() + "' '" + (folder / "corpus").string() + "'";
    std::FILE* pipe = popen(command.c_str(), "r");
    if (!pipe) fail("cannot run html_corpus.py");
    std::string joined;
    char line[4096];
    while (std::fgets(line, sizeof line, pipe)) {
        std::string path = line;
        while (!path.empty() && (path.back() == '\n' || path.back() == '\r')) path.pop_back();
        joined += read_all(path);
    }
    pclose(pipe);
    if (joined.empty()) fail("html_corpus.py gave no HTML");
    return joined;
}

void write_repeated(const fs::path& path, const std::string& piece, long long size) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    for (long long done = 0; done < size;) {
        long long n = std::min<long long>(static_cast<long long>(piece.size()), size - done);
        out.write(piece.data(), n);
        done += n;
    }
}

double best_seconds(const std::function<bool()>& work) {
    double best = 1e30;
    for (int i = 0; i < runs; i++) {
        auto start = std::chrono::steady_clock::now();
        if (!work()) return -1;
        best = std::min(best, std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
    }
    return best;
}

// Prints the figures; returns the milliseconds per MB (-1 after a failure).
double report(const char* what, const fs::path& input, double seconds) {
    double mb = static_cast<double>(fs::file_size(input)) / megabyte;
    if (seconds < 0) {
        std::printf("  %-44s %7.1f MB  failed or timed out\n", what, mb);
        std::fflush(stdout);
        return -1;
    }
    std::printf("  %-44s %7.1f MB  %8.3f s  %8.1f ms/MB  %9.1f MB/s\n", what, mb, seconds, 1000 * seconds / mb,
                mb / seconds);
    std::fflush(stdout);
    return 1000 * seconds / mb;
}

double ours(const char* what, const fs::path& input, const fs::path& output) {
    return report(what, input, best_seconds([&] { return html_to_text(input.c_str(), output.c_str(), 65001) == 0; }));
}

bool have(const char* program) {
    return std::system((std::string("command -v ") + program + " >/dev/null 2>&1").c_str()) == 0;
}

// One run of another converter, at most 60 s; its ms per MB, or -1.
double theirs(const char* name, const char* what, const std::string& command, const fs::path& input) {
    if (!have(name)) {
        std::printf("  %-44s not installed\n", what);
        return -1;
    }
    std::string line = "timeout 60 " + command + " '" + input.string() + "' >/dev/null 2>&1";
    auto start = std::chrono::steady_clock::now();
    int status = std::system(line.c_str());
    double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    if (status == 0) return report(what, input, seconds);
    int code = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    std::printf("  %-44s %7.1f MB  %s after %.3f s\n", what, static_cast<double>(fs::file_size(input)) / megabyte,
                code == 124 ? "timed out" : ("failed (exit " + std::to_string(code) + ")").c_str(), seconds);
    return -1;
}

}  // namespace

int main() {
    fs::path folder = fs::temp_directory_path() / ("zm-bench-html-" + std::to_string(getpid()));
    fs::create_directories(folder);
    std::string html = real_html(folder);
    fs::path out = folder / "out.txt";

    std::printf("real HTML (%zu bytes of corpus, repeated), best of %d:\n", html.size(), runs);
    double ours5 = -1;
    for (long long size : {1LL, 5LL, 25LL}) {
        fs::path input = folder / ("real" + std::to_string(size) + ".html");
        write_repeated(input, html, size * megabyte);
        double ms = ours(("html_to_text, " + std::to_string(size) + " MB").c_str(), input, out);
        if (size == 5) ours5 = ms;
    }
    fs::path real5 = folder / "real5.html";
    double w3m5 = theirs("w3m", "w3m -dump, 5 MB (one run)", "w3m -dump -T text/html -cols 80", real5);
    if (ours5 > 0 && w3m5 > 0)
        std::printf("  html_to_text takes %.2f times the time of w3m -dump on the same 5 MB (goal: at most 1)\n",
                    ours5 / w3m5);
    theirs("html2text", "html2text, 5 MB (one run)", "html2text", real5);

    std::printf("pathological 5 MB inputs:\n");
    const std::vector<std::pair<const char*, std::string>> cases = {
        {"one unclosed tag", "<" + std::string(64, 'a')},
        {"one unterminated entity", "&" + std::string(64, 'a')},
        {"only white space", " \t\r\n"},
        {"only <", "<"},
        {"only &", "&"},
    };
    for (const auto& [name, piece] : cases) {
        fs::path input = folder / "odd.html";
        // The tag and the entity are single: their first byte, then letters.
        if (piece.size() > 2) {
            std::ofstream start(input, std::ios::binary | std::ios::trunc);
            start << piece[0];
            start.close();
            std::ofstream rest(input, std::ios::binary | std::ios::app);
            std::string letters(megabyte, 'a');
            for (int i = 0; i < 5; i++) rest.write(letters.data(), static_cast<std::streamsize>(letters.size()));
        } else {
            write_repeated(input, piece, 5 * megabyte);
        }
        std::printf(" %s:\n", name);
        ours("html_to_text", input, out);
        theirs("w3m", "w3m -dump (one run)", "w3m -dump -T text/html -cols 80", input);
        theirs("html2text", "html2text (one run)", "html2text", input);
    }
    std::error_code ignored;
    fs::remove_all(folder, ignored);
    return 0;
}
