// A program folder for message builder tests: "temp", "maildir\outbox", an
// account table with one account, a message key, a fixed clock and a fixed
// source of boundary numbers, and recorded message boxes.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

#include "format/compose_fields.h"
#include "tests/unit/test_support.h"

class BuilderTest : public FolderTest {
protected:
    void SetUp() override;
    void TearDown() override;

    // Fields of window 77 with the account 0 and the given text.
    ComposeFields fields(const std::u16string& text = u"");
    // Adds a file holding `bytes` under `name` as the next attachment.
    void attach(ComposeFields* f, const std::string& name, const std::string& bytes);
    // Builds into "out.eml" and returns its bytes ("" when the build failed).
    std::string build(const ComposeFields& f, bool for_display = false);

    // The numbers the boundary source gives, in turn; then 42 for ever.
    static void boundary_numbers(std::vector<int> numbers);

    UiRecorder ui;
    ComposeText text_;
    std::u16string text_units_;
};

// The header of a built message up to and including its blank line.
std::string header_of(const std::string& message);
// One line's value ("" when absent), read from the bytes.
std::string field_of(const std::string& message, const std::string& name);
