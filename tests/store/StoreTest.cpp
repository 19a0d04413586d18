#include "store/Store.h"

#include "../xml/TempDir.h"

#include <gtest/gtest.h>

#include <SQLiteCpp/Statement.h>

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <deque>
#include <fstream>
#include <string>

namespace {

// A channel record built by hand; its texts live in the builder.
struct TChannelBuilder {
    std::deque<std::string> texts;
    TRSS channel;

    std::string_view Keep(std::string text) { return texts.emplace_back(std::move(text)); }
    TChannelBuilder& Item(std::string title, std::string guid, std::string link, double date,
                          std::string description = "text") {
        TRSSItem& item = channel.News.emplace_back();
        item.Title = Keep(std::move(title));
        item.Guid = Keep(std::move(guid));
        item.Link = Keep(std::move(link));
        item.Description = Keep(std::move(description));
        item.Date = date;
        return *this;
    }
};

const std::string kAddress = "https://example.org/feed";
constexpr std::int64_t kDay = 86400;
constexpr std::int64_t kStart = 1'800'000'000;

class StoreTest : public ::testing::Test {
protected:
    TempDir dir;
    std::string path = dir.PathOf("nemara.db");

    std::unique_ptr<SQLite::Database> Open() {
        TStoreOpening opening;
        auto db = OpenStoreForWriting(path, opening);
        EXPECT_TRUE(opening.KeptAs.empty()) << opening.Reason;
        return db;
    }
    static int Unread(SQLite::Database& db) { return ChannelSummary(db, kAddress).Unread; }
};

// Feeds rewrite dates and texts and repeat guids: none of that may bring an
// item back as new, or lose a mark.
TEST_F(StoreTest, AnItemKeepsItsIdentityAndMarksWhenTheFeedRewritesIt) {
    auto db = Open();
    TChannelBuilder first;
    first.Item("One", "g1", "https://e/1", 46000)
        .Item("Two", "g2", "https://e/2", 46001)
        .Item("Repeat A", "dup", "https://e/a", 46002)
        .Item("Repeat B", "dup", "https://e/b", 46002)
        .Item("Repeat B again", "dup", "https://e/b", 46002)  // a duplicate: collapsed
        .Item("No guid", "", "https://e/3", kNoDate);
    TMergeResult merged = MergeChannel(*db, kAddress, TChannelFormat::cfRss, first.channel, kStart);
    EXPECT_EQ(merged.New, 5);
    EXPECT_EQ(Unread(*db), 5);

    std::vector<TStoredRow> rows = ChannelRows(*db, kAddress);
    ASSERT_EQ(rows.size(), 5u);
    // Newest first; among one date, the item higher in the feed first; no date last.
    EXPECT_EQ(rows[0].Title, "Repeat A");
    EXPECT_EQ(rows[1].Title, "Repeat B");
    EXPECT_EQ(rows[4].Title, "No guid");
    MarkRead(*db, {rows[0].Id, rows[2].Id}, true);
    MarkStarred(*db, {rows[2].Id}, true);

    TChannelBuilder second;
    std::string html;
    for (int i = 0; i < 40; ++i)
        html += "<p>Paragraph " + std::to_string(i) + " of the corrected text.</p>";
    second.Item("One, corrected", "g1", "https://e/1?utm=x", 46010, html)
        .Item("Repeat A", "dup", "https://e/a", 46020)
        .Item("Repeat B", "dup", "https://e/b", 46002)
        .Item("No guid", "", "https://e/3", kNoDate);
    merged = MergeChannel(*db, kAddress, TChannelFormat::cfRss, second.channel, kStart + kDay);
    EXPECT_EQ(merged.New, 0);
    EXPECT_EQ(merged.Updated, 2);
    EXPECT_EQ(Unread(*db), 3);  // "Two" left the feed and stays, still unread

    rows = ChannelRows(*db, kAddress);
    ASSERT_EQ(rows.size(), 5u);
    EXPECT_EQ(rows[0].Title, "Repeat A");
    EXPECT_TRUE(rows[0].Read);
    EXPECT_EQ(rows[1].Title, "One, corrected");
    TStoredItem one;
    ASSERT_TRUE(StoredItem(*db, rows[1].Id, one));
    EXPECT_EQ(one.Description, html);
    EXPECT_EQ(one.Link, "https://e/1?utm=x");
}

// An item that left the feed 90 days ago goes, unless starred, and its key
// stays: when the feed shows it again it is not new.
TEST_F(StoreTest, AnExpiredItemNeverComesBackAsNew) {
    auto db = Open();
    TChannelBuilder both;
    both.Item("Kept", "k", "", 46000).Item("Starred", "s", "", 46000).Item("Gone", "g", "", 46000);
    MergeChannel(*db, kAddress, TChannelFormat::cfRss, both.channel, kStart);
    std::vector<TStoredRow> rows = ChannelRows(*db, kAddress);
    for (const TStoredRow& row : rows)
        if (row.Title == "Starred")
            MarkStarred(*db, {row.Id}, true);

    TChannelBuilder kept;
    kept.Item("Kept", "k", "", 46000);
    MergeChannel(*db, kAddress, TChannelFormat::cfRss, kept.channel, kStart + kDay);
    EXPECT_EQ(ChannelRows(*db, kAddress).size(), 3u);
    EXPECT_EQ(MergeChannel(*db, kAddress, TChannelFormat::cfRss, kept.channel, kStart + 92 * kDay).Expired,
              1);
    ASSERT_EQ(ChannelRows(*db, kAddress).size(), 2u);

    const TMergeResult back =
        MergeChannel(*db, kAddress, TChannelFormat::cfRss, both.channel, kStart + 93 * kDay);
    EXPECT_EQ(back.New, 0);
    EXPECT_EQ(ChannelRows(*db, kAddress).size(), 2u);
}

// Marks are synced as they are written; a reopened store has them, and a
// failed fetch keeps its reason without touching the items.
TEST_F(StoreTest, MarksAndFailuresSurviveAReopen) {
    {
        auto db = Open();
        TChannelBuilder feed;
        feed.Item("A", "a", "", 46000).Item("B", "b", "", 46001).Item("C", "c", "", 46002);
        MergeChannel(*db, kAddress, TChannelFormat::cfAtom, feed.channel, kStart);
        const std::vector<TStoredRow> rows = ChannelRows(*db, kAddress);
        MarkRead(*db, {rows[0].Id, rows[1].Id}, true);
        MarkRead(*db, {rows[1].Id}, false);
        NoteFailure(*db, kAddress, "The server answered 404 Not Found", kStart + 10);
        MarkChannelRead(*db, "https://other.example/");
    }
    auto db = OpenStoreForReading(path);
    const TChannelSummary summary = ChannelSummary(*db, kAddress);
    EXPECT_EQ(summary.Unread, 2);
    EXPECT_EQ(summary.Format, TChannelFormat::cfAtom);
    EXPECT_EQ(summary.Failure, "The server answered 404 Not Found");
    EXPECT_EQ(ChannelItems(*db, kAddress).size(), 3u);
}

// A file that is no store, or fails its check, goes aside whole and a new
// store starts; the next broken one takes the next free name.
TEST_F(StoreTest, ABrokenStoreIsKeptAsideAndANewOneStarts) {
    for (const std::string expected : {".broken", ".broken.1"}) {
        std::ofstream(path, std::ios::binary) << std::string(8192, 'x');
        TStoreOpening opening;
        auto db = OpenStoreForWriting(path, opening);
        EXPECT_EQ(opening.KeptAs, path + expected);
        EXPECT_FALSE(opening.Reason.empty());
        EXPECT_EQ(ChannelSummaries(*db).size(), 0u);
        std::ifstream kept(opening.KeptAs, std::ios::binary);
        EXPECT_EQ(std::string(std::istreambuf_iterator<char>(kept), {}), std::string(8192, 'x'));
    }
    // A channel the list no longer has goes with its items.
    auto db = Open();
    TChannelBuilder feed;
    feed.Item("A", "a", "", 46000);
    MergeChannel(*db, kAddress, TChannelFormat::cfRss, feed.channel, kStart);
    MergeChannel(*db, "https://kept.example/", TChannelFormat::cfRss, feed.channel, kStart);
    ForgetUnlisted(*db, {"https://kept.example/"});
    EXPECT_EQ(ChannelSummaries(*db).size(), 1u);
    EXPECT_EQ(db->execAndGet("SELECT count(*) FROM item").getInt(), 1);
}

// A process killed at any moment of a merge leaves the store as it was
// before the merge or after it, never between.
TEST_F(StoreTest, AMergeKilledAtAnyMomentLeavesTheOldOrTheNewStore) {
    TChannelBuilder feed;
    for (int i = 0; i < 4000; ++i)
        feed.Item("Item " + std::to_string(i), "g" + std::to_string(i), "", 46000 + i % 50,
                  std::string(300, 'd'));
    Open().reset();
    for (int round = 0; round < 12; ++round) {
        const pid_t child = ::fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            // Each merge either adds all 4000 items of a fresh channel or none.
            TStoreOpening opening;
            auto db = OpenStoreForWriting(path, opening);
            for (int n = 0;; ++n)
                MergeChannel(*db, "https://e/" + std::to_string(round) + "/" + std::to_string(n),
                             TChannelFormat::cfRss, feed.channel, kStart);
        }
        ::usleep(static_cast<useconds_t>(20000 + round * 17000));
        ::kill(child, SIGKILL);
        ::waitpid(child, nullptr, 0);
        auto db = OpenStoreForReading(path);
        EXPECT_EQ(db->execAndGet("PRAGMA quick_check").getString(), "ok");
        SQLite::Statement counts(*db, "SELECT channel, count(*) FROM item GROUP BY channel");
        while (counts.executeStep())
            ASSERT_EQ(counts.getColumn(1).getInt(), 4000) << "round " << round;
    }
}

}  // namespace
