// The file dialogs of "Import channels…" and "Export channels…": they open
// in the user's home folder, then in the folder used last.
#pragma once

#include <QString>

class QWidget;

class TOpmlDialogs {
public:
    // The file to import, or "" when the user cancels.
    QString AskImportFile(QWidget* parent);
    // The file to export to, or "": a name typed without an extension gets
    // ".opml".
    QString AskExportFile(QWidget* parent);

private:
    QString Folder() const;
    void Remember(const QString& file);

    QString lastFolder_;
};
