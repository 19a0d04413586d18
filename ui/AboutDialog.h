// The about dialog: name and version, icon, terms of use, credits and a
// link to the product's web page.
#pragma once

#include "ui/Controls.h"

#include <QDialog>
#include <QPixmap>
#include <QPushButton>

class TAboutDlg : public QDialog {
    Q_OBJECT
public:
    explicit TAboutDlg(QWidget* parent = nullptr);

    QWidget* Panel2;
    QLabel* Image1;
    TLabel* Label6;
    TLabel* Label5;
    TLabel* Label4;
    TLabel* Label3;
    TLabel* Label1;
    QPushButton* Button4;
    TLabel* Label2;

    void Button4Click(QObject* Sender);
    void Label5Click(QObject* Sender);
};

// Shows a new about dialog modally and frees it afterwards. With an owner
// the dialog is transient for the owner's window, so that window managers
// treat it as the owner's dialog (kept above it, not minimised alone); it
// keeps its own look, since it is not the owner's child.
void ShowAboutBox(QWidget* owner = nullptr);

// The program's icon, drawn at the given size.
QPixmap ProgramIcon(int size);
