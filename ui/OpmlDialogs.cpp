#include "ui/OpmlDialogs.h"

#include <QDir>
#include <QFileDialog>
#include <QFileInfo>

QString TOpmlDialogs::Folder() const { return lastFolder_.isEmpty() ? QDir::homePath() : lastFolder_; }

void TOpmlDialogs::Remember(const QString& file) {
    if (!file.isEmpty())
        lastFolder_ = QFileInfo(file).absolutePath();
}

QString TOpmlDialogs::AskImportFile(QWidget* parent) {
    const QString file = QFileDialog::getOpenFileName(parent, "Import channels", Folder(),
                                                      "OPML files (*.opml *.xml);;All files (*)");
    Remember(file);
    return file;
}

QString TOpmlDialogs::AskExportFile(QWidget* parent) {
    QFileDialog dialog(parent, "Export channels", Folder(), "OPML files (*.opml);;All files (*)");
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    // Given to a name typed without an extension, whichever filter is chosen.
    dialog.setDefaultSuffix("opml");
    dialog.selectFile("channels.opml");
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return {};
    const QString file = dialog.selectedFiles().first();
    Remember(file);
    return file;
}
