// A fetch whose download cannot be written (a full disk, a file that may
// not grow): one warning, and the news list stays in its reset state.
#include "Support.h"
#include "support/TestHttpServer.h"
#include "ui/MainWindow.h"

#include <QAbstractButton>
#include <QMessageBox>

#include <gtest/gtest.h>

#include <unistd.h>

#include <filesystem>
#include <string>
#include <vector>

namespace {

std::string Rss(int items) {
    std::string rss = "<?xml version=\"1.0\"?><rss><channel><title>t</title><link>l</link>";
    for (int i = 0; i < items; ++i)
        rss += "<item><category>c</category><title>t" + std::to_string(i) +
               "</title><description>d</description><link>l" + std::to_string(i) +
               "</link>"
               "<pubDate>Mon, 07 Dec 2026 22:03:49 GMT</pubDate></item>";
    return rss + "</channel></rss>";
}

// Double-clicks the entry's handler and answers each box, keeping its text.
std::vector<QString> Fetch(TForm1& form, const std::string& address) {
    std::vector<QString> texts;
    form.Channels->Add(address);
    form.Channels->setCurrentRow(form.Channels->Count() - 1);
    const QPointer<QTimer> answer = WhenModal([&texts](QWidget* modal) {
        auto* box = qobject_cast<QMessageBox*>(modal);
        ASSERT_NE(box, nullptr);
        texts.push_back(box->text());
        box->defaultButton()->click();
    });
    form.ChannelsDblClick(nullptr);
    form.Store->WaitForRefresh();
    // The box of the outcome opens once the window is free.
    QCoreApplication::processEvents();
    // When no box came, the answer must not wait for a later test's.
    delete answer.data();
    return texts;
}

class FullDisk : public testing::Test {
protected:
    FullDisk() {
        for (const char* name : {"http_proxy", "HTTP_PROXY", "all_proxy", "ALL_PROXY"})
            ::unsetenv(name);
        server.Serve("/rss", 200, Rss(100));
    }

    void ExpectOneWarning(const std::vector<QString>& texts) {
        EXPECT_EQ(texts, std::vector<QString>{"Could not fetch the channel"});
        EXPECT_EQ(form.Titles->RowCount(), 1);
        EXPECT_EQ(form.Titles->Cells(0, 0), "");
    }

    TestHttpServer server;
    TempDir dir;
    TForm1 form{dir.Dir()};
};

// The download has no name: what stands at "temp.xml" (a link to a device
// with no room left, a directory) is neither written through nor in the way.
TEST_F(FullDisk, NothingAtTheOldFilesPlaceIsTouched) {
    ASSERT_EQ(::symlink("/dev/full", dir.File("temp.xml").c_str()), 0);
    EXPECT_TRUE(Fetch(form, server.Url("/rss")).empty());
    EXPECT_EQ(form.Titles->RowCount(), 100);
    EXPECT_TRUE(std::filesystem::is_symlink(std::filesystem::symlink_status(dir.File("temp.xml"))));
}

TEST_F(FullDisk, AFileThatMayNotGrow) {
    const FileSizeLimit limit(1000);
    ExpectOneWarning(Fetch(form, server.Url("/rss")));
}

TEST_F(FullDisk, TheNextFetchWorksOnceThereIsRoom) {
    {
        const FileSizeLimit limit(1000);
        ExpectOneWarning(Fetch(form, server.Url("/rss")));
    }
    EXPECT_TRUE(Fetch(form, server.Url("/rss")).empty());
    EXPECT_EQ(form.Titles->RowCount(), 100);
}

}  // namespace
