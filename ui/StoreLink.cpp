#include "ui/StoreLink.h"

#include "ui/QtText.h"

#include <QCoreApplication>
#include <QMetaObject>

TStoreLink::TStoreLink(const std::string& folder, QObject* parent)
    : QObject(parent), path_(folder + kStoreFile) {
    try {
        writer_ = std::make_unique<TStoreWriter>(OpenStoreForWriting(path_, opening_));
        reader_ = OpenStoreForReading(path_);
    } catch (const std::exception& e) {
        writer_.reset();
        openFailure_ = e.what();
    }
}

// The writer's connection closes last: the last to close folds the journal
// into the file and removes it, which a read-only one cannot do.
TStoreLink::~TStoreLink() {
    reader_.reset();
    writer_.reset();
}

void TStoreLink::Merge(const std::string& address, TChannelFormat format, TRSS channel) {
    if (!writer_)
        return;
    // The record moves to the writer, which drops it once merged.
    auto record = std::make_shared<TRSS>(std::move(channel));
    writer_->Post([this, address, format, record](SQLite::Database& db) {
        QString failure;
        try {
            MergeChannel(db, address, format, *record, StoreNow());
        } catch (const std::exception& e) {
            failure = ToQString(e.what());
        }
        record->Clear();
        QMetaObject::invokeMethod(
            this, [this, address, failure] { emit merged(ToQString(address), failure); },
            Qt::QueuedConnection);
    });
}

void TStoreLink::Write(std::function<void(SQLite::Database&)> write, bool tell) {
    if (!writer_)
        return;
    writer_->Post([this, write = std::move(write), tell](SQLite::Database& db) {
        try {
            write(db);
        } catch (const std::exception& e) {
            if (!tell)
                return;
            const QString failure = ToQString(e.what());
            QMetaObject::invokeMethod(
                this, [this, failure] { emit writeFailed(failure); }, Qt::QueuedConnection);
        }
    });
}

void TStoreLink::NoteFailure(const std::string& address, const std::string& reason) {
    // The fetch's own failure has been told; that its reason could not be
    // kept is not worth a second box.
    Write([address, reason](SQLite::Database& db) { ::NoteFailure(db, address, reason, StoreNow()); }, false);
}

void TStoreLink::MarkRead(std::vector<std::int64_t> ids, bool read) {
    Write([ids = std::move(ids), read](SQLite::Database& db) { ::MarkRead(db, ids, read); });
}

void TStoreLink::MarkStarred(std::vector<std::int64_t> ids, bool starred) {
    Write([ids = std::move(ids), starred](SQLite::Database& db) { ::MarkStarred(db, ids, starred); });
}

void TStoreLink::MarkChannelRead(const std::string& address) {
    Write([address](SQLite::Database& db) { ::MarkChannelRead(db, address); });
}

void TStoreLink::ForgetUnlisted(std::vector<std::string> listed) {
    Write([listed = std::move(listed)](SQLite::Database& db) { ::ForgetUnlisted(db, listed); });
}

void TStoreLink::WaitForWrites() {
    if (writer_)
        writer_->Drain();
    QCoreApplication::sendPostedEvents(this);
}
