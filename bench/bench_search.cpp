// Search over the list benchmark's folder of 10,000 messages (or as many as
// the argument says) for a word that
// about 1 % of them hold (in the subject and in the text): by "Subject" (the
// list's column texts, no file read), by "Email" (each raw file searched
// where it lies) and by "Message" (each message's text part extracted and
// decoded, then searched). For each it prints the time, messages per second,
// files opened per message and the largest resident size so far, and
// `grep -r -l -i -F` for the same word over the same files in the same run.
// Built natively and for Windows: under Wine there is no count of the files
// opened (the native run counts the same code's opens) and no grep.
#ifdef _WIN32
#include <process.h>
#else
#include <unistd.h>
#endif

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "bench/message_maker.h"
#include "bench/peak_memory.h"
#ifndef _WIN32
#include "bench/open_count.h"
#endif
#include "client/search.h"
#include "core/app_state.h"
#include "core/log.h"

namespace {

namespace fs = std::filesystem;

constexpr const char* word = "zqxwvut";

long files_opened() {
#ifdef _WIN32
    return 0;
#else
    return message_opens.load() + other_opens.load();
#endif
}

// Every hundredth message gets the word in place of "meeting" (same length),
// in its subject and its text alike.
void plant_word(const fs::path& file, std::string* subject) {
    std::ifstream in(file, std::ios::binary);
    std::stringstream bytes;
    bytes << in.rdbuf();
    std::string text = bytes.str();
    for (size_t at = text.find("meeting"); at != std::string::npos; at = text.find("meeting", at)) text.replace(at, 7, word);
    for (size_t at = subject->find("meeting"); at != std::string::npos; at = subject->find("meeting", at))
        subject->replace(at, 7, word);
    std::ofstream(file, std::ios::binary) << text;
}

}  // namespace

int main(int argc, char** argv) {
    const int message_count = argc > 1 ? std::atoi(argv[1]) : 10000;
    if (message_count <= 0) return 2;
    fs::path root = fs::temp_directory_path() / ("zm-bench-search-" + std::to_string(getpid()));
    fs::remove_all(root);
    fs::create_directories(root / "maildir" / "inbox");
    fs::create_directories(root / "temp");
    fs::current_path(root);
    create_app_state();
    array_copy(app.program_folder, root.string().c_str());

    SearchRequest request;
    request.folder = "maildir\\inbox";
    request.scratch_number = 1;
    bench::MessageMaker maker;
    int planted = 0;
    for (int n = 1; n <= message_count; n++) {
        bench::Expected e = maker.write(root / "maildir" / "inbox", n);
        SearchRow row;
        row.number = n;
        row.from = e.from_name;
        row.subject = e.subject;
        if (n % 100 == 0) {
            plant_word(root / "maildir" / "inbox" / ("mm" + std::to_string(n) + ".eml"), &row.subject);
            planted++;
        }
        request.rows.push_back(row);
    }
    std::printf("%d messages, %.1f MB; the word planted in %d of them (where they held \"meeting\")\n", message_count,
                maker.bytes_written / 1e6, planted);

    request.text = word;
    auto timed = [&](int field, const char* name) {
        request.field = field;
        request.constraint = 0;
        long before = files_opened();
        auto start = std::chrono::steady_clock::now();
        std::string folder;
        if (make_result_folder(&folder) < 0) std::exit(1);
        int found = run_search(request, folder);
        double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        long opened = files_opened() - before;
        std::printf("%-26s %5d found  %8.3f s  %9.0f messages/s  %5.2f files opened a message  max resident %ld KB\n",
                    name, found, seconds, message_count / seconds, static_cast<double>(opened) / message_count,
                    peak_kb());
    };
    for (int field : {SEARCH_SUBJECT, SEARCH_EMAIL, SEARCH_MESSAGE}) timed(field, search_fields[field]);
    // The same texts declared quoted-printable, as much mail sends them:
    // each part is decoded before it is searched.
    for (int n = 1; n <= message_count; n++) {
        fs::path file = root / "maildir" / "inbox" / ("mm" + std::to_string(n) + ".eml");
        std::ifstream in(file, std::ios::binary);
        std::stringstream bytes;
        bytes << in.rdbuf();
        in.close();
        std::string text = bytes.str();
        const std::string from = "Content-Transfer-Encoding: 8bit", to = "Content-Transfer-Encoding: quoted-printable";
        size_t at = text.find(from);
        if (at != std::string::npos) text.replace(at, from.size(), to);
        std::ofstream(file, std::ios::binary) << text;
    }
    timed(SEARCH_MESSAGE, "Message (quoted-printable)");
#ifndef _WIN32
    auto start = std::chrono::steady_clock::now();
    std::string command = "grep -r -l -i -F " + std::string(word) + " maildir/inbox > /dev/null";
    int status = std::system(command.c_str());
    double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    std::printf("grep -r -l -i -F  %8.3f s  %9.0f messages/s (exit %d)\n", seconds, message_count / seconds, status);
#endif
    fs::current_path(fs::temp_directory_path());
    fs::remove_all(root);
    return 0;
}
