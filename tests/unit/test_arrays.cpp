#include <climits>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>

#include "core/arrays.h"
#include "core/log.h"
#include "tests/unit/test_support.h"

// g++ says it builds with AddressSanitizer by a macro, clang through
// __has_feature.
#if defined(__SANITIZE_ADDRESS__)
#define ZM_ASAN 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define ZM_ASAN 1
#endif
#endif
#if defined(ZM_ASAN)
// The out-of-memory test asks for more than the machine has; the allocator
// must answer null rather than abort.
extern "C" const char* __asan_default_options() { return "allocator_may_return_null=1"; }
#endif

namespace {

class ArrayTest : public FolderTest {
protected:
    void SetUp() override {
        FolderTest::SetUp();
        ASSERT_EQ(log_open("zmlog.txt"), 0);
    }
    // The log without its stamps: one string per entry text.
    std::string log_texts() {
        std::string all = read_file(folder_ / "zmlog.txt"), texts;
        for (size_t at = 0; (at = all.find("] ", at)) != std::string::npos;) {
            at += 2;
            size_t next = all.find("\r\n", at);
            texts += all.substr(at, next - at) + "|";
        }
        return texts;
    }
    UiRecorder ui;
};

const char* index_box = "Array index out of bounds.";
const char* pointer_box = "Pointer out of bounds.";

TEST_F(ArrayTest, InitZeroFillsAndSetsBothViews) {
    Array* a = array_new(100);
    EXPECT_EQ(a->capacity, 100);
    EXPECT_EQ(a->count, 100);
    EXPECT_EQ(a->element_size, 1);
    for (int i = 0; i < 100; i++) EXPECT_EQ(a->bytes[i], 0);
    EXPECT_EQ(static_cast<void*>(a->text), a->storage);
    EXPECT_EQ(static_cast<void*>(a->int32s), a->storage);
    Array* t = array_new_elements(100, 4);
    EXPECT_EQ(t->capacity, 400);
    EXPECT_EQ(t->count, 100);
    EXPECT_EQ(t->element_size, 4);
    delete_arrays(a, t);
}

TEST_F(ArrayTest, SetCharAcceptsLastByteButSetCharAtDoesNot) {
    Array* a = array_new(100);
    array_set_char(a, 99, 'x');
    EXPECT_EQ(a->text[99], 'x');
    EXPECT_TRUE(ui.boxes.empty());

    array_set_char_at(a, a->text + 98, 'y');
    EXPECT_EQ(a->text[98], 'y');
    EXPECT_TRUE(ui.boxes.empty());

    array_set_char_at(a, a->text + 99, 'z');
    EXPECT_EQ(a->text[99], 'x');
    array_set_char(a, 100, 'z');
    array_set_char(a, -1, 'z');
    array_set_char_at(a, a->text + 100, 'z');
    array_set_char_at(a, a->text - 1, 'z');
    ASSERT_EQ(ui.boxes.size(), 5u);
    EXPECT_EQ(ui.boxes[0].text, pointer_box);
    EXPECT_EQ(ui.boxes[1].text, index_box);
    EXPECT_EQ(ui.boxes[2].text, index_box);
    EXPECT_EQ(ui.boxes[3].text, pointer_box);
    EXPECT_EQ(ui.boxes[4].text, pointer_box);
    for (const RecordedBox& b : ui.boxes) {
        EXPECT_EQ(b.caption, "libArrays");
        EXPECT_EQ(b.style, static_cast<unsigned>(UI_OK));
    }
    EXPECT_EQ(log_texts(),
              "libArrays: ptr out of bounds.|libArrays: array index out of bounds.|"
              "libArrays: array index out of bounds.|libArrays: ptr out of bounds.|"
              "libArrays: ptr out of bounds.|");
    delete_arrays(a);
}

TEST_F(ArrayTest, SetCharStoresTheLowByteOfSignedCharacters) {
    Array* a = array_new(4);
    array_set_char(a, 0, static_cast<char>(0xE9));
    array_set_char(a, 1, 0x141);
    EXPECT_EQ(a->bytes[0], 0xE9);
    EXPECT_EQ(a->bytes[1], 0x41);
    delete_arrays(a);
}

TEST_F(ArrayTest, Int32TableNeverWritesItsLastElement) {
    Array* t = array_new_elements(100, 4);
    array_set_int32(t, 0, 7);
    array_set_int32(t, 98, -5);
    EXPECT_TRUE(ui.boxes.empty());
    array_set_int32(t, 99, 1234);
    array_set_int32(t, -1, 1234);
    EXPECT_EQ(t->int32s[0], 7);
    EXPECT_EQ(t->int32s[98], -5);
    EXPECT_EQ(t->int32s[99], 0);
    EXPECT_NE(array_element(t, 99), nullptr);
    EXPECT_EQ(array_element(t, 100), nullptr);
    EXPECT_EQ(array_element(t, -1), nullptr);
    EXPECT_EQ(ui.box_texts(), (std::vector<std::string>{index_box, index_box}));
    delete_arrays(t);
}

TEST_F(ArrayTest, Int16TableNeverWritesItsLastElement) {
    Array* t = array_new_elements(10, 2);
    array_set_int16(t, 8, -2);
    array_set_int16(t, 9, 5);
    EXPECT_EQ(t->int16s[8], -2);
    EXPECT_EQ(t->int16s[9], 0);
    EXPECT_EQ(ui.box_texts(), (std::vector<std::string>{index_box}));
    delete_arrays(t);
}

TEST_F(ArrayTest, StoreElementRefusesTheLastElementSilently) {
    Array* t = array_new_elements(4, 8);
    const char record[8] = {'a', 'b', 'c', 'd', 'e', 'f', 'g', 'h'};
    EXPECT_EQ(array_store_element(t, 2, record), 0);
    EXPECT_EQ(std::memcmp(array_element(t, 2), record, 8), 0);
    EXPECT_EQ(array_store_element(t, 3, record), 0);
    EXPECT_EQ(array_store_element(t, -1, record), 0);
    EXPECT_EQ(t->bytes[24], 0);
    EXPECT_TRUE(ui.boxes.empty());
    EXPECT_EQ(log_texts(), "");
    delete_arrays(t);
}

TEST_F(ArrayTest, AppendCharStopsOneShortOfCapacityWithALogLineOnly) {
    Array* a = array_new(5);
    for (char c : std::string("abcdef")) array_append_char(a, c);
    EXPECT_STREQ(a->text, "abcd");
    EXPECT_TRUE(ui.boxes.empty());
    EXPECT_EQ(log_texts(), "libArrays: arrays is full.|libArrays: arrays is full.|");
    delete_arrays(a);
}

TEST_F(ArrayTest, AppendCharRunsIntoTheNextZeroAlreadyThere) {
    Array* a = array_new(10);
    array_copy(a, "abc");
    array_set_char(a, 4, 'X');  // "abc\0X"
    array_append_char(a, 'd');
    EXPECT_STREQ(a->text, "abcdX");
    delete_arrays(a);
}

TEST_F(ArrayTest, PrintfCutsAtCapacityLessOneAndSaysSo) {
    Array* a = array_new(100);
    std::string long_text(150, 'q');
    EXPECT_LT(array_printf(a, "%s", long_text.c_str()), 0);
    EXPECT_EQ(std::string(a->text), std::string(99, 'q'));
    EXPECT_EQ(a->text[99], 0);
    EXPECT_EQ(array_printf(a, "%s %i", "mm", 12), 5);
    EXPECT_STREQ(a->text, "mm 12");
    // Exactly capacity - 1 characters still fit.
    EXPECT_EQ(array_printf(a, "%s", std::string(99, 'r').c_str()), 99);
    EXPECT_EQ(a->text[98], 'r');
    EXPECT_EQ(a->text[99], 0);
    delete_arrays(a);
}

TEST_F(ArrayTest, PrintfLeavesALastByteWrittenByIndexAlone) {
    Array* a = array_new(10);
    array_set_char(a, 9, '!');
    EXPECT_LT(array_printf(a, "%s", "0123456789abc"), 0);
    EXPECT_EQ(std::string(a->text, 10), "012345678!");
    delete_arrays(a);
}

TEST_F(ArrayTest, PrintfAtWritesBehindAnOffset) {
    Array* a = array_new(10);
    array_copy(a, "abc");
    EXPECT_EQ(array_printf_at(a, 3, "%s", "def"), 3);
    EXPECT_STREQ(a->text, "abcdef");
    EXPECT_LT(array_printf_at(a, 6, "%s", "ghijk"), 0);
    EXPECT_STREQ(a->text, "abcdefghi");
    EXPECT_LT(array_printf_at(a, 9, "%s", "x"), 0);
    EXPECT_LT(array_printf_at(a, 20, "%s", "x"), 0);
    EXPECT_LT(array_printf_at(a, -1, "%s", "x"), 0);
    EXPECT_STREQ(a->text, "abcdefghi");
    delete_arrays(a);
}

TEST_F(ArrayTest, FitCountsTheRoomLeft) {
    Array* a = array_new(100);
    EXPECT_EQ(array_fit(a, 10, 95), 4);
    EXPECT_EQ(array_fit(a, 10, 120), 0);
    EXPECT_EQ(array_fit(a, 10, 0), 10);
    EXPECT_EQ(array_fit(a, 200, 0), 99);
    delete_arrays(a);
}

TEST_F(ArrayTest, BoundedCopiesStayTerminated) {
    Array* a = array_new(8);
    array_copy(a, "a long text indeed");
    EXPECT_STREQ(a->text, "a long ");
    array_copy_at(a, 2, "XYZWVUT", 7);
    EXPECT_STREQ(a->text, "a XYZWV");
    array_copy_at(a, 0, "pq", 1);
    EXPECT_STREQ(a->text, "p XYZWV");
    delete_arrays(a);
}

TEST_F(ArrayTest, ChopAndClear) {
    Array* a = array_new(10);
    array_chop(a);
    EXPECT_STREQ(a->text, "");
    array_copy(a, "abc\r");
    array_chop(a);
    EXPECT_STREQ(a->text, "abc");
    array_clear(a);
    for (int i = 0; i < 10; i++) EXPECT_EQ(a->bytes[i], 0);
    delete_arrays(a);
}

TEST_F(ArrayTest, StringListGetAndSetCheckTheCount) {
    StringList* list = string_list_new(3, 20);
    EXPECT_NE(string_list_get(list, 2), nullptr);
    EXPECT_EQ(string_list_get(list, 3), nullptr);
    EXPECT_EQ(string_list_get(list, -1), nullptr);
    Array* replacement = array_new(20);
    string_list_set(list, 3, replacement);
    EXPECT_EQ(ui.box_texts(), (std::vector<std::string>{index_box, index_box, index_box}));
    Array* old = string_list_get(list, 1);
    string_list_set(list, 1, replacement);
    EXPECT_EQ(string_list_get(list, 1), replacement);
    delete_arrays(old);  // the list does not release a replaced entry
    string_list_release(list);
    delete list;
}

TEST_F(ArrayTest, StringListAssignCopyAndClearAreBounded) {
    StringList* list = string_list_new(2, 6);
    const char* names[] = {"inbox", "sent items", "drafts"};
    string_list_assign(list, names, 3);
    EXPECT_STREQ(list->items[0]->text, "inbox");
    EXPECT_STREQ(list->items[1]->text, "sent ");

    StringList* wide = string_list_new(3, 20);
    string_list_assign(wide, names, 3);
    StringList* narrow = string_list_new(4, 4);
    string_list_copy(narrow, wide);
    EXPECT_STREQ(narrow->items[0]->text, "inb");
    EXPECT_STREQ(narrow->items[2]->text, "dra");
    EXPECT_STREQ(narrow->items[3]->text, "");

    string_list_clear(wide);
    EXPECT_STREQ(wide->items[1]->text, "");
    for (StringList* l : {list, wide, narrow}) {
        string_list_release(l);
        delete l;
    }
}

TEST_F(ArrayTest, DeleteArraysStopsAtTheFirstNull) {
    Array* a = array_new(4);
    Array* kept = array_new(4);
    delete_arrays(a, static_cast<Array*>(nullptr), kept);
    EXPECT_EQ(kept->capacity, 4);  // still alive: the walk ended at the null
    delete_arrays(kept);
    void* p = xmalloc(10);
    void* q = xmalloc(0);
    free_all(p, q);
}

TEST_F(ArrayTest, XmallocZeroFills) {
    auto* p = static_cast<unsigned char*>(xmalloc(4096));
    for (int i = 0; i < 4096; i++) ASSERT_EQ(p[i], 0);
    free_all(p);
}

int print_box(WindowRef, const char* text, const char* caption, unsigned) {
    std::fprintf(stderr, "box <%s> <%s>\n", caption, text);
    return UI_ANSWER_OK;
}

TEST(XmallocDeathTest, FailureTellsTheUserAndEndsTheProgram) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    static const UiServices printing = quiet_ui_services(print_box);
    EXPECT_EXIT(
        {
            ui_install(&printing);
            volatile size_t huge = SIZE_MAX / 2;
            xmalloc(huge);
            std::fprintf(stderr, "returned\n");
            std::exit(3);
        },
        ::testing::ExitedWithCode(0), "box <Zenth Mail> <Insufficient memory!>");
}

}  // namespace
