#include "store/message_files.h"

#include <algorithm>
#include <cctype>
#include <climits>
#include <cstring>

#include "core/sys_files.h"

namespace {

// Walks the folder's "mm*.eml" entries that are well-formed message names.
template <class Visit>
void for_each_message_file(const char* folder, Visit visit) {
    Array* pattern = array_new(message_path_capacity);
    array_printf(pattern, "%.1000s\\mm*.eml", folder);
    sys_enumerate(pattern->text, [&](const DirEntry& e) {
        int number = message_number_of(e.name);
        if (number > 0) visit(number, e.size);
        return true;
    });
    delete_arrays(pattern);
}

}  // namespace

int message_number_of(const char* name) {
    size_t n = std::strlen(name);
    if (n < 7 || std::tolower(static_cast<unsigned char>(name[0])) != 'm' ||
        std::tolower(static_cast<unsigned char>(name[1])) != 'm')
        return 0;
    const char* suffix = name + n - 4;
    const char* ext = ".eml";
    for (int i = 0; i < 4; i++)
        if (std::tolower(static_cast<unsigned char>(suffix[i])) != ext[i]) return 0;
    const char* digits = name + 2;
    size_t count = n - 6;
    if (digits[0] == '0') return 0;
    long long value = 0;
    for (size_t i = 0; i < count; i++) {
        if (!std::isdigit(static_cast<unsigned char>(digits[i]))) return 0;
        value = value * 10 + (digits[i] - '0');
        // The next number must still be representable.
        if (value >= INT_MAX) return 0;
    }
    return static_cast<int>(value);
}

// Names like mm0.eml, mm01.eml or mmx.eml match the wildcard but can never be
// a message number; they are left out of the count, so every count has a
// number to go with it.
int count_message_files(const char* folder) {
    int count = 0;
    for_each_message_file(folder, [&](int, int64_t) { count++; });
    return count;
}

// The highest number present, found in one pass over the folder: the same
// answer as probing mm1.eml upwards, without one existence test per number.
int last_message_number(const char* folder) {
    int highest = 0;
    for_each_message_file(folder, [&](int number, int64_t) {
        if (number > highest) highest = number;
    });
    return highest;
}

std::vector<MessageFile> list_message_files(const char* folder) {
    std::vector<MessageFile> files;
    for_each_message_file(folder, [&](int number, int64_t size) { files.push_back({number, size}); });
    std::sort(files.begin(), files.end(), [](const MessageFile& a, const MessageFile& b) { return a.number < b.number; });
    return files;
}

void message_file_path(Array* out, const char* folder, int number) {
    array_printf(out, "%.1000s\\mm%i.eml", folder, number);
}
