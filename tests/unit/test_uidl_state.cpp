// The file of unique-ids a mailbox has given the client: what a crash can
// leave of it, and what loading and the next change make of that.
#include <algorithm>
#include <filesystem>
#include <string>

#include "store/imap_state.h"
#include "store/uidl_state.h"
#include "tests/unit/test_support.h"

namespace fs = std::filesystem;

namespace {

const char* const server = "pop.example.test:110";
const char* const user = "alice";
const std::string head = "Server: pop.example.test:110\r\nUser: alice\r\n";

class UidlStateTest : public FolderTest {
protected:
    // The folder of the state files, as the first record of a mailbox makes it.
    void SetUp() override {
        FolderTest::SetUp();
        fs::create_directories(folder_ / "uidl");
    }
    fs::path file() {
        std::string p = uidl_state_path(server, user);
        std::replace(p.begin(), p.end(), '\\', '/');
        return folder_ / p;
    }
    UidlState loaded() {
        UidlState state;
        EXPECT_EQ(uidl_state_load(&state, server, user), 0);
        return state;
    }
};

TEST_F(UidlStateTest, TheFileNamesItsMailboxAndHoldsOneIdALine) {
    UidlState state = loaded();
    EXPECT_FALSE(fs::exists(file()));
    ASSERT_EQ(uidl_state_record(&state, "aaa"), 0);
    ASSERT_EQ(uidl_state_record(&state, std::string(70, '~')), 0);
    EXPECT_EQ(read_file(file()), head + "aaa\r\n" + std::string(70, '~') + "\r\n");
    EXPECT_EQ(loaded().seen.size(), 2u);
    // Another user of the same server is another mailbox.
    EXPECT_NE(uidl_state_path(server, "bob"), uidl_state_path(server, user));
    EXPECT_NE(uidl_state_path("pop.example.test:11", "0alice"), uidl_state_path(server, user));
}

// An append that a power cut left short: its line counts for nothing, and
// the next change writes the file anew without it, never ending it into a
// line that could read as another message's id.
TEST_F(UidlStateTest, ALastLineWithoutItsLineEndIsPassedOverAndDropped) {
    write_file(file(), head + "1\r\n12");
    UidlState state = loaded();
    EXPECT_TRUE(state.seen.contains("1"));
    EXPECT_FALSE(state.seen.contains("12"));
    ASSERT_EQ(uidl_state_record(&state, "3"), 0);
    EXPECT_EQ(read_file(file()), head + "1\r\n3\r\n");
    EXPECT_FALSE(fs::exists(file().string() + ".new"));
    // A listing that drops nothing still drops the cut line.
    write_file(file(), head + "1\r\n12");
    state = loaded();
    ASSERT_EQ(uidl_state_keep_only(&state, {"1", "12"}), 0);
    EXPECT_EQ(read_file(file()), head + "1\r\n");
}

// A rewrite killed half-way leaves its scratch file beside the state; the
// state file itself is the old one, whole, and the next rewrite replaces
// both.
TEST_F(UidlStateTest, ARewriteCutShortLeavesTheOldFileWhole) {
    write_file(file(), head + "a\r\nb\r\nc\r\n");
    write_file(file().string() + ".new", head + "a\r");
    UidlState state = loaded();
    EXPECT_EQ(state.seen.size(), 3u);
    ASSERT_EQ(uidl_state_keep_only(&state, {"c", "d", "a"}), 0);
    EXPECT_EQ(read_file(file()), head + "c\r\na\r\n");  // the server's order
    EXPECT_FALSE(fs::exists(file().string() + ".new"));
    // Nothing dropped: the file is not written at all.
    auto written = fs::last_write_time(file());
    write_file(file().string() + ".new", "stale");
    ASSERT_EQ(uidl_state_keep_only(&state, {"a", "c"}), 0);
    EXPECT_EQ(fs::last_write_time(file()), written);
}

TEST_F(UidlStateTest, ARewriteThatCannotBeWrittenKeepsTheOldFile) {
    write_file(file(), head + "a\r\nb\r\n");
    fs::create_directories(file().string() + ".new");  // no scratch file can be made
    UidlState state = loaded();
    EXPECT_EQ(uidl_state_keep_only(&state, {"a"}), -1);
    EXPECT_EQ(read_file(file()), head + "a\r\nb\r\n");
}

// Two mailboxes with one hash: the file of the other is left as it is, and
// this one records nothing.
TEST_F(UidlStateTest, AFileOfAnotherMailboxIsLeftAlone) {
    const std::string theirs = "Server: elsewhere:110\r\nUser: carol\r\nzzz\r\n";
    write_file(file(), theirs);
    UidlState state = loaded();
    EXPECT_TRUE(state.foreign);
    EXPECT_TRUE(state.seen.empty());
    EXPECT_EQ(uidl_state_record(&state, "aaa"), 0);
    EXPECT_EQ(uidl_state_keep_only(&state, {"aaa"}), 0);
    EXPECT_EQ(read_file(file()), theirs);
}

TEST_F(UidlStateTest, IdsAreOneToSeventyPrintableCharacters) {
    EXPECT_TRUE(uidl_id_valid("!"));
    EXPECT_TRUE(uidl_id_valid(std::string(70, '~')));
    EXPECT_FALSE(uidl_id_valid(""));
    EXPECT_FALSE(uidl_id_valid(std::string(71, 'a')));
    EXPECT_FALSE(uidl_id_valid("a b"));
    EXPECT_FALSE(uidl_id_valid("a\x7f"));
    EXPECT_FALSE(uidl_id_valid("\xe9t\xe9"));
}

// An IMAP folder's state: a file of its own beside the mailbox's POP3 ids,
// one per folder, replaced whole; a file that is not exactly this folder's
// two numbers is refused and never overwritten.
TEST_F(UidlStateTest, AnImapFolderKeepsItsUidvalidityAndHighestUid) {
    ImapState inbox, archive;
    ASSERT_EQ(imap_state_load(&inbox, server, user, "INBOX"), 0);
    ASSERT_EQ(imap_state_load(&archive, server, user, "Archive"), 0);
    EXPECT_NE(inbox.path, archive.path);
    EXPECT_NE(inbox.path, uidl_state_path(server, user));
    EXPECT_TRUE(inbox.path.ends_with(".imap")) << inbox.path;
    EXPECT_EQ(inbox.uidvalidity, 0u);
    ASSERT_EQ(imap_state_record(&inbox, 4294967295u, 17), 0);
    ASSERT_EQ(imap_state_record(&inbox, 4294967295u, 18), 0);
    std::string p = inbox.path;
    std::replace(p.begin(), p.end(), '\\', '/');
    // Written whole when new, then one line appended a message.
    const std::string whole = head + "Folder: INBOX\r\nUIDVALIDITY 4294967295\r\nUID 17\r\n";
    EXPECT_EQ(read_file(folder_ / p), whole + "UID 18\r\n");
    inbox = ImapState{};
    ImapState again;
    ASSERT_EQ(imap_state_load(&again, server, user, "INBOX"), 0);
    EXPECT_EQ(again.uidvalidity, 4294967295u);
    EXPECT_EQ(again.highest, 18u);
    EXPECT_FALSE(fs::exists(folder_ / (p + ".new")));
    // An append cut short by a crash: the piece is passed over, and the
    // next record writes the file whole; so does a new UIDVALIDITY.
    write_file(folder_ / p, whole + "UID 1");
    ASSERT_EQ(imap_state_load(&again, server, user, "INBOX"), 0);
    EXPECT_EQ(again.highest, 17u);
    ASSERT_EQ(imap_state_record(&again, 4294967295u, 19), 0);
    EXPECT_EQ(read_file(folder_ / p), head + "Folder: INBOX\r\nUIDVALIDITY 4294967295\r\nUID 19\r\n");
    ASSERT_EQ(imap_state_record(&again, 5, 2), 0);
    EXPECT_EQ(read_file(folder_ / p), head + "Folder: INBOX\r\nUIDVALIDITY 5\r\nUID 2\r\n");
    again = ImapState{};
    for (const std::string& bad : {whole.substr(0, whole.size() - 1), whole + "UID 16\r\n", whole + "UID 18\r\nUIDX\r\n",
                                   head + "Folder: Archive\r\nUIDVALIDITY 1\r\nUID 18\r\n",
                                   head + "Folder: INBOX\r\nUIDVALIDITY 4294967296\r\nUID 18\r\n",
                                   head + "Folder: INBOX\r\nUIDVALIDITY \r\nUID 18\r\n"}) {
        write_file(folder_ / p, bad);
        EXPECT_EQ(imap_state_load(&again, server, user, "INBOX"), -1) << bad;
    }
}

}  // namespace
