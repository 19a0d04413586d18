// nemara-dump run as a program: its exit status, its standard error and
// the JSON on its standard output, read back with a JSON parser.
#include "feed/Feed.h"
#include "store/Store.h"
#include "support/TestHttpServer.h"

#include <SQLiteCpp/Transaction.h>
#include <nlohmann/json.hpp>

#include <gtest/gtest.h>

#include <fcntl.h>
#include <netinet/in.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <chrono>
#include <csignal>
#include <fstream>
#include <functional>
#include <iterator>
#include <thread>
#include <map>
#include <optional>
#include <string>
#include <vector>

extern char** environ;

namespace fs = std::filesystem;
using nlohmann::json;

namespace {

const char kRss[] = R"(<?xml version="1.0" encoding="utf-8"?>
<rss version="2.0">
  <channel>
    <title>Wiadomości "dnia"</title>
    <link>http://example.pl/</link>
    <description>Co słychać</description>
    <language>pl</language>
    <item>
      <category>kraj</category>
      <title>Pierwsza</title>
      <description>Line one
line two</description>
      <link>http://example.pl/1</link>
      <guid>g1</guid>
      <pubDate>Mon, 07 Dec 2026 22:03:49 GMT</pubDate>
      <enclosure url="http://example.pl/1.mp3" length="1234567" type="audio/mpeg"/>
    </item>
    <item>
      <category>świat</category>
      <title>Druga</title>
      <description>Second</description>
      <link>http://example.pl/2</link>
      <pubDate>Tue, 01 Mar 2011 08:00:00 GMT</pubDate>
    </item>
  </channel>
</rss>
)";

const json kRssJson = {
    {"format", "rss"},
    {"encoding", "utf-8"},
    {"title", "Wiadomości \"dnia\""},
    {"link", "http://example.pl/"},
    {"description", "Co słychać"},
    {"language", "pl"},
    {"items",
     {{{"category", "kraj"},
       {"title", "Pierwsza"},
       {"description", "Line one line two"},
       {"link", "http://example.pl/1"},
       {"guid", "g1"},
       {"date", "2026-12-07"},
       {"enclosures", {{{"url", "http://example.pl/1.mp3"}, {"type", "audio/mpeg"}, {"length", 1234567}}}}},
      {{"category", "świat"},
       {"title", "Druga"},
       {"description", "Second"},
       {"link", "http://example.pl/2"},
       {"guid", ""},
       {"date", "2011-03-01"},
       {"enclosures", json::array()}}}},
};

// "Łódź" and "Zażółć" in ISO-8859-2 bytes.
const char kIsoRss[] =
    "<?xml version=\"1.0\" encoding=\"ISO-8859-2\"?>\n"
    "<rss><channel><title>\xA3\xF3\x64\xBC</title><link>http://lodz.pl/</link>"
    "<item><category>\xA3\xF3\x64\xBC</category><title>Za\xBF\xF3\xB3\xE6</title><description>d</description>"
    "<link>http://lodz.pl/1</link><pubDate>Sat, 29 Feb 2020 12:00:00 +0100</pubDate></item>"
    "</channel></rss>";

const char kAtom[] = R"(<?xml version="1.0" encoding="utf-8"?>
<feed xmlns="http://www.w3.org/2005/Atom">
  <title>Atom channel</title>
  <link>http://example.org/</link>
  <entry>
    <title>Entry one</title>
    <summary>Summary one</summary>
    <link>http://example.org/1</link>
    <id>urn:1</id>
    <updated>2026-12-07T22:03:49Z</updated>
  </entry>
</feed>
)";

struct DumpRun {
    int status = -1;
    int signal = 0;  // the signal that ended the tool, if one did
    std::string out;
    std::string err;
};

std::string ReadAll(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

void WriteAll(const fs::path& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary) << bytes;
}

int ClosedPort() {
    int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    ::bind(fd, reinterpret_cast<sockaddr*>(&address), length);
    ::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length);
    ::close(fd);
    return ntohs(address.sin_port);
}

class NemaraDump : public testing::Test {
protected:
    void SetUp() override {
        for (const char* name : {"http_proxy", "HTTP_PROXY", "https_proxy", "HTTPS_PROXY", "all_proxy",
                                 "ALL_PROXY", "no_proxy", "NO_PROXY"})
            ::unsetenv(name);
        std::string pattern = (fs::temp_directory_path() / "nemara-dump-test-XXXXXX").string();
        ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
        dir_ = pattern;
        fs::create_directory(TempDir());
    }
    void TearDown() override {
        std::error_code ignored;
        fs::remove_all(dir_, ignored);
    }

    // The program's own temporary folder: empty unless it left a file behind.
    fs::path TempDir() const { return dir_ / "tmp"; }

    std::string File(const std::string& name, const std::string& bytes) {
        fs::path path = dir_ / name;
        WriteAll(path, bytes);
        return path.string();
    }

    // Runs nemara-dump with the arguments; env adds to (or, with nullopt,
    // removes from) the environment of this process.
    // meanwhile, when given, runs while the tool runs. With pipedOutput its
    // standard output is a pipe that nobody reads (closed at once).
    DumpRun Dump(const std::vector<std::string>& args,
                 const std::map<std::string, std::optional<std::string>>& env = {{"LC_ALL", "C"}},
                 const std::function<void(pid_t)>& meanwhile = {}, bool pipedOutput = false) {
        std::map<std::string, std::string> vars;
        for (char** e = environ; *e; ++e) {
            std::string entry = *e;
            auto eq = entry.find('=');
            vars[entry.substr(0, eq)] = eq == std::string::npos ? "" : entry.substr(eq + 1);
        }
        vars["TMPDIR"] = TempDir().string();
        for (const auto& [name, value] : env) {
            if (value)
                vars[name] = *value;
            else
                vars.erase(name);
        }
        std::vector<std::string> envStrings;
        for (const auto& [name, value] : vars)
            envStrings.push_back(name + "=" + value);
        std::vector<char*> envp;
        for (auto& s : envStrings)
            envp.push_back(s.data());
        envp.push_back(nullptr);

        std::vector<std::string> argStrings{NEMARA_DUMP};
        argStrings.insert(argStrings.end(), args.begin(), args.end());
        std::vector<char*> argv;
        for (auto& s : argStrings)
            argv.push_back(s.data());
        argv.push_back(nullptr);

        const std::string out = (dir_ / "stdout").string(), err = (dir_ / "stderr").string();
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        int pipeEnds[2] = {-1, -1};
        if (pipedOutput && ::pipe(pipeEnds) == 0) {
            posix_spawn_file_actions_adddup2(&actions, pipeEnds[1], 1);
            posix_spawn_file_actions_addclose(&actions, pipeEnds[0]);
            posix_spawn_file_actions_addclose(&actions, pipeEnds[1]);
        } else {
            posix_spawn_file_actions_addopen(&actions, 1, out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        }
        posix_spawn_file_actions_addopen(&actions, 2, err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        pid_t pid = 0;
        DumpRun run;
        int spawned = posix_spawn(&pid, NEMARA_DUMP, &actions, nullptr, argv.data(), envp.data());
        posix_spawn_file_actions_destroy(&actions);
        if (pipedOutput) {
            ::close(pipeEnds[0]);
            ::close(pipeEnds[1]);
        }
        if (spawned == 0 && meanwhile)
            meanwhile(pid);
        if (spawned != 0) {
            ADD_FAILURE() << "cannot start " << NEMARA_DUMP;
            return run;
        }
        int status = 0;
        ::waitpid(pid, &status, 0);
        run.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
        run.signal = WIFSIGNALED(status) ? WTERMSIG(status) : 0;
        run.out = ReadAll(out);
        run.err = ReadAll(err);
        return run;
    }

    static void ExpectJson(const DumpRun& run, const json& expected) {
        EXPECT_EQ(run.status, 0);
        EXPECT_EQ(run.err, "");
        ASSERT_TRUE(json::accept(run.out)) << run.out;
        EXPECT_EQ(json::parse(run.out), expected);
    }

    TestHttpServer server;
    fs::path dir_;
};

}  // namespace

TEST_F(NemaraDump, PrintsAChannelFromAFileAndFromTheServer) {
    ExpectJson(Dump({File("feed.xml", kRss)}), kRssJson);

    server.Serve("/rss", 200, kRss);
    ExpectJson(Dump({server.Url("/rss")}), kRssJson);
    EXPECT_EQ(server.Requests().size(), 1u);

    // A site's page gives the feed it links to, and the tool says which.
    server.Serve(
        "/blog/", 200,
        "<!DOCTYPE html><html><head><link rel=stylesheet href=a.css>"
        "<link rel=\"alternate\" type=\"application/rss+xml\" href=\"../rss\"></head><body><p>Hi</body>",
        {{"Content-Type", "text/html; charset=utf-8"}});
    const DumpRun page = Dump({server.Url("/blog/")});
    EXPECT_EQ(page.status, 0);
    EXPECT_EQ(page.err, "Found the feed at " + server.Url("/rss") + "\n");
    EXPECT_EQ(json::parse(page.out), kRssJson);
    // The download went into a file of its own, removed afterwards.
    EXPECT_TRUE(fs::is_empty(TempDir()));

    // A file:// address names a file, as the window keeps it. Instructions
    // with free text between the items are well-formed; an empty encoding
    // name declares none, so a reference gives its UTF-8 character.
    std::string odd = kRss;
    odd.replace(odd.find("encoding=\"utf-8\""), 16, "encoding=\"\"");
    odd.insert(odd.find("<item>"), "<?pi 0?><?foo bar?>");
    const std::string words = "Co słychać";
    odd.replace(odd.find(words), words.size(), "Co s&#x142;ycha&#x107;");
    json expected = kRssJson;
    expected["encoding"] = "";
    std::string address = "file://" + File("odd feed.xml", odd);
    address.replace(address.find(' '), 1, "%20");
    ExpectJson(Dump({address}), expected);
}

TEST_F(NemaraDump, ConvertsEveryTextToUtf8) {
    DumpRun run = Dump({File("iso.xml", kIsoRss)});
    ASSERT_EQ(run.status, 0) << run.err;
    json channel = json::parse(run.out);
    EXPECT_EQ(channel["encoding"], "ISO-8859-2");
    EXPECT_EQ(channel["title"], "Łódź");
    EXPECT_EQ(channel["items"][0]["category"], "Łódź");
    EXPECT_EQ(channel["items"][0]["title"], "Zażółć");
    EXPECT_EQ(channel["items"][0]["date"], "2020-02-29");

    // One feed for each family of scripts: the text arrives whole.
    const struct {
        const char* encoding;
        std::string title;
        const char* expected;
    } feeds[] = {
        {"iso-8859-1",
         "Fran\xE7"
         "ais \xE0 \xE8 \xEA, \xF1, \xE5 \xF8",
         "Français à è ê, ñ, å ø"},
        // A character reference is Unicode's, whatever the encoding.
        {"windows-1251", "\xCD\xEE\xE2\xEE\xF1\xF2\xE8 &#8212; &#x1F4F0;", "Новости — 📰"},
        {"utf-8", "日本語のニュース 🎉", "日本語のニュース 🎉"},
    };
    for (const auto& feed : feeds) {
        const std::string text = std::string("<?xml version=\"1.0\" encoding=\"") + feed.encoding +
                                 "\"?><rss><channel><item><title>" + feed.title +
                                 "</title></item></channel></rss>";
        run = Dump({File("script.xml", text)});
        ASSERT_EQ(run.status, 0) << run.err;
        EXPECT_EQ(json::parse(run.out)["items"][0]["title"], feed.expected) << feed.encoding;
        EXPECT_EQ(json::parse(run.out)["encoding"], feed.encoding);
    }
}

TEST_F(NemaraDump, AtomDatesFollowTheLcTimeLocaleElseRfc3339) {
    const std::string feed = File(
        "atom.xml", "<feed><entry><updated>2026-12-07T22:03:49Z</updated></entry>"
                    "<entry><updated>12/07/2026</updated></entry><entry><updated>x</updated></entry></feed>");
    const auto dates = [](const DumpRun& run) {
        std::string all;
        const json channel = json::parse(run.out);
        for (const auto& item : channel["items"])
            all += item["date"].get<std::string>() + ";";
        return all;
    };
    DumpRun c = Dump({feed}, {{"LC_ALL", "C"}});
    ASSERT_EQ(c.status, 0) << c.err;
    EXPECT_EQ(dates(c), "2026-12-07;2026-12-07;;");

    // A locale whose short date format is year-month-day with "-", compiled
    // into a folder of the test's own.
    if (!fs::exists("/usr/share/i18n/locales/sv_SE"))
        GTEST_SKIP() << "no locale sources";
    const fs::path locales = dir_ / "locales";
    fs::create_directory(locales);
    const std::string command =
        "localedef -i sv_SE -f UTF-8 '" + (locales / "sv_SE.UTF-8").string() + "' >/dev/null 2>&1";
    (void)std::system(command.c_str());
    if (!fs::exists(locales / "sv_SE.UTF-8"))
        GTEST_SKIP() << "localedef failed";
    DumpRun sv =
        Dump({feed}, {{"LC_ALL", std::nullopt}, {"LOCPATH", locales.string()}, {"LC_TIME", "sv_SE.UTF-8"}});
    ASSERT_EQ(sv.status, 0) << sv.err;
    EXPECT_EQ(dates(sv), "2026-12-07;;;");
}

TEST_F(NemaraDump, OtherRootsAreUnsupported) {
    for (const char* body :
         {"<?xml version=\"1.0\"?><Rss><channel/></Rss>",
          "<?xml version=\"1.0\"?><FEED><title>t</title></FEED>",
          "<?xml version=\"1.0\"?><RDF><channel/></RDF>", "<html><body>Not Found</body></html>"}) {
        SCOPED_TRACE(body);
        DumpRun run = Dump({File("other.xml", body)});
        EXPECT_EQ(run.status, 2);
        EXPECT_EQ(run.err, "Unsupported channel format\n");
        EXPECT_EQ(run.out, "");
    }
}

TEST_F(NemaraDump, FailuresExitWithOne) {
    const std::string rss = kRss;
    server.Serve("/empty", 200, "");
    server.Cut("/cut", rss.substr(0, 400), rss.size());
    const struct {
        std::string source;
        const char* message;  // how the failure's own text begins, when the case fixes it
    } cases[] = {
        {File("empty.xml", ""), "The document has no root element"},
        {server.Url("/empty"), "The document has no root element"},
        // Without a body the transfer's own failure is the reason.
        {"http://127.0.0.1:" + std::to_string(ClosedPort()) + "/", "Failed to connect to 127.0.0.1 port "},
        {server.Url("/missing"), "The server answered 404 Not Found"},
        // A broken page is not recovered into a feed: the strict parse's failure stands.
        {File("page.html", "<!DOCTYPE html><html><body><p>Not found & gone</body>"),
         "The feed is not well-formed XML (line "},
        {(dir_ / "no-such-file.xml").string(), nullptr},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.source);
        DumpRun run = Dump({c.source});
        EXPECT_EQ(run.status, 1);
        EXPECT_EQ(run.out, "");
        const std::string prefix = "Could not fetch the channel: ";
        ASSERT_TRUE(run.err.starts_with(prefix)) << run.err;
        EXPECT_GT(run.err.size(), prefix.size() + 1);
        if (c.message) {
            EXPECT_TRUE(run.err.starts_with(prefix + c.message)) << run.err;
        }
    }
    EXPECT_TRUE(fs::is_empty(TempDir()));

    // A feed cut short is read as far as it came, and says it is broken;
    // the item cut in its description is kept, its title being whole.
    DumpRun cut = Dump({server.Url("/cut")});
    EXPECT_EQ(cut.status, 0) << cut.err;
    const json channel = json::parse(cut.out);
    EXPECT_TRUE(channel["malformed"].get<std::string>().starts_with("The feed is not well-formed XML (line "))
        << cut.out;
    ASSERT_EQ(channel["items"].size(), 1u);
    EXPECT_EQ(channel["items"][0]["title"], "Pierwsza");
}

// The downloaded file goes with the tool also when a signal ends it: Ctrl-C
// or SIGTERM during a slow download, SIGPIPE from a reader that stopped.
TEST_F(NemaraDump, ASignalThatEndsTheToolRemovesItsDownload) {
    server.Drip("/slow");
    for (int signal : {SIGTERM, SIGINT}) {
        SCOPED_TRACE(signal);
        DumpRun run = Dump({server.Url("/slow")}, {{"LC_ALL", "C"}}, [&](pid_t pid) {
            for (int i = 0; i < 500 && fs::is_empty(TempDir()); ++i)
                std::this_thread::sleep_for(std::chrono::milliseconds(10));
            ::kill(pid, signal);
        });
        EXPECT_EQ(run.signal, signal);
        EXPECT_TRUE(fs::is_empty(TempDir()));
    }
    std::string big = kRss;
    const std::string item = big.substr(big.find("<item>"), big.find("</item>") + 7 - big.find("<item>"));
    for (int i = 0; i < 2000; ++i)
        big.insert(big.find("</channel>"), item);
    server.Serve("/big", 200, big);
    DumpRun piped = Dump({server.Url("/big")}, {{"LC_ALL", "C"}}, {}, true);
    EXPECT_EQ(piped.signal, SIGPIPE);
    EXPECT_TRUE(fs::is_empty(TempDir()));
}

TEST_F(NemaraDump, PrintsTheAddressesOfAnOpmlFile) {
    DumpRun run = Dump({"--opml", File("subs.opml", "<opml><body><outline xmlUrl=\"http://a.pl/\"/><outline>"
                                                    "<outline xmlUrl=\"http://b.pl/\"/></outline>"
                                                    "<outline xmlUrl=\"http://c.pl/&#13;&#10;http://x/\"/>"
                                                    "<outline xmlUrl=\"http://c.pl/&#0;\"/></body></opml>")});
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.out, "http://a.pl/\nhttp://b.pl/\n");
    DumpRun bad = Dump({"--opml", File("feed.xml", kRss)});
    EXPECT_EQ(bad.status, 1);
    EXPECT_EQ(bad.err, "Could not read the OPML file: The file is not an OPML file\n");
}

TEST_F(NemaraDump, WrongUsageExitsWith64) {
    const std::string feed = File("feed.xml", kRss);
    for (const std::vector<std::string>& args :
         {std::vector<std::string>{}, {feed, feed}, {"-h"}, {"--help"}, {""}}) {
        DumpRun run = Dump(args);
        EXPECT_EQ(run.status, 64);
        EXPECT_EQ(run.out, "");
        EXPECT_TRUE(run.err.starts_with("usage: nemara-dump SOURCE")) << run.err;
    }
}

// What the store holds, in the list's order, read while another connection
// (the window's writer) is in the middle of a write: the tool neither
// waits for it nor sees half of it.
TEST_F(NemaraDump, StoredPrintsTheListsChannelsAsTheStoreHoldsThem) {
    const std::string list = File("channels.lst", "https://none.example/\nhttps://example.pl/rss\n");
    TRSS channel;
    ASSERT_EQ(ReadChannelFile(File("feed.xml", kRss), channel, {}), TChannelFormat::cfRss);
    TStoreOpening opening;
    auto db = OpenStoreForWriting((dir_ / "nemara.db").string(), opening);
    MergeChannel(*db, "https://example.pl/rss", TChannelFormat::cfRss, channel, 1'800'000'000);
    const std::vector<TStoredRow> rows = ChannelRows(*db, "https://example.pl/rss");
    ASSERT_EQ(rows.size(), 2u);
    MarkRead(*db, {rows[0].Id}, true);
    MarkStarred(*db, {rows[1].Id}, true);
    NoteFailure(*db, "https://example.pl/rss", "The server answered 503 Service Unavailable", 1'800'000'100);

    SQLite::Transaction writing(*db, SQLite::TransactionBehavior::IMMEDIATE);
    db->exec("DELETE FROM item");
    const DumpRun run = Dump({"--stored", "--list", list});
    ASSERT_EQ(run.status, 0) << run.err;
    json expected = {{"channels",
                      {{{"address", "https://none.example/"},
                        {"title", ""},
                        {"unread", 0},
                        {"failure", ""},
                        {"items", json::array()}},
                       {{"address", "https://example.pl/rss"},
                        {"title", "Wiadomości \"dnia\""},
                        {"unread", 1},
                        {"failure", "The server answered 503 Service Unavailable"},
                        {"items", kRssJson["items"]}}}}};
    expected["channels"][1]["items"][0]["read"] = true;
    expected["channels"][1]["items"][0]["starred"] = false;
    expected["channels"][1]["items"][1]["read"] = false;
    expected["channels"][1]["items"][1]["starred"] = true;
    EXPECT_EQ(json::parse(run.out), expected);
    EXPECT_EQ(Dump({"--stored", "--list"}).status, 64);
}
