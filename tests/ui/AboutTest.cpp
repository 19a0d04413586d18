#include "Support.h"
#include "ui/AboutDialog.h"
#include "ui/Browser.h"
#include "ui/MainWindow.h"
#include "base/Exceptions.h"

#include <QMessageBox>

#include <QTest>

#include <gtest/gtest.h>

#include <vector>

namespace {

// Puts a recorder in place of the browser for one test.
class BrowserRecorder {
public:
    BrowserRecorder() : old_(SetBrowserLauncher([this](const std::string& a) { opened.push_back(a); })) {}
    ~BrowserRecorder() { SetBrowserLauncher(old_); }
    BrowserRecorder(const BrowserRecorder&) = delete;
    BrowserRecorder& operator=(const BrowserRecorder&) = delete;

    std::vector<std::string> opened;

private:
    TBrowserLauncher old_;
};

}  // namespace

TEST(About, ShowsAFreshDialogEachTime) {
    TempDir dir;
    TForm1 form(dir.Dir());
    form.show();
    BrowserRecorder browser;
    std::vector<TAboutDlg*> shown;
    for (int round = 0; round < 3; ++round) {
        bool destroyed = false;
        WhenModal([&](QWidget* modal) {
            auto* dialog = qobject_cast<TAboutDlg*>(modal);
            ASSERT_NE(dialog, nullptr);
            shown.push_back(dialog);
            QObject::connect(dialog, &QObject::destroyed, [&] { destroyed = true; });
            EXPECT_EQ(dialog->windowTitle(), "About");
            EXPECT_EQ(dialog->size(), QSize(401, 380));
            EXPECT_EQ(dialog->Label1->text(), "Nemara " NEMARA_VERSION);
            EXPECT_EQ(dialog->Label3->text(), "A reader of RSS 2.0, RSS 1.0 and Atom news feeds.");
            EXPECT_EQ(dialog->Button4->text(), "OK");
            EXPECT_EQ(dialog->font().family(), "MS Sans Serif");
            EXPECT_TRUE(dialog->windowFlags() & Qt::WindowStaysOnTopHint);
            // The focus starts on "OK": Return closes the dialog and opens nothing.
            ASSERT_EQ(dialog->focusWidget(), dialog->Button4);
            if (round == 2) {
                QTest::keyClick(dialog->Button4, Qt::Key_Return);
                return;
            }

            QTest::mouseClick(dialog->Label5, Qt::LeftButton);
            ASSERT_EQ(browser.opened.size(), static_cast<std::size_t>(2 * round + 1));
            EXPECT_EQ(browser.opened.back(), "http://" + dialog->Label5->text().toStdString());
            // The link takes the focus and opens with Space; Escape closes.
            EXPECT_EQ(dialog->Label5->focusPolicy(), Qt::StrongFocus);
            dialog->Label5->setFocus();
            QTest::keyClick(dialog->Label5, Qt::Key_Space);
            ASSERT_EQ(browser.opened.size(), static_cast<std::size_t>(2 * round + 2));
            if (round == 0)
                dialog->Button4->click();
            else
                QTest::keyClick(dialog, Qt::Key_Escape);
        });
        form.Button1->click();
        EXPECT_TRUE(destroyed);
    }
    EXPECT_EQ(shown.size(), 3u);
    EXPECT_EQ(browser.opened.size(), 4u);
}

TEST(ErrorReport, AFailureInAHandlerIsShownAndTheProgramGoesOn) {
    class Failing : public QObject {
    public:
        bool event(QEvent*) override { throw EInOutError("Błąd zapisu"); }
    } failing;
    QString shownText;
    WhenModal([&](QWidget* modal) {
        auto* box = qobject_cast<QMessageBox*>(modal);
        ASSERT_NE(box, nullptr);
        shownText = box->text();
        EXPECT_EQ(box->icon(), QMessageBox::Critical);
        ASSERT_EQ(box->buttons().size(), 1);
        EXPECT_EQ(box->buttons()[0]->text(), "OK");
        box->buttons()[0]->click();
    });
    QEvent event(QEvent::User);
    QApplication::sendEvent(&failing, &event);
    EXPECT_EQ(shownText, QString::fromUtf8("Błąd zapisu"));
}
