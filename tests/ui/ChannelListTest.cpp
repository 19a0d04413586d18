#include "Support.h"
#include "base/Lines.h"
#include "ui/EndSignals.h"
#include "ui/MainWindow.h"

#include <QDialogButtonBox>
#include <QInputDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include <csignal>
#include <ctime>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

using Entries = std::vector<std::string>;

namespace {

class ChannelList : public testing::Test {
protected:
    std::unique_ptr<TForm1> Open(const std::string& fileBytes) {
        WriteBytes(dir.File("channels.lst"), fileBytes);
        return Open();
    }
    std::unique_ptr<TForm1> Open() {
        auto form = std::make_unique<TForm1>(dir.Dir());
        form->show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(form.get()));
        return form;
    }

    // Types the text into the input box of "+" and leaves it with Enter, or with Escape.
    void Add(TForm1& form, const QString& text, bool ok = true) {
        WhenModal([&](QWidget* modal) {
            auto* box = qobject_cast<QInputDialog*>(modal);
            ASSERT_NE(box, nullptr);
            EXPECT_EQ(box->windowTitle(), "Add new channel");
            EXPECT_EQ(box->labelText(), "Address:");
            auto* edit = box->findChild<QLineEdit*>();
            ASSERT_NE(edit, nullptr);
            EXPECT_EQ(edit->text(), "");
            EXPECT_EQ(edit->maxLength(), 255);
            auto* buttons = box->findChild<QDialogButtonBox*>();
            EXPECT_EQ(buttons->button(QDialogButtonBox::Ok)->text(), "OK");
            EXPECT_TRUE(buttons->button(QDialogButtonBox::Ok)->isDefault());
            EXPECT_EQ(buttons->button(QDialogButtonBox::Cancel)->text(), "Cancel");
            edit->setText(text);
            QTest::keyClick(edit, ok ? Qt::Key_Return : Qt::Key_Escape);
        });
        form.AddButton->click();
    }

    // Adds an address the list has already: the box that says so is answered.
    void AddDuplicate(TForm1& form, const QString& text) {
        WhenModal([&](QWidget* modal) {
            auto* box = qobject_cast<QInputDialog*>(modal);
            ASSERT_NE(box, nullptr);
            box->findChild<QLineEdit*>()->setText(text);
            QTest::keyClick(box->findChild<QLineEdit*>(), Qt::Key_Return);
            auto* timer = new QTimer;
            QObject::connect(timer, &QTimer::timeout, [timer] {
                auto* info = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
                if (!info || !info->isVisible())
                    return;
                timer->deleteLater();
                timer->stop();
                EXPECT_EQ(info->text(), "The channel is in the list already.");
                info->accept();
            });
            timer->start(5);
        });
        form.AddButton->click();
    }

    // Answers the note that says where a list not read whole is kept; what
    // it said goes to `told`, the note's text and the backup's path.
    void AnswerBackupNote(std::string& told) {
        WhenModal([&told](QWidget* modal) {
            auto* box = qobject_cast<QMessageBox*>(modal);
            ASSERT_NE(box, nullptr);
            told = (box->text() + "|" + box->informativeText()).toStdString();
            box->accept();
        });
    }

    // Answers the question of a failed save.
    void AnswerSaveQuestion(const QString& button) {
        WhenModal([button](QWidget* modal) {
            auto* box = qobject_cast<QMessageBox*>(modal);
            ASSERT_NE(box, nullptr);
            EXPECT_EQ(box->windowTitle(), "Error");
            EXPECT_EQ(box->text(), "Could not save channel list! Do you still want to exit?");
            EXPECT_EQ(box->icon(), QMessageBox::Critical);
            ASSERT_EQ(box->buttons().size(), 2);
            EXPECT_EQ(box->defaultButton()->text(), "&Yes");
            EXPECT_EQ(box->escapeButton()->property("text").toString(), "&No");
            for (QAbstractButton* b : box->buttons())
                if (b->text() == button)
                    b->click();
        });
    }

    TempDir dir;
};

}  // namespace

TEST_F(ChannelList, LoadsEveryKindOfLineEnd) {
    using namespace std::string_literals;
    const struct {
        std::string file;
        Entries entries;
    } cases[] = {
        {"a\r\nb\r\n", {"a", "b"}},
        {"a\nb", {"a", "b"}},
        {"a\n\nb", {"a", "", "b"}},
        {"a\rb\r\r", {"a", "b", ""}},
        {"x\r\nx\r\n", {"x", "x"}},
        {"a\r\nb\0c\r\n"s, {"a", "b"}},
        {"", {}},
    };
    for (const auto& c : cases) {
        std::string told;
        const bool partial = c.file.find('\0') != std::string::npos;
        if (partial)
            AnswerBackupNote(told);
        auto form = Open(c.file);
        EXPECT_EQ(form->Channels->AllItems(), c.entries) << testing::PrintToString(c.file);
        if (partial) {
            EXPECT_TRUE(QTest::qWaitFor([&] { return !told.empty(); }, 5000));
        }
    }
}

// A list that earlier versions wrote in Windows-1250 reads as text and is
// written back in UTF-8.
TEST_F(ChannelList, ReadsAWindows1250ListAndWritesItInUtf8) {
    auto form = Open("http://\xB3\xF3"
                     "d\x9F.pl/\r\n");  // łódź
    ASSERT_EQ(form->Channels->Count(), 1);
    EXPECT_EQ(form->Channels->item(0)->text(), QString::fromUtf8("http://łódź.pl/"));
    EXPECT_TRUE(form->SaveChannelList());
    EXPECT_EQ(ReadBytes(dir.File("channels.lst")), "http://łódź.pl/\r\n");
}

TEST_F(ChannelList, AFileThatCannotBeReadLeavesTheListEmpty) {
    auto form = Open();
    EXPECT_EQ(form->Channels->Count(), 0);
    EXPECT_FALSE(form->LoadChannelList());
    std::filesystem::create_directory(dir.File("channels.lst"));
    EXPECT_FALSE(form->LoadChannelList());
    EXPECT_EQ(form->Channels->Count(), 0);

    // A pipe (which kept the window from appearing) and a link to a device
    // without end are not read either.
    std::filesystem::remove(dir.File("channels.lst"));
    ASSERT_EQ(::mkfifo(dir.File("channels.lst").c_str(), 0666), 0);
    EXPECT_EQ(Open()->Channels->Count(), 0);
    std::filesystem::remove(dir.File("channels.lst"));
    ASSERT_EQ(::symlink("/dev/zero", dir.File("channels.lst").c_str()), 0);
    EXPECT_EQ(Open()->Channels->Count(), 0);
}

// A list that ends at a zero byte is saved shorter; the file as it was is
// kept beside it. New files of a killed save are removed at the next start,
// those of a save still running are not, wherever it runs.
TEST_F(ChannelList, NothingOfAFileReadInPartIsLost) {
    using namespace std::string_literals;
    const std::string old = "a\r\nb\0c\r\nd\r\n"s;
    // Left by a killed save: no writer holds it. Held by a live writer of
    // another PID namespace or host: kept. A user's own file: kept.
    const std::string stale = "channels.lst.new-0123abcd-4242-0";
    const std::string live = "channels.lst.new-deadbeef-1-7";
    const std::string mine = "channels.lst.new-mine.txt";
    for (const std::string& name : {stale, live, mine}) {
        WriteBytes(dir.File(name), "x");
        const timespec old[2] = {{std::time(nullptr) - 60, 0}, {std::time(nullptr) - 60, 0}};
        ::utimensat(AT_FDCWD, dir.File(name).c_str(), old, 0);
    }
    const int held = ::open(dir.File(live).c_str(), O_RDONLY | O_CLOEXEC);
    ASSERT_EQ(::flock(held, LOCK_EX), 0);

    std::string told;
    AnswerBackupNote(told);
    auto form = Open(old);
    ASSERT_TRUE(QTest::qWaitFor([&] { return !told.empty(); }, 5000));
    EXPECT_FALSE(std::filesystem::exists(dir.File(stale)));
    EXPECT_TRUE(std::filesystem::exists(dir.File(live)));
    EXPECT_TRUE(std::filesystem::exists(dir.File(mine)));
    ::close(held);
    EXPECT_EQ(form->Channels->AllItems(), (Entries{"a", "b"}));
    EXPECT_EQ(told, "Part of the channel list could not be read. The file as it was is kept as:|" +
                        dir.File("channels.lst.bak"));
    EXPECT_EQ(ReadBytes(dir.File("channels.lst.bak")), old);
    EXPECT_TRUE(form->close());
    EXPECT_EQ(ReadBytes(dir.File("channels.lst")), "a\r\nb\r\n");

    // The list now read whole, the backup stays as it is.
    auto next = Open();
    next->Channels->Delete(0);
    EXPECT_TRUE(next->close());
    EXPECT_EQ(ReadBytes(dir.File("channels.lst")), "b\r\n");
    EXPECT_EQ(ReadBytes(dir.File("channels.lst.bak")), old);

    // A second list read in part gets a backup of its own: the first stays.
    const std::string second = "x\0y"s;
    told.clear();
    AnswerBackupNote(told);
    auto again = Open(second);
    ASSERT_TRUE(QTest::qWaitFor([&] { return !told.empty(); }, 5000));
    EXPECT_EQ(again->Channels->AllItems(), (Entries{"x"}));
    EXPECT_EQ(ReadBytes(dir.File("channels.lst.bak")), old);
    EXPECT_EQ(ReadBytes(dir.File("channels.lst.bak.1")), second);

    // A list over the size limit opens empty with the note, and a close
    // without a change leaves it as it is.
    const std::string large(17u << 20, 'a');
    told.clear();
    AnswerBackupNote(told);
    auto big = Open(large);
    ASSERT_TRUE(QTest::qWaitFor([&] { return !told.empty(); }, 5000));
    EXPECT_EQ(big->Channels->Count(), 0);
    EXPECT_EQ(told, "The channel list is larger than 16 MB and was not read. The file is kept as:|" +
                        dir.File("channels.lst.bak.2"));
    EXPECT_TRUE(big->close());
    EXPECT_EQ(std::filesystem::file_size(dir.File("channels.lst")), large.size());
    // The backup is a file of its own: the list rewritten in place (as a
    // shell's ">" or an editor does) leaves it as it was.
    WriteBytes(dir.File("channels.lst"), "new\r\n");
    EXPECT_EQ(std::filesystem::file_size(dir.File("channels.lst.bak.2")), large.size());
}

// The program's folder is taken as bytes: a folder name in Latin-2, which is
// no UTF-8, once made the directory "/". The test runs a copy of itself in
// such a folder; that copy reports what its window found.
TEST_F(ChannelList, AFolderNameThatIsNoUtf8IsTheProgramsDirectory) {
    if (const char* report = std::getenv("NEMARA_DIRECTORY_REPORT")) {
        TForm1 form;
        WriteBytes(report, form.FExeDir + "\n" + std::to_string(form.Channels->Count()));
        return;
    }
    const std::string folder = dir.File("\xB3\xF3"
                                        "d\xBC");  // "łódź" in Latin-2
    std::filesystem::create_directory(folder);
    std::filesystem::copy_file("/proc/self/exe", folder + "/test_ui");
    WriteBytes(folder + "/channels.lst", "http://a.pl/\r\n");
    const std::string report = dir.File("report");
    const pid_t child = fork();
    if (child == 0) {
        ::setenv("NEMARA_DIRECTORY_REPORT", report.c_str(), 1);
        const std::string program = folder + "/test_ui";
        ::execl(program.c_str(), program.c_str(),
                "--gtest_filter=ChannelList.AFolderNameThatIsNoUtf8IsTheProgramsDirectory", nullptr);
        _exit(127);
    }
    ASSERT_GT(child, 0);
    int status = 0;
    ::waitpid(child, &status, 0);
    EXPECT_EQ(ReadBytes(report), folder + "/\n1");
}

TEST_F(ChannelList, SavingEndsEveryEntryWithCrLf) {
    auto form = Open("one\ntwo\n\nthree");
    EXPECT_TRUE(form->close());
    EXPECT_EQ(ReadBytes(dir.File("channels.lst")), "one\r\ntwo\r\n\r\nthree\r\n");

    auto empty = Open("only\r\n");
    empty->Channels->Delete(0);
    EXPECT_TRUE(empty->close());
    EXPECT_EQ(ReadBytes(dir.File("channels.lst")), "");
}

TEST_F(ChannelList, AddsWhatIsNotListedInAnyLetterCase) {
    auto form = Open("http://a.pl/rss\r\nhttp://\xB3\xF3"
                     "d\x9F.pl/\r\n");
    // What is there already is selected and said so instead of added.
    AddDuplicate(*form, QString::fromUtf8("http://ŁÓDŹ.PL/"));
    EXPECT_EQ(form->Channels->ItemIndex(), 1);
    AddDuplicate(*form, "HTTP://A.pl/RSS");
    EXPECT_EQ(form->Channels->ItemIndex(), 0);
    EXPECT_EQ(form->Channels->selectedItems().size(), 1);
    Add(*form, "http://b.pl/", false);
    EXPECT_EQ(form->Channels->Count(), 2);

    Add(*form, "http://a.pl/rss ");
    Add(*form, "");
    AddDuplicate(*form, "");
    Add(*form, QString::fromUtf8("http://żółw.pl/"));
    Add(*form, QString(300, 'x'));
    EXPECT_EQ(form->Channels->AllItems(), (Entries{"http://a.pl/rss", "http://łódź.pl/", "http://a.pl/rss ",
                                                   "", "http://żółw.pl/", std::string(255, 'x')}));
    // The entry added last is the one selected and current.
    EXPECT_EQ(form->Channels->selectedItems().size(), 1);
    EXPECT_EQ(form->Channels->ItemIndex(), 5);
    // Each addition is saved at once: a kill now loses nothing.
    EXPECT_EQ(ReadBytes(dir.File("channels.lst")), JoinLines(form->Channels->AllItems()));
}

TEST_F(ChannelList, RemovesTheSelectedEntries) {
    auto form = Open("e0\r\ne1\r\ne2\r\ne3\r\ne4\r\n");
    // At the start the current entry is selected too: Return reads it.
    EXPECT_EQ(form->Channels->ItemIndex(), 0);
    EXPECT_TRUE(form->Channels->Selected(0));
    int read = 0;
    QObject::connect(form->Channels, &TListBox::dblClick, [&read] { ++read; });
    QTest::keyClick(form->Channels, Qt::Key_Return);
    EXPECT_EQ(read, 1);
    QWidget* view = form->Channels->viewport();
    auto centre = [&](int row) { return form->Channels->visualItemRect(form->Channels->item(row)).center(); };
    QTest::mouseClick(view, Qt::LeftButton, {}, centre(0));
    QTest::mouseClick(view, Qt::LeftButton, Qt::ControlModifier, centre(2));
    QTest::mouseClick(view, Qt::LeftButton, Qt::ControlModifier, centre(4));
    // A right click opens the menu without changing the selection.
    QTest::mouseClick(view, Qt::RightButton, {}, centre(1));
    form->PopupMenu1->close();
    form->Usuwszystkie1->trigger();
    EXPECT_EQ(form->Channels->AllItems(), (Entries{"e1", "e3"}));
    // The last removal comes back in place, selected, and is saved (Ctrl+Z,
    // or "Undo remove" in the list's menu); once.
    ASSERT_TRUE(form->UndoRemove1->isEnabled());
    EXPECT_EQ(form->UndoRemove1->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_Z));
    EXPECT_TRUE(form->PopupMenu1->actions().contains(form->UndoRemove1));
    form->UndoRemove1->trigger();
    EXPECT_EQ(form->Channels->AllItems(), (Entries{"e0", "e1", "e2", "e3", "e4"}));
    EXPECT_EQ(form->Channels->selectedItems().size(), 3);
    EXPECT_TRUE(form->Channels->Selected(0) && form->Channels->Selected(2) && form->Channels->Selected(4));
    EXPECT_EQ(ReadBytes(dir.File("channels.lst")), "e0\r\ne1\r\ne2\r\ne3\r\ne4\r\n");
    EXPECT_FALSE(form->UndoRemove1->isEnabled());
    form->Usuwszystkie1->trigger();
    EXPECT_EQ(form->Channels->AllItems(), (Entries{"e1", "e3"}));
    form->Usuwszystkie1->trigger();
    EXPECT_EQ(form->Channels->AllItems(), (Entries{"e1", "e3"}));
    // Delete does the same; each removal is saved at once.
    QTest::mouseClick(view, Qt::LeftButton, {}, centre(1));
    QTest::keyClick(form->Channels, Qt::Key_Delete);
    EXPECT_EQ(form->Channels->AllItems(), (Entries{"e1"}));
    EXPECT_EQ(ReadBytes(dir.File("channels.lst")), "e1\r\n");
}

// OPML: an import adds what the list lacks and says how many it skipped
// (an address with a line break or a zero byte, or of another scheme, is
// skipped too); a broken file changes nothing; an export is well-formed XML
// (checked by a strict parser) and reads back into the same list.
TEST_F(ChannelList, ImportsAndExportsOpml) {
    auto form = Open("http://a.pl/\r\n");
    const auto answer = [](std::string& said) {
        WhenModal([&said](QWidget* modal) {
            auto* box = qobject_cast<QMessageBox*>(modal);
            ASSERT_NE(box, nullptr);
            said = (box->text() + "|" + box->informativeText()).toStdString();
            box->accept();
        });
    };
    WriteBytes(dir.File("in.opml"), "<opml><body><outline text=\"f\"><outline xmlUrl=\"http://b.pl/\"/>"
                                    "<outline xmlUrl=\"HTTP://A.PL/\"/></outline>"
                                    "<outline xmlUrl=\"http://c.pl/\"/>"
                                    "<outline xmlUrl=\"http://e.pl/&#13;&#10;http://f.pl/\"/>"
                                    "<outline xmlUrl=\"http://e.pl/\r\nhttp://f.pl/\"/>"
                                    "<outline xmlUrl=\"http://e.pl/&#0;\"/>"
                                    "<outline xmlUrl=\"javascript:alert(1)\"/></body></opml>");
    std::string said;
    answer(said);
    form->ImportChannels(dir.File("in.opml"));
    EXPECT_EQ(said, "Added 2 channels, skipped 5 (already in the list or no feed address).|");
    EXPECT_EQ(ReadBytes(dir.File("channels.lst")), "http://a.pl/\r\nhttp://b.pl/\r\nhttp://c.pl/\r\n");

    WriteBytes(dir.File("broken.opml"), "<opml><body><outline xmlUrl=\"http://d.pl/\"></body>");
    answer(said);
    form->ImportChannels(dir.File("broken.opml"));
    EXPECT_TRUE(said.starts_with("Could not import the channels|")) << said;
    EXPECT_EQ(form->Channels->Count(), 3);

    // Characters that XML does not allow are left out of the export.
    form->Channels->Add("http://d.pl/\x01?a=\x1F"
                        "1");
    ASSERT_TRUE(form->ExportChannels(dir.File("out.opml")));
    if (std::system("command -v xmllint >/dev/null 2>&1") == 0) {
        EXPECT_EQ(std::system(("xmllint --noout '" + dir.File("out.opml") + "'").c_str()), 0);
    }
    form->Channels->SetItems({});
    answer(said);
    form->ImportChannels(dir.File("out.opml"));
    EXPECT_EQ(form->Channels->AllItems(),
              (Entries{"http://a.pl/", "http://b.pl/", "http://c.pl/", "http://d.pl/?a=1"}));
}

// An end signal (a logout) while the add box is open closes the box and the
// window, and the list is saved; a question of a failed save is not asked.
TEST_F(ChannelList, AnEndSignalClosesTheOpenBoxAndTheWindow) {
    {
        auto form = Open("http://a.pl/\r\n");
        form->Channels->Add("http://b.pl/");
        const TEndSignals ending([&form] { form->EndSession(); });
        WhenModal([](QWidget* modal) {
            ASSERT_NE(qobject_cast<QInputDialog*>(modal), nullptr);
            ::raise(SIGTERM);
        });
        form->AddButton->click();
        EXPECT_TRUE(QTest::qWaitFor([&] { return !form->isVisible(); }, 5000));
        EXPECT_EQ(ReadBytes(dir.File("channels.lst")), "http://a.pl/\r\nhttp://b.pl/\r\n");
    }

    // Where the list cannot be saved the window still closes.
    std::filesystem::remove(dir.File("channels.lst"));
    std::filesystem::create_directory(dir.File("channels.lst"));
    auto stuck = Open();
    stuck->Channels->Add("http://c.pl/");
    const TEndSignals again([&stuck] { stuck->EndSession(); });
    ::raise(SIGHUP);
    EXPECT_TRUE(QTest::qWaitFor([&] { return !stuck->isVisible(); }, 5000));
}

TEST_F(ChannelList, AListThatCannotBeWrittenAsksBeforeExit) {
    std::filesystem::create_directory(dir.File("channels.lst"));
    auto form = Open();
    form->Channels->Add("http://a.pl/");
    AnswerSaveQuestion("&No");
    EXPECT_FALSE(form->close());
    EXPECT_TRUE(form->isVisible());
    EXPECT_EQ(form->Channels->Count(), 1);

    AnswerSaveQuestion("&Yes");
    EXPECT_TRUE(form->close());
    EXPECT_FALSE(form->isVisible());
    EXPECT_TRUE(std::filesystem::is_directory(dir.File("channels.lst")));
}

TEST_F(ChannelList, AFullDiskKeepsTheOldFile) {
    const std::string old = "http://old.pl/rss\r\n";
    auto form = Open(old);
    for (int i = 0; i < 50; ++i)
        form->Channels->Add("http://new.pl/" + std::to_string(i));
    FileSizeLimit limit(old.size() + 10);
    AnswerSaveQuestion("&Yes");
    EXPECT_TRUE(form->close());
    EXPECT_EQ(ReadBytes(dir.File("channels.lst")), old);
}

// A program folder the user may write keeps both files; one below /usr/ (a
// package's, which root may write too) never does: they go to the XDG folders.
TEST(FileFolders, UsrIsNeverTheUsersFolder) {
    TempDir program, data, cache;
    const std::string oldData = std::getenv("XDG_DATA_HOME") ? std::getenv("XDG_DATA_HOME") : "";
    const std::string oldCache = std::getenv("XDG_CACHE_HOME") ? std::getenv("XDG_CACHE_HOME") : "";
    ::setenv("XDG_DATA_HOME", data.Dir().c_str(), 1);
    ::setenv("XDG_CACHE_HOME", cache.Dir().c_str(), 1);
    const TFileFolders own = FileFoldersFor(program.Dir());
    EXPECT_EQ(own.List, program.Dir());
    EXPECT_EQ(own.Download, program.Dir());
    const TFileFolders system = FileFoldersFor("/usr/bin/");
    EXPECT_EQ(system.List, data.Dir() + "/nemara/");
    EXPECT_EQ(system.Download, cache.Dir() + "/nemara/");
    auto restore = [](const char* name, const std::string& value) {
        if (value.empty())
            ::unsetenv(name);
        else
            ::setenv(name, value.c_str(), 1);
    };
    restore("XDG_DATA_HOME", oldData);
    restore("XDG_CACHE_HOME", oldCache);
}
