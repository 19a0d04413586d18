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

signals:
    // A later start handed these over (possibly none: it asks to be shown).
    void received(const std::vector<std::string>& addresses);

private:
    void Serve();

    QLockFile lock_;
    QString name_;  // the local server's name, from the user and the folder
    QLocalServer server_;
};

// An address as given on the command line or by the desktop: "feed:" ones
// become http or https ("feed://x/rss" is "http://x/rss", "feed:https://x/"
// is "https://x/").
std::string AddressFromCommandLine(const std::string& argument);
