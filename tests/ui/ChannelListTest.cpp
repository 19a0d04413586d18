#include "Support.h"
#include "ui/Unit1.h"

#include <QDialogButtonBox>
#include <QInputDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>

#include <gtest/gtest.h>

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
        auto form = Open(c.file);
        EXPECT_EQ(form->Channels->AllItems(), c.entries) << testing::PrintToString(c.file);
    }
}

TEST_F(ChannelList, ShowsWindows1250EntriesAsText) {
    auto form = Open("http://\xB3\xF3" "d\x9F.pl/\r\n");  // łódź
    ASSERT_EQ(form->Channels->Count(), 1);
    EXPECT_EQ(form->Channels->item(0)->text(), QString::fromUtf8("http://łódź.pl/"));
    EXPECT_TRUE(form->SaveChannelList());
    EXPECT_EQ(ReadBytes(dir.File("channels.lst")), "http://\xB3\xF3" "d\x9F.pl/\r\n");
}

TEST_F(ChannelList, AFileThatCannotBeReadLeavesTheListEmpty) {
    auto form = Open();
    EXPECT_EQ(form->Channels->Count(), 0);
    EXPECT_FALSE(form->LoadChannelList());
    std::filesystem::create_directory(dir.File("channels.lst"));
    EXPECT_FALSE(form->LoadChannelList());
    EXPECT_EQ(form->Channels->Count(), 0);
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
    auto form = Open("http://a.pl/rss\r\nhttp://\xB3\xF3" "d\x9F.pl/\r\n");
    Add(*form, "HTTP://A.pl/RSS");
    Add(*form, QString::fromUtf8("http://ŁÓDŹ.PL/"));
    Add(*form, "http://b.pl/", false);
    EXPECT_EQ(form->Channels->Count(), 2);

    Add(*form, "http://a.pl/rss ");
    Add(*form, "");
    Add(*form, "");
    Add(*form, QString::fromUtf8("http://żółw.pl/"));
    Add(*form, QString(300, 'x'));
    EXPECT_EQ(form->Channels->AllItems(),
              (Entries{"http://a.pl/rss", "http://\xB3\xF3" "d\x9F.pl/", "http://a.pl/rss ", "",
                       "http://\xBF\xF3\xB3w.pl/", std::string(255, 'x')}));
    // Added entries are neither selected nor made current.
    EXPECT_TRUE(form->Channels->selectedItems().isEmpty());
    EXPECT_EQ(form->Channels->ItemIndex(), -1);
}

TEST_F(ChannelList, RemovesTheSelectedEntries) {
    auto form = Open("e0\r\ne1\r\ne2\r\ne3\r\ne4\r\n");
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
    form->Usuwszystkie1->trigger();
    EXPECT_EQ(form->Channels->AllItems(), (Entries{"e1", "e3"}));
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
