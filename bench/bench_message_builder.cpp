// Time to add a 32 MB attachment and to build a message around it with a
// text of 4 MB, once plain and once enciphered, in a scratch program folder.
// The builder streams file to file, so the peak resident size printed at the
// end stays near the size of the text held in memory for the writer.
#include <sys/resource.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <random>
#include <string>

#include "format/attachment_files.h"
#include "format/encryption.h"
#include "format/key_file.h"
#include "format/message_builder.h"

namespace {

constexpr size_t attachment_size = 32u * 1024 * 1024;
constexpr size_t text_units = 4u * 1024 * 1024;

long peak_rss_kb() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

template <class Work>
double seconds(Work work) {
    auto start = std::chrono::steady_clock::now();
    work();
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

double mb(double bytes) { return bytes / (1024.0 * 1024.0); }

}  // namespace

int main() {
    char pattern[] = "/tmp/zmbench-XXXXXX";
    const char* folder = mkdtemp(pattern);
    if (!folder || chdir(folder) != 0) return 1;
    std::filesystem::create_directory("temp");
    std::string key;
    for (int i = 0; i < 32; i++) key += static_cast<char>(i * 3 + 1);
    std::FILE* k = std::fopen("bfkey.dat", "wb");
    std::fwrite(key.data(), 1, key.size(), k);
    std::fclose(k);
    if (read_message_key() != KEY_FILE_LOADED) return 1;

    std::mt19937 generator(7);
    {
        std::string bytes(1024 * 1024, '\0');
        std::FILE* f = std::fopen("attachment.bin", "wb");
        for (size_t written = 0; written < attachment_size; written += bytes.size()) {
            for (char& c : bytes) c = static_cast<char>(generator() & 0xFF);
            std::fwrite(bytes.data(), 1, bytes.size(), f);
        }
        std::fclose(f);
    }
    std::u16string text;
    const char16_t* words[] = {u"message ", u"caf\u00e9 ", u"the ", u"= ", u"end.\r\n", u"quoted. "};
    while (text.size() < text_units) text += words[generator() % 6];
    ComposeText source{text.data(), text.size(), false};

    for (bool encrypt : {false, true}) {
        ComposeFields f;
        f.window_number = encrypt ? 2 : 1;
        f.to = "bob@example.org";
        f.from = "jane@example.org";
        f.subject = "Figures";
        f.encrypt = encrypt;
        f.write_text = write_compose_text;
        f.text_source = &source;
        double add = seconds([&] {
            if (add_attachment(nullptr, f.window_number, &f.attachment_count, "attachment.bin", encrypt, nullptr) != 0)
                std::exit(1);
        });
        double build = seconds([&] {
            if (build_message_file(&f, "out.eml", false) != 0) std::exit(1);
        });
        double size = static_cast<double>(std::filesystem::file_size("out.eml"));
        std::printf("%-9s add attachment %5.2f s (%6.1f MB/s)   build %5.2f s, %.1f MB written (%6.1f MB/s)\n",
                    encrypt ? "encrypted" : "plain", add, mb(attachment_size) / add, build, mb(size), mb(size) / build);
    }
    std::printf("peak resident size %ld KB (text in memory %.1f MB)\n", peak_rss_kb(),
                mb(static_cast<double>(text.size() * 2)));
    std::error_code ignored;
    std::filesystem::current_path("/tmp");
    std::filesystem::remove_all(folder, ignored);
    return 0;
}
