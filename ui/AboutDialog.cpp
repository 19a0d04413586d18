#include "ui/AboutDialog.h"

#include "ui/Application.h"
#include "ui/Browser.h"
#include "ui/Fonts.h"
#include "ui/QtText.h"

#include <QGuiApplication>
#include <QKeyEvent>
#include <QPainter>
#include <QPainterPath>
#include <QScreen>

#include <memory>

namespace {

const char* const kTerms = "This program is free for private and commercial use.\n\n"
                           "It is provided as is, without warranty of any kind; its authors are not liable "
                           "for any damage that comes of its use.\n\n"
                           "You may pass it on to others.";

void Place(QWidget* widget, int left, int top, int width, int height) {
    widget->setGeometry(left, top, width, height);
}

}  // namespace

QPixmap ProgramIcon(int size) {
    QPixmap pixmap(size, size);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.scale(size / 64.0, size / 64.0);
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(0xE8, 0x7A, 0x1E));
    painter.drawRoundedRect(QRectF(2, 2, 60, 60), 10, 10);
    painter.setBrush(Qt::white);
    painter.drawEllipse(QPointF(17, 47), 6, 6);
    QPen arc(Qt::white, 7, Qt::SolidLine, Qt::FlatCap);
    painter.setPen(arc);
    painter.setBrush(Qt::NoBrush);
    painter.drawArc(QRectF(-9, 21, 52, 52), 0, 90 * 16);
    painter.drawArc(QRectF(-29, 1, 92, 92), 0, 90 * 16);
    return pixmap;
}

TAboutDlg::TAboutDlg(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint |
                          Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint | Qt::WindowStaysOnTopHint) {
    LoadFonts();
    setWindowTitle("About");
    setFixedSize(401, 380);
    // The bitmap face of the design does not scale: above 96 dpi a face
    // that does takes its place, at the same size.
    setFont(PixelFont(devicePixelRatioF() > 1 ? "Tahoma" : "MS Sans Serif", 11));
    QPalette face = palette();
    face.setColor(QPalette::Window, face.color(QPalette::Button));
    setPalette(face);
    setAutoFillBackground(true);

    Panel2 = new QWidget(this);
    Place(Panel2, 0, 0, 97, 380);
    QPalette white = Panel2->palette();
    white.setColor(QPalette::Window, Qt::white);
    Panel2->setPalette(white);
    Panel2->setAutoFillBackground(true);

    Image1 = new QLabel(Panel2);
    Place(Image1, 16, 16, 64, 64);
    Image1->setPixmap(ProgramIcon(64));

    Label6 = new TLabel(kTerms, this, false, Qt::AlignLeft | Qt::AlignTop);
    Place(Label6, 112, 96, 273, 193);
    Label6->setWordWrap(true);

    Label5 = new TLabel("nemara.example.org/", this, false, Qt::AlignCenter);
    Place(Label5, 104, 352, 289, 14);
    Label5->setFont(PixelFont("Tahoma", 12));
    Label5->setCursor(Qt::PointingHandCursor);
    // The link is reached with Tab and opened with Space or Enter.
    Label5->setFocusPolicy(Qt::StrongFocus);

    Label4 = new TLabel("Built with Qt 6 for Linux.", this);
    Place(Label4, 112, 68, 155, 13);
    Label4->SetCaption(Label4->text());

    Label3 = new TLabel("A reader of RSS 2.0, RSS 1.0 and Atom news feeds.", this);
    Place(Label3, 112, 48, 265, 13);
    Label3->SetCaption(Label3->text());

    Label1 = new TLabel(QString("Nemara ") + NEMARA_VERSION, this);
    Place(Label1, 112, 16, 121, 16);
    Label1->setFont(PixelFont("Tahoma", 13));

    Button4 = new QPushButton("OK", this);
    Place(Button4, 8, 344, 75, 25);
    Button4->setDefault(true);
    // The dialog opens with the focus on "OK", so that Return closes it;
    // Tab reaches the link.
    setTabOrder(Button4, Label5);
    Button4->setFocus();

    Label2 = new TLabel("XML reading: the VexXMLParser component by its authors.", this);
    Place(Label2, 112, 296, 275, 13);
    Label2->SetCaption(Label2->text());

    connect(Button4, &QPushButton::clicked, this, Handler([this] { Button4Click(Button4); }));
    connect(Label5, &TLabel::clicked, this, Handler([this] { Label5Click(Label5); }));
}

void TAboutDlg::Button4Click(QObject*) { accept(); }

void TAboutDlg::Label5Click(QObject*) { OpenInBrowser("http://" + FromQString(Label5->text())); }

void ShowAboutBox(QWidget* owner) {
    auto dialog = std::make_unique<TAboutDlg>();
    if (QScreen* screen = QGuiApplication::primaryScreen())
        dialog->move(screen->availableGeometry().center() - dialog->rect().center());
    MakeTransientFor(dialog.get(), owner);
    dialog->exec();
}
