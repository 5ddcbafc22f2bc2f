#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>
#include <string_view>
#include <thread>

#include "core/picker_block.h"

using namespace std::literals;

namespace {

std::string field_bytes(const char* field, size_t size) { return std::string(field, size); }

template <size_t N>
std::string field_bytes(const char (&field)[N]) {
    return field_bytes(field, N);
}

// The bytes a field holds after `text` was put in: the text, then zeros.
std::string zero_filled(std::string_view text, size_t size) {
    std::string bytes(text);
    bytes.resize(size, '\0');
    return bytes;
}

class PickerBlockTest : public ::testing::Test {
protected:
    void SetUp() override { std::memset(&block, 0, sizeof block); }
    PickerBlock block;
};

TEST_F(PickerBlockTest, RequestPutsEveryTextWithItsZeroInsideItsField) {
    block.owner = 1234;
    block.state = PICKER_IDLE;
    std::string name(1023, 'n'), folder(299, 'd');
    PickerRequest request{"Text(*.txt)\0*.txt\0"sv, name.c_str(), folder.c_str(), "Save Email", "eml"};
    EXPECT_TRUE(picker_write_request(&block, request));
    EXPECT_EQ(field_bytes(block.file_name), name + '\0');
    EXPECT_EQ(field_bytes(block.directory), folder + '\0');
    EXPECT_EQ(field_bytes(block.title), zero_filled("Save Email", 100));
    EXPECT_EQ(field_bytes(block.default_extension), zero_filled("eml", 10));
    EXPECT_EQ(field_bytes(block.filter), zero_filled("Text(*.txt)\0*.txt\0\0"sv, 100));
    EXPECT_EQ(block.struct_size, 76);
    EXPECT_EQ(block.file_name_size, 1024);
    EXPECT_EQ(block.file_title_size, 1000);
    EXPECT_EQ(block.flags, PICKER_OVERWRITE_PROMPT);
    EXPECT_EQ(block.owner, 1234);
    EXPECT_EQ(block.state, PICKER_IDLE);
}

TEST_F(PickerBlockTest, TextsLongerThanTheirFieldsAreCutBeforeTheFieldsEnd) {
    std::string name(1024, 'n'), folder(300, 'd');
    PickerRequest request{{}, name.c_str(), folder.c_str(), "Save Attachment", nullptr};
    EXPECT_FALSE(picker_write_request(&block, request));
    EXPECT_EQ(field_bytes(block.file_name), std::string(1023, 'n') + '\0');
    EXPECT_EQ(block.file_name_size, 1024);
    EXPECT_EQ(field_bytes(block.directory), std::string(299, 'd') + '\0');
    EXPECT_EQ(field_bytes(block.title), zero_filled("Save Attachment", 100));
}

TEST_F(PickerBlockTest, FilterIsCopiedUpToItsClosingEmptyStringAndNoFurther) {
    // Exactly 100 bytes with the closing empty string: it fits.
    std::string hundred = std::string(40, 'D') + '\0' + std::string(57, 'P') + '\0' + '\0';
    ASSERT_EQ(hundred.size(), 100u);
    EXPECT_TRUE(picker_write_request(&block, {hundred}));
    EXPECT_EQ(field_bytes(block.filter), hundred);

    // One byte more: the pair does not fit, so the dialog gets no filter
    // rather than half a pair.
    std::string longer = std::string(41, 'D') + '\0' + std::string(57, 'P') + '\0' + '\0';
    EXPECT_FALSE(picker_write_request(&block, {longer}));
    EXPECT_EQ(field_bytes(block.filter), std::string(100, '\0'));

    // Whole pairs that fit are kept.
    std::string two = "Mail\0*.eml\0"s + std::string(85, 'D') + '\0' + "*.x\0\0"s;
    EXPECT_FALSE(picker_write_request(&block, {two}));
    EXPECT_EQ(field_bytes(block.filter), zero_filled("Mail\0*.eml\0\0"sv, 100));
}

TEST_F(PickerBlockTest, FilterIsNeverReadPastTheSourcesEnd) {
    // A source on the heap of exactly its own size: reading one byte past it
    // stops the sanitised run.
    const std::string_view text = "Mail(*.eml)\0*.eml"sv;
    auto source = std::make_unique<char[]>(text.size());
    std::memcpy(source.get(), text.data(), text.size());
    EXPECT_TRUE(picker_write_request(&block, {std::string_view(source.get(), text.size())}));
    EXPECT_EQ(field_bytes(block.filter), zero_filled("Mail(*.eml)\0*.eml\0\0"sv, 100));

    // A description without a pattern ends the list.
    EXPECT_TRUE(picker_write_request(&block, {"All Files(*.*)\0\0"sv}));
    EXPECT_EQ(field_bytes(block.filter), zero_filled("All Files(*.*)\0\0"sv, 100));
}

TEST_F(PickerBlockTest, FieldsARequestDoesNotHaveAreClearedFromTheLastOne) {
    PickerRequest first{"e-mail file(*.eml)\0*.eml\0"sv, "old.eml", "C:\\mail\\user", "Save Email", "eml"};
    picker_write_request(&block, first);
    // What the last dialog left: its chosen path, title and offset.
    std::strcpy(block.file_name, "C:\\mail\\user\\a very long name chosen last time.eml");
    std::strcpy(block.file_title, "a very long name chosen last time.eml");
    block.extension_offset = 47;

    PickerRequest second{{}, "part.bin", "C:\\mail\\user", "Save Attachment", nullptr};
    EXPECT_TRUE(picker_write_request(&block, second));
    EXPECT_EQ(field_bytes(block.filter), std::string(100, '\0'));
    EXPECT_EQ(field_bytes(block.default_extension), std::string(10, '\0'));
    EXPECT_EQ(field_bytes(block.file_name), zero_filled("part.bin", 1024));
    EXPECT_EQ(field_bytes(block.file_title), std::string(1000, '\0'));
    EXPECT_EQ(block.extension_offset, 0);

    PickerRequest unnamed{{}, nullptr, nullptr, "Add Attachment", nullptr};
    EXPECT_TRUE(picker_write_request(&block, unnamed));
    EXPECT_EQ(field_bytes(block.file_name), std::string(1024, '\0'));
    EXPECT_EQ(field_bytes(block.directory), std::string(300, '\0'));
    EXPECT_EQ(picker_text_or_none(block.filter), nullptr);
    EXPECT_EQ(picker_text_or_none(block.default_extension), nullptr);
    EXPECT_STREQ(picker_text_or_none(block.title), "Add Attachment");
}

TEST_F(PickerBlockTest, ResultIsReadWithinItsFieldAndTheCallersBuffer) {
    std::strcpy(block.file_name, "C:\\mail\\user\\note.eml");
    std::strcpy(block.file_title, "note.eml");
    std::strcpy(block.directory, "C:\\mail\\user");
    block.extension_offset = 18;
    char name[1024] = "stale", title[100] = "", folder[300] = "";
    PickerResult result{name, sizeof name, title, sizeof title, folder, sizeof folder};
    EXPECT_TRUE(picker_read_result(&block, &result));
    EXPECT_STREQ(name, "C:\\mail\\user\\note.eml");
    EXPECT_STREQ(title, "note.eml");
    EXPECT_STREQ(folder, "C:\\mail\\user");
    EXPECT_EQ(result.extension_offset, 18);

    // Cancelled: the name is empty, the folder stays where it was.
    std::memset(block.file_name, 0, sizeof block.file_name);
    std::strcpy(block.directory, "C:\\elsewhere");
    EXPECT_FALSE(picker_read_result(&block, &result));
    EXPECT_STREQ(name, "");
    EXPECT_STREQ(folder, "C:\\mail\\user");
}

TEST_F(PickerBlockTest, ResultAtTheBoundsOfNameAndFolder) {
    char name[1024], folder[300];
    PickerResult result{name, sizeof name, nullptr, 0, folder, sizeof folder};
    std::memset(block.file_name, 'n', 1023);
    std::memset(block.directory, 'd', 299);
    EXPECT_TRUE(picker_read_result(&block, &result));
    EXPECT_EQ(std::string(name), std::string(1023, 'n'));
    EXPECT_EQ(std::string(folder), std::string(299, 'd'));

    // A name field without its zero was written past its end.
    std::memset(block.file_name, 'n', 1024);
    EXPECT_FALSE(picker_read_result(&block, &result));
    EXPECT_STREQ(name, "");
    std::memset(block.file_name, 0, sizeof block.file_name);
    std::strcpy(block.file_name, "C:\\a.txt");
    std::memset(block.directory, 'd', 300);
    EXPECT_FALSE(picker_read_result(&block, &result));
    EXPECT_STREQ(name, "");

    // A name that fits the field but not the caller's buffer.
    std::memset(block.directory, 0, sizeof block.directory);
    std::memset(block.file_name, 'n', 100);
    char small[100] = "x";
    PickerResult short_buffer{small, sizeof small};
    EXPECT_FALSE(picker_read_result(&block, &short_buffer));
    EXPECT_STREQ(small, "");
    // An offset beyond the name reads as none.
    std::memset(block.file_name, 0, sizeof block.file_name);
    std::strcpy(block.file_name, "C:\\a");
    block.extension_offset = 900;
    EXPECT_TRUE(picker_read_result(&block, &result));
    EXPECT_EQ(result.extension_offset, 0);
}

TEST_F(PickerBlockTest, SanitisingEndsEveryTextAndClampsTheSizes) {
    std::memset(&block, 'A', sizeof block);
    block.file_name_size = 99999;
    block.file_title_size = -5;
    picker_sanitise(&block);
    EXPECT_EQ(block.file_name_size, 1024);
    EXPECT_EQ(block.file_title_size, 1000);
    EXPECT_EQ(strnlen(block.file_name, sizeof block.file_name), 1023u);
    EXPECT_EQ(strnlen(block.file_title, sizeof block.file_title), 999u);
    EXPECT_EQ(strnlen(block.directory, sizeof block.directory), 299u);
    EXPECT_EQ(strnlen(block.title, sizeof block.title), 99u);
    EXPECT_EQ(strnlen(block.default_extension, sizeof block.default_extension), 9u);
    EXPECT_EQ(field_bytes(block.filter).substr(97), "A\0\0"s);

    // Sizes within their fields stay.
    block.file_name_size = 99;
    block.file_title_size = 1000;
    picker_sanitise(&block);
    EXPECT_EQ(block.file_name_size, 99);
    EXPECT_EQ(block.file_title_size, 1000);
}

TEST_F(PickerBlockTest, DirectoryAfterTheDialogIsTheChosenFilesFolder) {
    std::strcpy(block.directory, "C:\\start");
    std::strcpy(block.file_name, "C:\\mail\\user\\note.eml");
    picker_set_result_directory(&block, true, "C:\\windows");
    EXPECT_EQ(field_bytes(block.directory), zero_filled("C:\\mail\\user", 300));
    std::strcpy(block.file_name, "C:\\note.eml");
    picker_set_result_directory(&block, true, "C:\\windows");
    EXPECT_STREQ(block.directory, "C:\\");

    // Cancelled: the helper's current folder.
    picker_set_result_directory(&block, false, "C:\\mail");
    EXPECT_EQ(field_bytes(block.directory), zero_filled("C:\\mail", 300));
    // A folder longer than the field leaves it as it was.
    std::string deep = "C:\\" + std::string(297, 'd');
    picker_set_result_directory(&block, false, deep.c_str());
    EXPECT_STREQ(block.directory, "C:\\mail");
    deep.pop_back();
    picker_set_result_directory(&block, false, deep.c_str());
    EXPECT_EQ(std::string(block.directory), deep);
}

TEST_F(PickerBlockTest, HelperTakesOnlyAskedRequestsByCompareAndSwap) {
    EXPECT_EQ(picker_take_request(&block), PICKER_IDLE);
    EXPECT_EQ(block.state, PICKER_IDLE);
    block.state = 1;  // never set; reads as idle and stays
    EXPECT_EQ(picker_state(&block), PICKER_IDLE);
    EXPECT_EQ(picker_take_request(&block), PICKER_IDLE);
    EXPECT_EQ(block.state, 1);

    picker_set_state(&block, PICKER_OPEN_ASKED);
    EXPECT_EQ(picker_take_request(&block), PICKER_OPEN_SHOWN);
    EXPECT_EQ(picker_state(&block), PICKER_OPEN_SHOWN);
    // Shown: the client can no longer take it back, the helper not take it again.
    EXPECT_FALSE(picker_change_state(&block, PICKER_OPEN_ASKED, PICKER_IDLE));
    EXPECT_EQ(picker_take_request(&block), PICKER_IDLE);
    EXPECT_EQ(block.state, PICKER_OPEN_SHOWN);

    picker_set_state(&block, PICKER_SAVE_ASKED);
    EXPECT_EQ(picker_take_request(&block), PICKER_SAVE_SHOWN);
    // A request the client took back is never shown.
    picker_set_state(&block, PICKER_SAVE_ASKED);
    EXPECT_TRUE(picker_change_state(&block, PICKER_SAVE_ASKED, PICKER_IDLE));
    EXPECT_EQ(picker_take_request(&block), PICKER_IDLE);
    picker_set_state(&block, PICKER_END);
    EXPECT_EQ(picker_take_request(&block), PICKER_END);
    EXPECT_EQ(block.state, PICKER_END);
}

TEST_F(PickerBlockTest, TakeAndTakeBackRacingExactlyOneWins) {
    for (int round = 0; round < 200; ++round) {
        picker_set_state(&block, PICKER_SAVE_ASKED);
        int32_t taken = 0;
        std::thread helper([&] { taken = picker_take_request(&block); });
        bool taken_back = picker_change_state(&block, PICKER_SAVE_ASKED, PICKER_IDLE);
        helper.join();
        ASSERT_NE(taken_back, taken == PICKER_SAVE_SHOWN) << "round " << round;
        ASSERT_EQ(picker_state(&block), taken_back ? PICKER_IDLE : PICKER_SAVE_SHOWN);
    }
}

TEST(PickerOwner, FieldComesBackAsTheHandleBySignExtension) {
    EXPECT_EQ(picker_owner_handle(0x00012345), intptr_t{0x12345});
    EXPECT_EQ(picker_owner_handle(-2), intptr_t{-2});
    intptr_t high = static_cast<intptr_t>(INT32_MIN) + 0x1234;
    int32_t field = picker_owner_field(high);
    EXPECT_EQ(static_cast<uint32_t>(field), 0x80001234u);
    EXPECT_EQ(picker_owner_handle(field), high);
}

}  // namespace
