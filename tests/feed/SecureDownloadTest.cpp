// https against a server on loopback whose certificate comes from an
// authority of the test's own: trusted through SSL_CERT_FILE it reads, and
// every other case fails with the transfer's reason.
#include "feed/Feed.h"

#include "base/Exceptions.h"
#include "support/TestHttpServer.h"

#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>

namespace fs = std::filesystem;

namespace {

const char kFeed[] = "<?xml version=\"1.0\"?><rss><channel><title>secure</title></channel></rss>";

int FreePort() {
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t size = sizeof address;
    ::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address);
    ::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &size);
    ::close(fd);
    return ntohs(address.sin_port);
}

bool Accepts(int port) {
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(static_cast<std::uint16_t>(port));
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    const bool ok = ::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
    ::close(fd);
    return ok;
}

// An authority, a certificate it signed for localhost and 127.0.0.1, and
// OpenSSL's own test server answering GET with the files of the folder.
class SecureDownload : public testing::Test {
protected:
    void SetUp() override {
        std::string pattern = (fs::temp_directory_path() / "nemara-tls-XXXXXX").string();
        ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
        dir_ = pattern;
        const std::string make =
            "cd '" + dir_.string() +
            "' && openssl req -x509 -newkey ec -pkeyopt ec_paramgen_curve:P-256 -nodes -days 2 "
            "-subj /CN=Test-Authority -keyout ca.key -out ca.pem"
            " && openssl req -newkey ec -pkeyopt ec_paramgen_curve:P-256 -nodes -subj /CN=localhost "
            "-keyout server.key -out server.csr"
            " && printf 'subjectAltName=DNS:localhost,IP:127.0.0.1\\n' > san.ext"
            " && openssl x509 -req -in server.csr -CA ca.pem -CAkey ca.key -CAcreateserial -days 2 "
            "-extfile san.ext -out server.pem";
        ASSERT_EQ(std::system(("(" + make + ") >/dev/null 2>&1").c_str()), 0)
            << "openssl could not make the certificates";
        // The server sends each file as the whole answer, its header included.
        std::ofstream(dir_ / "feed.xml", std::ios::binary)
            << "HTTP/1.0 200 OK\r\nContent-Type: text/xml\r\n\r\n"
            << kFeed;
        std::ofstream(dir_ / "insecure.xml", std::ios::binary)
            << "HTTP/1.0 301 Moved Permanently\r\nLocation: " << plain_.Url("/feed.xml") << "\r\n\r\n";

        port_ = FreePort();
        server_ = ::fork();
        ASSERT_GE(server_, 0);
        if (server_ == 0) {
            if (::chdir(dir_.c_str()) != 0)
                ::_exit(127);
            const int null = ::open("/dev/null", O_RDWR);
            ::dup2(null, 0);
            ::dup2(null, 1);
            ::dup2(null, 2);
            const std::string port = std::to_string(port_);
            ::execlp("openssl", "openssl", "s_server", "-quiet", "-accept", port.c_str(), "-cert",
                     "server.pem", "-key", "server.key", "-HTTP", static_cast<char*>(nullptr));
            ::_exit(127);
        }
        for (int i = 0; i < 100 && !Accepts(port_); ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
        ASSERT_TRUE(Accepts(port_)) << "the TLS server did not start";
        for (const char* name :
             {"https_proxy", "HTTPS_PROXY", "all_proxy", "ALL_PROXY", "SSL_CERT_FILE", "SSL_CERT_DIR"})
            ::unsetenv(name);
        target_ = (dir_ / "temp.xml").string();
    }

    void TearDown() override {
        if (server_ > 0) {
            ::kill(server_, SIGTERM);
            ::waitpid(server_, nullptr, 0);
        }
        ::unsetenv("SSL_CERT_FILE");
        std::error_code ignored;
        fs::remove_all(dir_, ignored);
    }

    std::string Url(const std::string& host) const {
        return "https://" + host + ":" + std::to_string(port_) + "/feed.xml";
    }

    // The reason the fetch fails with, or "" when it reads.
    std::string FailureOf(const std::string& address) const {
        try {
            DownloadChannelFile(address, target_);
        } catch (const Exception& e) {
            return e.what();
        }
        return "";
    }

    std::string Downloaded() const {
        std::ifstream in(target_, std::ios::binary);
        std::ostringstream text;
        text << in.rdbuf();
        return text.str();
    }

    TestHttpServer plain_;  // http, where a redirect of the secure server points
    fs::path dir_;
    std::string target_;
    int port_ = 0;
    pid_t server_ = -1;
};

TEST_F(SecureDownload, ATrustedAuthorityReadsAndAnyOtherFailsWithTheReason) {
    // The system's store does not know the test's authority.
    EXPECT_NE(FailureOf(Url("localhost")).find("certificate"), std::string::npos);
    EXPECT_EQ(Downloaded(), "");

    ::setenv("SSL_CERT_FILE", (dir_ / "ca.pem").c_str(), 1);
    EXPECT_EQ(FailureOf(Url("localhost")), "");
    EXPECT_EQ(Downloaded(), kFeed);
    EXPECT_TRUE(IsWebAddress("HTTPS://localhost/"));
    EXPECT_EQ(FailureOf("HTTPS://127.0.0.1:" + std::to_string(port_) + "/feed.xml"), "");

    // Trusted, but made out for another name.
    const std::string mismatch = FailureOf(Url("127.0.0.2"));
    EXPECT_NE(mismatch.find("127.0.0.2"), std::string::npos) << mismatch;

    // A secure address is never read over plain http.
    plain_.Serve("/feed.xml", 200, kFeed);
    std::string insecure = Url("localhost");
    insecure.replace(insecure.rfind('/'), std::string::npos, "/insecure.xml");
    EXPECT_EQ(FailureOf(insecure), "The server redirected a secure address to an insecure one");
    EXPECT_TRUE(plain_.Requests().empty());
}

}  // namespace
