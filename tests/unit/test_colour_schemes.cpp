// Colour schemes as files: what the "Colors" menu lists, what choosing one
// leaves in colors\current.dat, and the colour table read back from it.
#include <string>
#include <utility>
#include <vector>

#include "client/colour_schemes.h"
#include "core/app_state.h"
#include "tests/unit/test_support.h"

namespace {

const SystemColours system_colours{{0xFF, 0xFF, 0xFE}, {0xC0, 0xC0, 0xC1}, {0x01, 0x02, 0x03}};

// Fourteen distinct colours, as lines of a scheme file.
std::string colour_lines(const char* end, bool lower = false) {
    std::string lines;
    const char* digits = lower ? "0123456789abcdef" : "0123456789ABCDEF";
    for (int slot = 0; slot < colour_slot_count; slot++) {
        int r = slot * 17, g = 255 - slot, b = slot * 3 + 160;
        for (int v : {r, g, b}) (lines += digits[v / 16]) += digits[v % 16];
        lines += end;
    }
    return lines;
}

Rgb expected_slot(int slot) {
    return Rgb{static_cast<unsigned char>(slot * 17), static_cast<unsigned char>(255 - slot),
               static_cast<unsigned char>(slot * 3 + 160)};
}

class ColourSchemes : public StoreTest {
protected:
    void SetUp() override {
        StoreTest::SetUp();
        std::filesystem::create_directories(folder_ / "colors");
        table = array_new(100);
    }
    void TearDown() override {
        delete_arrays(table);
        StoreTest::TearDown();
    }
    std::vector<std::pair<std::string, int>> menu(int* highest = nullptr) {
        std::vector<std::pair<std::string, int>> items;
        int h = list_schemes(
            [](void* context, const char* name, int command) {
                static_cast<std::vector<std::pair<std::string, int>>*>(context)->emplace_back(name, command);
            },
            &items);
        if (highest) *highest = h;
        return items;
    }
    void scheme(int n, const std::string& bytes) {
        write_file(folder_ / "colors" / ("sf" + std::to_string(n) + ".dat"), bytes);
    }
    Array* table = nullptr;
};

TEST_F(ColourSchemes, MenuListsSchemesUpToTheFirstGap) {
    int highest = -1;
    EXPECT_TRUE(menu(&highest).empty());
    EXPECT_EQ(highest, 0);

    scheme(1, "Ocean\r\n" + colour_lines("\r\n"));
    scheme(2, "Forest\n" + colour_lines("\n"));
    scheme(4, "Unlisted\r\n");
    using Items = std::vector<std::pair<std::string, int>>;
    EXPECT_EQ(menu(&highest), (Items{{"Ocean", 20000}, {"Forest", 20001}}));
    EXPECT_EQ(highest, 20001);

    // A long name is shown as far as the menu item holds it, never spilling
    // into the colours; a name of one or two characters is kept whole.
    scheme(3, std::string(300, 'n') + "\r\n" + colour_lines("\r\n"));
    scheme(5, "ab\r\n");
    Items items = menu(&highest);
    ASSERT_EQ(items.size(), 5u);
    EXPECT_EQ(items[2], (std::pair<std::string, int>{std::string(99, 'n'), 20002}));
    EXPECT_EQ(items[4], (std::pair<std::string, int>{"ab", 20004}));
    EXPECT_EQ(highest, 20004);
}

TEST_F(ColourSchemes, AtMostOneHundredAndOneSchemes) {
    for (int n = 1; n <= 102; n++) scheme(n, "S" + std::to_string(n) + "\r\n");
    int highest = 0;
    auto items = menu(&highest);
    ASSERT_EQ(items.size(), 101u);
    EXPECT_EQ(items.back(), (std::pair<std::string, int>{"S101", 20100}));
    EXPECT_EQ(highest, 20100);
}

TEST_F(ColourSchemes, UnreadableSchemeIsReportedAndTheMenuGoesOn) {
    UiRecorder ui;
    scheme(1, "One\r\n");
    std::filesystem::create_directory(folder_ / "colors" / "sf2.dat");
    scheme(3, "Three\r\n");
    int highest = 0;
    using Items = std::vector<std::pair<std::string, int>>;
    EXPECT_EQ(menu(&highest), (Items{{"One", 20000}, {"Three", 20002}}));
    EXPECT_EQ(highest, 20002);
    EXPECT_EQ(ui.box_texts(), std::vector<std::string>{"Cannot open scheme file!"});
}

TEST_F(ColourSchemes, ColourLinesInEitherCaseAndEitherLineEnd) {
    for (const std::string& file : {"Upper\r\n" + colour_lines("\r\n"), "Lower\n" + colour_lines("\n", true),
                                    "Mixed\r\n" + colour_lines("\n", true)}) {
        write_file(folder_ / "colors" / "current.dat", file);
        array_clear(table);
        EXPECT_FALSE(load_colours(table, system_colours));
        for (int slot = 0; slot < colour_slot_count; slot++) EXPECT_EQ(colour_at(table, slot), expected_slot(slot)) << slot;
    }
    // A line's bytes past RRGGBB are read and ignored.
    write_file(folder_ / "colors" / "current.dat", "N\r\nFF0080 ignored text\r\n102030\r\n");
    ASSERT_EQ(read_scheme_colours("colors\\current.dat", table), 2);
    EXPECT_EQ(colour_at(table, 0), (Rgb{0xFF, 0x00, 0x80}));
    EXPECT_EQ(colour_at(table, 1), (Rgb{0x10, 0x20, 0x30}));
}

TEST_F(ColourSchemes, ShortSchemeKeepsTheRemainingSlots) {
    fill_system_colours(table, system_colours);
    write_file(folder_ / "colors" / "current.dat", std::string(500, 'x') + "\r\n0A0B0C\r\n0D0E0F");
    EXPECT_FALSE(load_colours(table, system_colours));
    EXPECT_EQ(colour_at(table, 0), (Rgb{0x0A, 0x0B, 0x0C}));
    EXPECT_EQ(colour_at(table, 1), (Rgb{0x0D, 0x0E, 0x0F}));
    EXPECT_EQ(colour_at(table, 2), system_colours.window);
    EXPECT_EQ(colour_at(table, 8), system_colours.window_text);
    EXPECT_EQ(colour_at(table, 13), system_colours.window_text);
    // A name line alone changes nothing.
    write_file(folder_ / "colors" / "current.dat", "Only a name\r\n");
    EXPECT_EQ(read_scheme_colours("colors\\current.dat", table), 0);
    EXPECT_EQ(colour_at(table, 0), (Rgb{0x0A, 0x0B, 0x0C}));
}

TEST_F(ColourSchemes, WithoutCurrentSchemeTheSystemColoursHold) {
    EXPECT_TRUE(load_colours(table, system_colours));
    for (int slot = 0; slot < colour_slot_count; slot++) {
        Rgb want = slot == 0 ? system_colours.button_face
                   : slot == 8 || slot == 11 || slot == 13 ? system_colours.window_text
                                                           : system_colours.window;
        EXPECT_EQ(colour_at(table, slot), want) << slot;
    }
}

TEST_F(ColourSchemes, ChoosingCopiesTheFileAndSystemDefaultDeletesIt) {
    const std::string ocean = "Ocean\r\n" + colour_lines("\r\n");
    const std::string forest = "Forest\n" + colour_lines("\n", true) + "trailing\xFF\x1A";
    scheme(1, ocean);
    scheme(2, forest);
    int highest = 0;
    menu(&highest);
    ASSERT_EQ(choose_scheme(20001, highest), 0);
    EXPECT_EQ(read_file(folder_ / "colors" / "current.dat"), forest);
    ASSERT_EQ(choose_scheme(20000, highest), 0);
    EXPECT_EQ(read_file(folder_ / "colors" / "current.dat"), ocean);
    // Commands outside the listed range change nothing.
    EXPECT_EQ(choose_scheme(20002, highest), -1);
    EXPECT_EQ(choose_scheme(19999, highest), -1);
    EXPECT_EQ(read_file(folder_ / "colors" / "current.dat"), ocean);

    choose_system_default();
    EXPECT_FALSE(std::filesystem::exists(folder_ / "colors" / "current.dat"));
    EXPECT_TRUE(load_colours(table, system_colours));
    choose_system_default();  // nothing to delete: nothing happens
    EXPECT_FALSE(std::filesystem::exists(folder_ / "colors" / "current.dat"));
}

}  // namespace
