#include "ui/StoreLink.h"

#include "refresh/ChannelFetcher.h"
#include "ui/QtText.h"

#include <QCoreApplication>
#include <QMetaObject>

TStoreLink::TStoreLink(const std::string& folder, const std::string& tempFolder, QObject* parent)
    : QObject(parent), path_(folder + kStoreFile) {
    try {
        writer_ = std::make_unique<TStoreWriter>(OpenStoreForWriting(path_, opening_));
        reader_ = OpenStoreForReading(path_);
    } catch (const std::exception& e) {
        reader_.reset();
        writer_.reset();
        openFailure_ = e.what();
        return;
    }
    engine_ = std::make_unique<TRefreshEngine>(
        path_, *writer_, MakeChannelFetcher(tempFolder, UserShortDateFormat()),
        [this](const TRefreshOutcome& outcome) {
            QMetaObject::invokeMethod(
                this, [this, outcome] { emit refreshed(outcome); }, Qt::QueuedConnection);
        });
}

// The writer's connection closes last: the last to close folds the journal
// into the file and removes it, which a read-only one cannot do.
TStoreLink::~TStoreLink() {
    engine_.reset();
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

void TStoreLink::MoveChannel(const std::string& from, const std::string& to) {
    // The window shows the channel under its new address once it is there.
    Write([this, from, to](SQLite::Database& db) {
        ::MoveChannel(db, from, to);
        const QString moved = ToQString(to);
        QMetaObject::invokeMethod(
            this, [this, moved] { emit merged(moved, {}); }, Qt::QueuedConnection);
    });
}

void TStoreLink::WaitForWrites() {
    if (writer_)
        writer_->Drain();
    QCoreApplication::sendPostedEvents(this);
}

void TStoreLink::Refresh(const std::vector<std::string>& addresses, bool asked) {
    if (engine_)
        engine_->Refresh(addresses, asked);
}

void TStoreLink::CancelRefresh() {
    if (engine_)
        engine_->Cancel();
}

TRefreshEngine::TProgress TStoreLink::RefreshProgress() const {
    return engine_ ? engine_->Progress() : TRefreshEngine::TProgress{};
}

void TStoreLink::WaitForRefresh() {
    if (engine_)
        engine_->Wait();
    WaitForWrites();
}
