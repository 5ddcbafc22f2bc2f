// The bounded file search: a match counts only when it begins at or before
// the limit, wherever the file's reads happen to be cut.
#include "core/find_in_file.h"
#include "tests/unit/test_support.h"

namespace {

class FindWithinTest : public FolderTest {};

TEST_F(FindWithinTest, MatchesUpToTheLimitOnly) {
    std::string bytes = std::string(5000, 'a') + "\r\nSubject" + std::string(5000, 'b') + "\r\nsubject";
    write_file(folder_ / "f", bytes);
    int64_t at = 0;
    ASSERT_EQ(find_in_file_within("f", "\r\nSUBJECT", &at, 5000, false), 1);
    EXPECT_EQ(at, 5000);
    at = 0;
    EXPECT_EQ(find_in_file_within("f", "\r\nSUBJECT", &at, 4999, false), 0);
    EXPECT_EQ(at, 0);
    at = 5001;
    ASSERT_EQ(find_in_file_within("f", "\r\nsubject", &at, 1 << 30, false), 1);
    EXPECT_EQ(at, static_cast<int64_t>(bytes.size() - 9));
    at = 0;
    EXPECT_EQ(find_in_file_within("f", "\r\nsubject", &at, 1 << 30, true), 1);
    EXPECT_EQ(at, static_cast<int64_t>(bytes.size() - 9));
    EXPECT_EQ(find_in_file_within("missing", "x", &at, 10, true), -1);
}

TEST_F(FindWithinTest, MatchesAcrossEveryReadBoundaryAndZeroBytes) {
    for (size_t pad : {4090u, 4091u, 4095u, 4096u, 4097u, 8190u}) {
        std::string bytes = std::string(pad, '\0') + "needle";
        write_file(folder_ / "f", bytes);
        int64_t at = 0;
        ASSERT_EQ(find_in_file_within("f", "needle", &at, static_cast<int64_t>(pad), true), 1) << pad;
        EXPECT_EQ(at, static_cast<int64_t>(pad));
        at = 0;
        EXPECT_EQ(find_in_file_within("f", "\x14needle", &at, 1 << 20, true), 1) << pad;
    }
}

}  // namespace
