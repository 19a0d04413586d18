// The window's side of the item store: a read connection for what the
// window shows, and the writer thread to which merges and marks are posted.
// Results come back as queued signals, on the window's thread.
#pragma once

#include "feed/Channel.h"
#include "refresh/RefreshEngine.h"
#include "store/Store.h"

#include <QObject>
#include <QString>

#include <memory>
#include <string>
#include <vector>

class TStoreLink : public QObject {
    Q_OBJECT
public:
    // Opens "nemara.db" in the folder (ending in "/"). When no store can be
    // made there, Available() is false and OpenFailure() says why. Refreshes
    // download into unnamed files of tempFolder.
    TStoreLink(const std::string& folder, const std::string& tempFolder, QObject* parent);
    // Writes what was posted, then closes the store.
    ~TStoreLink() override;

    bool Available() const { return reader_ != nullptr; }
    const std::string& OpenFailure() const { return openFailure_; }
    const TStoreOpening& Opening() const { return opening_; }
    const std::string& Path() const { return path_; }
    // The window's own connection; only when Available().
    SQLite::Database& Reader() { return *reader_; }

    // Merges the channel; merged() tells how it went.
    void Merge(const std::string& address, TChannelFormat format, TRSS channel);
    void NoteFailure(const std::string& address, const std::string& reason);
    void MarkRead(std::vector<std::int64_t> ids, bool read);
    void MarkStarred(std::vector<std::int64_t> ids, bool starred);
    void MarkChannelRead(const std::string& address);
    void ForgetUnlisted(std::vector<std::string> listed);
    // merged(to) tells when the channel is under its new address.
    void MoveChannel(const std::string& from, const std::string& to);
    // Waits for every write posted so far and delivers its signal.
    void WaitForWrites();

    // Refreshes the channels beside the window (see TRefreshEngine);
    // refreshed() tells of each as it lands.
    void Refresh(const std::vector<std::string>& addresses, bool asked);
    void CancelRefresh();
    TRefreshEngine::TProgress RefreshProgress() const;
    // Waits until the refresh under way is over and delivers its signals.
    void WaitForRefresh();

signals:
    // failure is empty when the merge was written.
    void merged(const QString& address, const QString& failure);
    // A mark or a note could not be written.
    void writeFailed(const QString& failure);
    void refreshed(const TRefreshOutcome& outcome);

private:
    // Runs the write on the writer's thread; a failure comes back as
    // writeFailed when it is to be told.
    void Write(std::function<void(SQLite::Database&)> write, bool tell = true);

    std::string path_;
    std::string openFailure_;
    TStoreOpening opening_;
    std::unique_ptr<TStoreWriter> writer_;
    std::unique_ptr<SQLite::Database> reader_;
    std::unique_ptr<TRefreshEngine> engine_;
};
