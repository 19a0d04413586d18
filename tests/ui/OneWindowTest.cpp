// One window per channel list: later starts on the same folder hand their
// addresses to the window that is open, which adds and saves them at once.
#include "Support.h"

#include <QProcess>
#include <QTest>

#include <gtest/gtest.h>

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

    first.terminate();
    EXPECT_TRUE(first.waitForFinished(10000));
    EXPECT_EQ(first.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(ReadBytes(dir.File("channels.lst")), "x-old\r\nx-new\r\nx-other\r\n");

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
        [&] { return ReadBytes(dir.File("channels.lst")) == "x-old\r\nx-new\r\nx-other\r\nx-last\r\n"; },
        10000));
    next.terminate();
    EXPECT_TRUE(next.waitForFinished(10000));
}
