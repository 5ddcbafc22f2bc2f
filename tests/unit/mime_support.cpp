#include "tests/unit/mime_support.h"

#include <algorithm>

#include "core/app_state.h"
#include "core/settings.h"
#include "format/mime_walk.h"
#include "format/part_extract.h"

std::string crlf(const std::string& text) {
    std::string out;
    for (char c : text) {
        if (c == '\n') out += '\r';
        out += c;
    }
    return out;
}

std::vector<std::filesystem::path> corpus_messages(const std::filesystem::path& root) {
    std::vector<std::filesystem::path> files;
    for (const char* set : {"legacy", "thirdparty", "malformed", "rfc"})
        for (const auto& entry : std::filesystem::directory_iterator(root / set))
            if (entry.path().extension() == ".eml") files.push_back(entry.path());
    std::sort(files.begin(), files.end());
    return files;
}

std::string as_served(const std::filesystem::path& file) {
    std::string bytes = crlf(read_file(file));
    for (size_t at = bytes.find("\r\r\n"); at != std::string::npos; at = bytes.find("\r\r\n", at + 1)) bytes.erase(at, 1);
    return bytes;
}

std::vector<std::string> part_bodies(const char* path, const PartRecord* list) {
    std::vector<std::string> bodies;
    for (const PartRecord* part = list; part->next; part = part->next) {
        EXPECT_EQ(extract_range(path, "temp\\part.out", part), 0);
        bodies.push_back(read_file("temp/part.out"));
    }
    return bodies;
}

std::vector<std::string> part_names(const PartRecord* list) {
    std::vector<std::string> names;
    for (const PartRecord* part = list; part->next; part = part->next) names.push_back(part->file_name->text);
    return names;
}

void MimeTest::SetUp() {
    FolderTest::SetUp();
    std::filesystem::create_directory(folder_ / "temp");
    if (!app.program_folder) create_app_state();
    settings_flags = 0;
    html_display_mode = HTML_NEVER;
    multipart_html_disabled = 0;
}

void MimeTest::TearDown() {
    settings_flags = 0;
    html_display_mode = HTML_NEVER;
    multipart_html_disabled = 0;
    FolderTest::TearDown();
}

const char* MimeTest::message(const std::string& bytes) {
    write_file(folder_ / "m.eml", bytes);
    return "m.eml";
}

std::vector<std::string> MimeTest::select(const std::string& bytes, StringList* preferences, std::string* type) {
    const char* path = message(bytes);
    PartRecord* list = part_list_new();
    int best = -1;
    walk_parts(path, 0, preferences, list, &best, false);
    EXPECT_LE(part_list_count(list), 1);
    if (type) *type = list->type->text;
    std::vector<std::string> bodies = part_bodies(path, list);
    part_list_free(list);
    return bodies;
}

std::vector<std::string> MimeTest::attachments(const std::string& bytes, std::vector<std::string>* names) {
    const char* path = message(bytes);
    PartRecord* list = part_list_new();
    collect_attachments(path, list);
    if (names) *names = part_names(list);
    std::vector<std::string> bodies = part_bodies(path, list);
    part_list_free(list);
    return bodies;
}
