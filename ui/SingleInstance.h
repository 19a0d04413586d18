// One window per channel list: the first start on a folder holds a lock on
// it and listens; a later start hands its addresses to that window and ends.
#pragma once

#include <QLocalServer>
#include <QLockFile>
#include <QObject>

#include <string>
#include <vector>

class TSingleInstance : public QObject {
    Q_OBJECT
public:
    // folder ends in "/"; the lock is "channels.lst.lock" in it.
    explicit TSingleInstance(const std::string& folder, QObject* parent = nullptr);

    // Takes the lock (a stale one of a dead process is taken over) and
    // listens. False when another window holds it.
    bool TryBecomeFirst();

    // Hands the addresses to the window that holds the lock and waits for
    // its answer; false when none answers.
    bool HandOver(const std::vector<std::string>& addresses);

    // Hands the addresses to the listener at that socket path, only when it
    // runs as this user; false when it does not, or does not answer.
    static bool HandOverTo(const QString& socketPath, const std::vector<std::string>& addresses);

    // The path of the socket: in the user's runtime folder, one that only
    // he may enter; "" when there is none to trust.
    const QString& SocketPath() const { return name_; }

signals:
    // A later start handed these over (possibly none: it asks to be shown).
    // Always emitted from the event loop, never inside the connection's
    // own handler, so a receiver may run a dialog or a fetch.
    void received(const std::vector<std::string>& addresses);

private:
    void Serve();

    QLockFile lock_;
    QString name_;  // the local server's full path, from the user and the folder
    QLocalServer server_;
};

// A folder for the user's sockets that only he may enter: $XDG_RUNTIME_DIR
// when it is a folder of his with no access for others, else
// "nemara-<uid>" in the temporary folder, made with mode 0700 and checked
// (owner, kind, mode) before use. "" (with a message on standard error)
// when no such folder can be had.
std::string PrivateRuntimeFolder();

// An address as given on the command line or by the desktop: "feed:" ones
// become http or https ("feed://x/rss" is "http://x/rss", "feed:https://x/"
// is "https://x/").
std::string AddressFromCommandLine(const std::string& argument);
