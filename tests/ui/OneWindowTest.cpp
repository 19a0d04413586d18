// One window per channel list: later starts on the same folder hand their
// addresses to the window that is open, which adds and saves them at once.
#include "Support.h"
#include "support/TestHttpServer.h"
#include "ui/Application.h"
#include "ui/MainWindow.h"
#include "ui/SingleInstance.h"

#include <QProcess>
#include <QTest>

#include <gtest/gtest.h>

#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <fcntl.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>

TEST(OneWindow, LaterStartsHandTheirAddressesOver) {
    TempDir dir;
    const std::string program = dir.File("nemara");
    std::filesystem::copy_file(NEMARA_PROGRAM, program);
    WriteBytes(dir.File("channels.lst"), "x-old\r\n");

    QProcess first;
    first.start(QString::fromStdString(program), {});
    ASSERT_TRUE(first.waitForStarted(5000));
    ASSERT_TRUE(
        QTest::qWaitFor([&] { return std::filesystem::exists(dir.File("channels.lst.lock")); }, 10000));

    // Each later start ends at once; what it brought is in the list and on disk.
    EXPECT_EQ(QProcess::execute(QString::fromStdString(program), {"x-new"}), 0);
    EXPECT_EQ(QProcess::execute(QString::fromStdString(program), {"x-other", "X-OLD"}), 0);
    EXPECT_EQ(ReadBytes(dir.File("channels.lst")), "x-old\r\nx-new\r\nx-other\r\n");
    // An option that does not exist is no address.
    for (const char* option : {"--bogus", "-x"}) {
        QProcess wrong;
        wrong.start(QString::fromStdString(program), {option});
        ASSERT_TRUE(wrong.waitForFinished(10000));
        EXPECT_EQ(wrong.exitCode(), 64);
        EXPECT_TRUE(wrong.readAllStandardError().contains("unknown option"));
    }
    EXPECT_EQ(ReadBytes(dir.File("channels.lst")), "x-old\r\nx-new\r\nx-other\r\n");
    // A file named by a path relative to the later start's folder is kept as
    // its file:// address.
    std::filesystem::create_directory(dir.File("sub"));
    WriteBytes(dir.File("sub/a feed.xml"), "<rss><channel><item><title>t</title></item></channel></rss>");
    QProcess withFile;
    withFile.setWorkingDirectory(QString::fromStdString(dir.File("sub")));
    withFile.start(QString::fromStdString(program), {"a feed.xml"});
    ASSERT_TRUE(withFile.waitForFinished(10000));
    EXPECT_EQ(withFile.exitCode(), 0);
    const std::string fileAddress = "file://" + dir.File("sub/a%20feed.xml");
    EXPECT_EQ(ReadBytes(dir.File("channels.lst")), "x-old\r\nx-new\r\nx-other\r\n" + fileAddress + "\r\n");

    first.terminate();
    EXPECT_TRUE(first.waitForFinished(10000));
    EXPECT_EQ(first.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(ReadBytes(dir.File("channels.lst")), "x-old\r\nx-new\r\nx-other\r\n" + fileAddress + "\r\n");

    // The lock of a window that was killed does not keep the next one out.
    QProcess killed;
    killed.start(QString::fromStdString(program), {});
    ASSERT_TRUE(killed.waitForStarted(5000));
    QTest::qWait(500);
    killed.kill();
    killed.waitForFinished(5000);
    QProcess next;
    next.start(QString::fromStdString(program), {"x-last"});
    ASSERT_TRUE(next.waitForStarted(5000));
    EXPECT_TRUE(QTest::qWaitFor(
        [&] {
            return ReadBytes(dir.File("channels.lst")) ==
                   "x-old\r\nx-new\r\nx-other\r\n" + fileAddress + "\r\nx-last\r\n";
        },
        10000));
    next.terminate();
    EXPECT_TRUE(next.waitForFinished(10000));

    // Without a display the program says it needs one, instead of Qt's abort.
    QProcess headless;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    for (const char* name : {"QT_QPA_PLATFORM", "DISPLAY", "WAYLAND_DISPLAY"})
        environment.remove(name);
    headless.setProcessEnvironment(environment);
    headless.start(QString::fromStdString(program), {"x-headless"});
    ASSERT_TRUE(headless.waitForFinished(10000));
    EXPECT_EQ(headless.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(headless.exitCode(), 1);
    EXPECT_TRUE(headless.readAllStandardError().contains("display"));
}

// A hand-over that the window answers with a fetch and a box: the
// connection that brought the address ended during the box's event loop and
// was deleted inside its own read handler. Failing and good addresses, the
// box answered by Return and by Escape, round after round.
TEST(OneWindow, AHandOverThatStartsAFetchLeavesTheWindowRunning) {
    TempDir dir;
    const std::string program = dir.File("nemara");
    std::filesystem::copy_file(NEMARA_PROGRAM, program);
    TestHttpServer server;
    server.Serve("/feed.xml", 200,
                 "<?xml version=\"1.0\"?><rss><channel><title>t</title><item><title>One</title></item>"
                 "</channel></rss>");

    TSingleInstance instance(dir.Dir());
    ASSERT_TRUE(instance.TryBecomeFirst());
    TForm1 form(dir.Dir());
    QObject::connect(&instance, &TSingleInstance::received, &form,
                     [&form](const std::vector<std::string>& a) { Guarded([&] { form.TakeAddresses(a); }); });
    form.show();
    for (int round = 0; round < 12; ++round) {
        SCOPED_TRACE(round);
        const bool good = round % 3 == 2;
        int answered = 0;
        if (!good)
            WhenModal([&answered, round](QWidget* box) {
                QTest::keyClick(box, round % 2 ? Qt::Key_Escape : Qt::Key_Return);
                ++answered;
            });
        QProcess later;
        later.start(QString::fromStdString(program),
                    {QString::fromStdString(server.Url(good ? "/feed.xml" : "/missing.xml"))});
        ASSERT_TRUE(QTest::qWaitFor([&] { return later.state() == QProcess::NotRunning; }, 20000));
        EXPECT_EQ(later.exitCode(), 0);
        if (good)
            EXPECT_TRUE(QTest::qWaitFor([&] { return form.Titles->Cells(0, 0) == "One"; }, 10000));
        else
            EXPECT_TRUE(QTest::qWaitFor([&] { return answered == 1; }, 10000));
        // Whatever the connection left for the event loop runs now.
        QTest::qWait(50);
        EXPECT_TRUE(form.isVisible());
    }
}

// The socket is in a folder only the user may enter, never in one that
// others may (a $XDG_RUNTIME_DIR that is open to them is passed over).
TEST(OneWindow, TheSocketIsInAPrivateFolder) {
    TempDir runtime;
    const char* saved = std::getenv("XDG_RUNTIME_DIR");
    const std::string restore = saved ? saved : "";
    for (const mode_t mode : {0700, 0755}) {
        SCOPED_TRACE(mode);
        ::chmod(runtime.Dir().c_str(), mode);
        ::setenv("XDG_RUNTIME_DIR", runtime.Dir().c_str(), 1);
        TSingleInstance instance(runtime.Dir());
        const std::string path = instance.SocketPath().toStdString();
        ASSERT_FALSE(path.empty());
        EXPECT_EQ(path.starts_with(runtime.Dir()), mode == 0700) << path;
        struct stat st {};
        ASSERT_EQ(::lstat(std::filesystem::path(path).parent_path().c_str(), &st), 0);
        EXPECT_TRUE(S_ISDIR(st.st_mode));
        EXPECT_EQ(st.st_uid, ::getuid());
        EXPECT_EQ(st.st_mode & 077, 0u);
    }
    if (saved)
        ::setenv("XDG_RUNTIME_DIR", restore.c_str(), 1);
    else
        ::unsetenv("XDG_RUNTIME_DIR");
}

// A listener of another user gets nothing: the address may carry a secret.
TEST(OneWindow, NothingIsHandedToAListenerOfAnotherUser) {
    if (::geteuid() != 0)
        GTEST_SKIP() << "needs root, to listen as another user";
    std::string open = "/tmp/nemara-peer-XXXXXX";
    ASSERT_NE(::mkdtemp(open.data()), nullptr);
    ::chmod(open.c_str(), 0777);
    const std::string path = open + "/socket";
    // The socket listens as "nobody": its peer's credentials are those of
    // the one who listened.
    ASSERT_EQ(::seteuid(65534), 0);
    const int listener = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::snprintf(address.sun_path, sizeof address.sun_path, "%s", path.c_str());
    const bool listening = ::bind(listener, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0 &&
                           ::listen(listener, 4) == 0;
    ASSERT_EQ(::seteuid(0), 0);
    ASSERT_TRUE(listening);

    EXPECT_FALSE(TSingleInstance::HandOverTo(QString::fromStdString(path), {"http://x/?token=SECRET"}));
    const int accepted = ::accept4(listener, nullptr, nullptr, SOCK_NONBLOCK | SOCK_CLOEXEC);
    ASSERT_GE(accepted, 0);
    char buffer[64];
    EXPECT_EQ(::read(accepted, buffer, sizeof buffer), 0);  // closed, nothing sent
    ::close(accepted);
    ::close(listener);
    std::filesystem::remove_all(open);
}
