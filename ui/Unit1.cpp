#include "ui/Unit1.h"

TForm1::TForm1(QWidget* parent) : QMainWindow(parent) { setWindowTitle("Nemara 1.1"); }
