#include "feed/Feed.h"

#include "base/Exceptions.h"
#include "support/TestHttpServer.h"

#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>

namespace fs = std::filesystem;

namespace {

std::string ReadAll(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

void WriteAll(const fs::path& path, const std::string& text) {
    std::ofstream(path, std::ios::binary) << text;
}

// Every byte value, repeated to the size asked.
std::string Binary(std::size_t size) {
    std::string text(size, '\0');
    for (std::size_t i = 0; i < size; ++i)
        text[i] = static_cast<char>((i * 7 + i / 256) & 0xFF);
    return text;
}

class DownloadTest : public testing::Test {
protected:
    void SetUp() override {
        // Requests go straight to 127.0.0.1 whatever the machine's proxy.
        for (const char* name : {"http_proxy", "HTTP_PROXY", "https_proxy", "HTTPS_PROXY", "all_proxy",
                                 "ALL_PROXY", "no_proxy", "NO_PROXY"})
            ::unsetenv(name);
        std::string pattern = (fs::temp_directory_path() / "nemara-download-XXXXXX").string();
        ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
        dir_ = pattern;
        target_ = (dir_ / "temp.xml").string();
    }
    void TearDown() override {
        std::error_code ignored;
        fs::remove_all(dir_, ignored);
    }

    // Short limits keep failing transfers quick.
    static DownloadLimits Quick() {
        DownloadLimits limits;
        limits.ConnectSeconds = 5;
        limits.StallSeconds = 1;
        return limits;
    }

    TestHttpServer server_;
    fs::path dir_;
    std::string target_;
};

TEST_F(DownloadTest, CopiesTheBodyByteForByte) {
    for (std::size_t size : {0, 1, 1023, 1024, 1025, 70000}) {
        SCOPED_TRACE(size);
        const std::string body = Binary(size);
        server_.Serve("/feed.xml", 200, body);
        EXPECT_TRUE(DownloadFile(server_.Url("/feed.xml"), target_));
        EXPECT_EQ(ReadAll(target_), body);
    }
}

TEST_F(DownloadTest, ReplacesALongerFile) {
    WriteAll(target_, std::string(5000, 'o'));
    server_.Serve("/feed.xml", 200, "<rss/>");
    EXPECT_TRUE(DownloadFile(server_.Url("/feed.xml"), target_));
    EXPECT_EQ(ReadAll(target_), "<rss/>");
}

TEST_F(DownloadTest, AnErrorAnswerFailsAndLeavesTheFileAsItWas) {
    WriteAll(target_, "<rss/>");
    const auto failureOf = [this](const std::string& path) -> std::string {
        try {
            DownloadFile(server_.Url(path), target_);
        } catch (const EHttpStatus& e) {
            return e.what();
        }
        return "no failure";
    };
    EXPECT_EQ(failureOf("/missing"), "The server answered 404 Not Found");
    TestHttpServer::Response gone;
    gone.Status = 410;
    gone.Reason = "Gone Away";
    gone.Body = "<html>Gone</html>";
    server_.Script("/gone", gone);
    server_.Redirect("/moved", "/gone");
    EXPECT_EQ(failureOf("/moved"), "The server answered 410 Gone Away");
    EXPECT_EQ(ReadAll(target_), "<rss/>");
}

TEST_F(DownloadTest, DecompressesAGzipBodyAndCapsWhatItGives) {
    // "<rss>", 1000 times "a", "</rss>", compressed to 37 bytes.
    const std::string gzip("\x1F\x8B\x08\x00\x00\x00\x00\x00\x02\x03\xB3\x29\x2A\x2E\xB6\x4B\x1C\x05\xA3"
                           "\x60\x14\x0C\x7B\x60\xA3\x0F\xCA\xED\x00\x60\x2E\xDF\x83\xF3\x03\x00\x00",
                           37);
    server_.Serve("/feed.xml", 200, gzip, {{"Content-Encoding", "gzip"}});
    ASSERT_TRUE(DownloadFile(server_.Url("/feed.xml"), target_));
    EXPECT_EQ(ReadAll(target_), "<rss>" + std::string(1000, 'a') + "</rss>");
    DownloadLimits limits = Quick();
    limits.MaxBodyBytes = 100;
    ASSERT_TRUE(DownloadFile(server_.Url("/feed.xml"), target_, limits));
    EXPECT_EQ(ReadAll(target_), "<rss>" + std::string(95, 'a'));
}

TEST_F(DownloadTest, SendsAPlainGetWithTheExecutableAsAgent) {
    server_.Serve("/feed.xml?a=1", 200, "x");
    ASSERT_TRUE(DownloadFile(server_.Url("/feed.xml?a=1"), target_));
    const auto requests = server_.Requests();
    ASSERT_EQ(requests.size(), 1u);
    const auto& request = requests[0];
    EXPECT_EQ(request.Line, "GET /feed.xml?a=1 HTTP/1.1");
    EXPECT_EQ(request.Header("User-Agent"), "test_feed");
    EXPECT_NE(request.Header("Accept-Encoding").find("gzip"), std::string::npos);
    EXPECT_NE(request.Header("Accept-Encoding").find("deflate"), std::string::npos);
    // Nothing beyond what every request carries: no cookies or credentials.
    for (const auto& [name, value] : request.Fields)
        EXPECT_TRUE(name == "Host" || name == "User-Agent" || name == "Accept" || name == "Accept-Encoding")
            << name;
}

TEST_F(DownloadTest, FollowsRedirects) {
    server_.Redirect("/old", server_.Url("/older"), 301);
    server_.Redirect("/older", "/new", 307);
    server_.Serve("/new", 200, "<feed/>");
    EXPECT_TRUE(DownloadFile(server_.Url("/old"), target_));
    EXPECT_EQ(ReadAll(target_), "<feed/>");
    EXPECT_EQ(server_.Requests().size(), 3u);
}

TEST_F(DownloadTest, StopsAnEndlessRedirectChain) {
    server_.Redirect("/loop", "/loop");
    DownloadLimits limits = Quick();
    limits.MaxRedirects = 3;
    EXPECT_TRUE(DownloadFile(server_.Url("/loop"), target_, limits));
    EXPECT_EQ(server_.Requests().size(), 4u);
    EXPECT_EQ(ReadAll(target_), "");
}

TEST_F(DownloadTest, RefusesARedirectToALocalFile) {
    const fs::path secret = dir_ / "secret.txt";
    WriteAll(secret, "local secret");
    server_.Redirect("/feed.xml", "file://" + secret.string());
    EXPECT_TRUE(DownloadFile(server_.Url("/feed.xml"), target_));
    EXPECT_EQ(ReadAll(target_), "");
}

// A listening socket that nobody should reach: true when a connection came.
class Trap {
public:
    Trap() : fd_(::socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0)) {
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t size = sizeof address;
        if (fd_.get() < 0 || ::bind(fd_.get(), reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
            ::listen(fd_.get(), 4) != 0 ||
            ::getsockname(fd_.get(), reinterpret_cast<sockaddr*>(&address), &size) != 0)
            throw std::runtime_error("trap socket");
        port_ = ntohs(address.sin_port);
    }
    std::string Authority() const { return "127.0.0.1:" + std::to_string(port_); }
    bool Reached() const {
        TestHttpServer::Fd client(::accept4(fd_.get(), nullptr, nullptr, SOCK_CLOEXEC));
        return client.get() >= 0;
    }

private:
    TestHttpServer::Fd fd_;
    int port_ = 0;
};

TEST_F(DownloadTest, RefusesRedirectsToOtherSchemes) {
    const Trap trap;
    for (const char* scheme : {"ftp", "ftps", "gopher", "dict", "telnet", "ldap", "tftp", "smtp", "imap",
                               "pop3", "rtsp", "scp", "sftp", "smb", "mqtt", "ws"}) {
        SCOPED_TRACE(scheme);
        server_.Redirect("/feed.xml", std::string(scheme) + "://" + trap.Authority() + "/feed.xml");
        WriteAll(target_, "previous content");
        EXPECT_TRUE(DownloadFile(server_.Url("/feed.xml"), target_, Quick()));
        EXPECT_EQ(ReadAll(target_), "");
        EXPECT_FALSE(trap.Reached());
    }
}

// An address that cannot be opened empties the target and still succeeds.
TEST_F(DownloadTest, UnopenableAddressLeavesAnEmptyFile) {
    // A bound socket that does not listen: connecting to it is refused.
    const int closed = ::socket(AF_INET, SOCK_STREAM, 0);
    ASSERT_GE(closed, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t size = sizeof address;
    ASSERT_EQ(::bind(closed, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
    ASSERT_EQ(::getsockname(closed, reinterpret_cast<sockaddr*>(&address), &size), 0);
    const std::string refused = "http://127.0.0.1:" + std::to_string(ntohs(address.sin_port)) + "/";

    const fs::path local = dir_ / "local.xml";
    WriteAll(local, "<rss/>");
    for (const std::string& address : {refused, std::string("no address"), std::string(),
                                       "file://" + local.string(), std::string("ftp://127.0.0.1/feed.xml")}) {
        SCOPED_TRACE(address);
        WriteAll(target_, "previous content");
        EXPECT_TRUE(DownloadFile(address, target_, Quick()));
        EXPECT_TRUE(fs::exists(target_));
        EXPECT_EQ(ReadAll(target_), "");
    }
    ::close(closed);
}

TEST_F(DownloadTest, KeepsWhatArrivedBeforeTheServerClosed) {
    server_.Cut("/feed.xml", "<rss><channel>", 5000);
    EXPECT_TRUE(DownloadFile(server_.Url("/feed.xml"), target_, Quick()));
    EXPECT_EQ(ReadAll(target_), "<rss><channel>");
}

// A reset loses at most what was still on its way: the file holds a
// beginning of the body and the transfer counts as broken off.
TEST_F(DownloadTest, KeepsWhatArrivedBeforeAReset) {
    const std::string sent = Binary(20000);
    server_.Reset("/feed.xml", sent, 50000);
    EXPECT_TRUE(DownloadFile(server_.Url("/feed.xml"), target_, Quick()));
    const std::string kept = ReadAll(target_);
    EXPECT_EQ(kept, sent.substr(0, kept.size()));
}

TEST_F(DownloadTest, GivesUpOnASilentServer) {
    WriteAll(target_, "previous content");
    server_.StaySilent("/feed.xml");
    EXPECT_TRUE(DownloadFile(server_.Url("/feed.xml"), target_, Quick()));
    EXPECT_EQ(ReadAll(target_), "");
}

// A byte now and then never stalls the transfer: the total bound ends it.
TEST_F(DownloadTest, StopsADrippingServer) {
    server_.Drip("/feed.xml");
    DownloadLimits limits = Quick();
    limits.TotalSeconds = 2;
    EXPECT_TRUE(DownloadFile(server_.Url("/feed.xml"), target_, limits));
    const std::string kept = ReadAll(target_);
    EXPECT_GT(kept.size(), 0u);
    EXPECT_EQ(kept, std::string(kept.size(), 'x'));
}

TEST_F(DownloadTest, StopsAnEndlessBodyAtTheBound) {
    server_.SendEndless("/feed.xml");
    DownloadLimits limits = Quick();
    limits.MaxBodyBytes = 100000;
    EXPECT_TRUE(DownloadFile(server_.Url("/feed.xml"), target_, limits));
    EXPECT_EQ(fs::file_size(target_), 100000u);
}

// Where curl's own words, or the empty document that follows, would
// mislead, the fetch says what happened.
TEST_F(DownloadTest, AFetchSaysWhatReallyWentWrong) {
    const auto failureOf = [this](const std::string& path, std::uint64_t maxBytes = 1u << 20) -> std::string {
        DownloadOptions options;
        options.Limits = Quick();
        options.Limits.MaxBodyBytes = maxBytes;
        try {
            DownloadChannelFile(server_.Url(path), target_, options);
        } catch (const Exception& e) {
            return e.what();
        }
        return "no failure";
    };
    server_.SendEndless("/endless");
    EXPECT_EQ(failureOf("/endless"), "The feed is larger than 1 MB");
    TestHttpServer::Response unchanged;
    unchanged.Status = 304;
    unchanged.Reason = "Not Modified";
    server_.Script("/unchanged", unchanged);
    EXPECT_EQ(failureOf("/unchanged"), "The server answered 304 Not Modified");
    server_.Serve("/br", 200, "<rss><channel/></rss>", {{"Content-Encoding", "br"}});
    EXPECT_EQ(failureOf("/br"), "The server's compression (br) is not supported");
    server_.Redirect("/long", "/" + std::string(1u << 20, 'a'));
    EXPECT_EQ(failureOf("/long"), "The address is too long");
}

TEST_F(DownloadTest, GoesThroughTheProxyOfTheEnvironment) {
    server_.Serve("http://feed.invalid/rss.xml", 200, "<rss/>");
    ::setenv("http_proxy", server_.Url("").c_str(), 1);
    EXPECT_TRUE(DownloadFile("http://feed.invalid/rss.xml", target_, Quick()));
    ::unsetenv("http_proxy");
    EXPECT_EQ(ReadAll(target_), "<rss/>");
    ASSERT_EQ(server_.Requests().size(), 1u);
    EXPECT_EQ(server_.Requests()[0].Target, "http://feed.invalid/rss.xml");
}

TEST_F(DownloadTest, RaisesWhenTheFileCannotBeCreated) {
    server_.Serve("/feed.xml", 200, "<rss/>");
    server_.Serve("/empty", 200, "");
    const std::string missing = (dir_ / "no such dir" / "temp.xml").string();
    EXPECT_THROW(DownloadFile(server_.Url("/feed.xml"), missing, Quick()), EInOutError);
    EXPECT_THROW(DownloadFile("no address", missing, Quick()), EInOutError);
    // A directory in the file's place.
    fs::create_directory(target_);
    EXPECT_THROW(DownloadFile(server_.Url("/feed.xml"), target_, Quick()), EInOutError);
    EXPECT_THROW(DownloadFile(server_.Url("/empty"), target_, Quick()), EInOutError);
}

// The body takes the file's place: a link or a pipe there is replaced, not
// written through or waited on; a device is refused and left as it is.
TEST_F(DownloadTest, ReplacesWhatStandsInTheFilesPlace) {
    server_.Serve("/feed.xml", 200, "<rss/>");
    const fs::path other = dir_ / "other.txt";
    WriteAll(other, "keep me");
    ASSERT_EQ(::symlink(other.c_str(), target_.c_str()), 0);
    EXPECT_TRUE(DownloadFile(server_.Url("/feed.xml"), target_, Quick()));
    EXPECT_TRUE(fs::is_regular_file(fs::symlink_status(target_)));
    EXPECT_EQ(ReadAll(target_), "<rss/>");
    EXPECT_EQ(ReadAll(other), "keep me");

    fs::remove(target_);
    ASSERT_EQ(::mkfifo(target_.c_str(), 0666), 0);
    EXPECT_TRUE(DownloadFile(server_.Url("/feed.xml"), target_, Quick()));
    EXPECT_TRUE(fs::is_regular_file(fs::symlink_status(target_)));
    EXPECT_EQ(ReadAll(target_), "<rss/>");

    if (fs::exists("/dev/full")) {
        EXPECT_THROW(DownloadFile(server_.Url("/feed.xml"), "/dev/full", Quick()), EInOutError);
        EXPECT_TRUE(fs::is_character_file("/dev/full"));
    }
    // No new file is left behind, placed or not.
    EXPECT_EQ(std::distance(fs::directory_iterator(dir_), fs::directory_iterator()), 2);
}

}  // namespace
