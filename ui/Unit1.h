// The main window.
#pragma once

#include "feed/Feed.h"

#include <QMainWindow>

class TForm1 : public QMainWindow {
    Q_OBJECT
public:
    explicit TForm1(QWidget* parent = nullptr);

    TRSS FChannel;
};
