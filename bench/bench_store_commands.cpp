// Copy, move and delete of 1,000 messages into folders that already hold
// 30,000: "Copy File" and "Move File" into a large folder, and "Delete"
// into a large "deleted items". Each prints seconds; the target's highest
// number is looked up once per command, so the size of the target should
// cost one pass over its names, not one per message. Built natively and for
// Windows (run under Wine). Arguments: the size of the large folders
// (30,000), and a program folder to work in whose folders were filled
// beforehand (under Wine every new name costs a search of its folder, so
// filling 60,000 files there takes longer than the commands measured).
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "core/app_state.h"
#include "core/settings.h"
#include "core/ui_services.h"
#include "store/busy_folders.h"
#include "store/message_copy.h"
#include "store/message_delete.h"

namespace {

namespace fs = std::filesystem;

void fill(const fs::path& folder, int first, int count) {
    fs::create_directories(folder);
    for (int n = first; n < first + count; n++) {
        fs::path file = folder / ("mm" + std::to_string(n) + ".eml");
        if (fs::exists(file)) continue;
        std::ofstream(file, std::ios::binary)
            << "X-ZMRead: TRUE\r\nFrom: a@example.test\r\nSubject: message " << n << "\r\n\r\n"
            << std::string(2000, 'x');
    }
}

double seconds_since(std::chrono::steady_clock::time_point start) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

bool keep_row(void*, int) { return true; }

}  // namespace

int main(int argc, char** argv) {
    const int large = argc > 1 ? std::atoi(argv[1]) : 30000;
    const bool prepared = argc > 2;
    const int count = 1000;
    UiServices quiet = quiet_ui_services(nullptr);
    ui_install(&quiet);
    fs::path folder = prepared ? fs::path(argv[2])
                               : fs::temp_directory_path() / ("zm_bench_store_" +
                                                              std::to_string(std::chrono::steady_clock::now().time_since_epoch().count()));
    fs::create_directories(folder / "temp");
    fs::current_path(folder);
    create_app_state();
    busy_folders_init();
    settings_flags = 0;
    fill(folder / "maildir" / "source", 1, count);
    fill(folder / "maildir" / "large", 1, large);
    fill(folder / "maildir" / "deleted items", 1, large);
    std::vector<SelectionEntry> entries;
    for (int n = 1; n <= count; n++) entries.push_back({n, n - 1});
    bool failed = false;

    auto start = std::chrono::steady_clock::now();
    int done = copy_move_files("maildir\\source", "maildir\\large", entries, COPY_MESSAGES, nullptr);
    std::printf("copy of %d messages into a folder of %d: %.3f s\n", done, large, seconds_since(start));
    failed |= done != count;

    start = std::chrono::steady_clock::now();
    done = copy_move_files("maildir\\source", "maildir\\large", entries, MOVE_MESSAGES, nullptr);
    std::printf("move of %d messages into a folder of %d: %.3f s\n", done, large + count, seconds_since(start));
    failed |= done != count;

    fill(folder / "maildir" / "source", 1, count);
    start = std::chrono::steady_clock::now();
    done = delete_message_files("maildir\\source", entries, DeleteSink{nullptr, keep_row});
    std::printf("delete of %d messages into a deleted items of %d: %.3f s\n", done, large, seconds_since(start));
    failed |= done != count;

    fs::current_path(fs::temp_directory_path());
    std::error_code ignored;
    if (!prepared) fs::remove_all(folder, ignored);
    return failed ? 1 : 0;
}
