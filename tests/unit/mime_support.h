// Messages for the MIME reader's tests: written into a fresh program folder
// with its "temp" folder, and the reader's results read back as a user would
// see them, the bytes of the extracted files.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

#include "format/part_list.h"
#include "tests/unit/test_support.h"

// Line ends as a mail server hands them over: every "\n" becomes "\r\n".
std::string crlf(const std::string& text);

// The messages of the public corpus (corpus_folder), every set, sorted.
std::vector<std::filesystem::path> corpus_messages(const std::filesystem::path& root);
// A corpus message as a POP3 server would hand it over: CRLF line ends,
// none doubled where the file had them already.
std::string as_served(const std::filesystem::path& file);

// The bytes every record of the list covers, as extract_range copies them.
std::vector<std::string> part_bodies(const char* path, const PartRecord* list);
std::vector<std::string> part_names(const PartRecord* list);

class MimeTest : public FolderTest {
protected:
    void SetUp() override;
    void TearDown() override;
    // Writes the message as "m.eml" and returns its path.
    const char* message(const std::string& bytes);
    // The parts a select walk keeps with the list, and those a collect walk
    // of the attachment dispositions finds.
    std::vector<std::string> select(const std::string& bytes, StringList* preferences, std::string* type = nullptr);
    std::vector<std::string> attachments(const std::string& bytes, std::vector<std::string>* names = nullptr);
};
