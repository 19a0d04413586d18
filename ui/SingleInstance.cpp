#include "ui/SingleInstance.h"

#include "xml/NameKey.h"

#include <QCryptographicHash>
#include <QFile>
#include <QLocalSocket>

#include <string_view>

#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

constexpr int kWaitMs = 5000;

// Addresses go as bytes, each ended by a line feed; an empty line ends them.
QByteArray Message(const std::vector<std::string>& addresses) {
    QByteArray bytes;
    for (const std::string& address : addresses) {
        if (address.empty() || address.find('\n') != std::string::npos)
            continue;
        bytes += QByteArray::fromStdString(address);
        bytes += '\n';
    }
    bytes += '\n';
    return bytes;
}

// Whether the process at the other end of a connected local socket runs as
// this user.
bool PeerIsThisUser(qintptr descriptor) {
    ucred peer{};
    socklen_t size = sizeof peer;
    return descriptor >= 0 &&
           ::getsockopt(static_cast<int>(descriptor), SOL_SOCKET, SO_PEERCRED, &peer, &size) == 0 &&
           size == sizeof peer && peer.uid == ::getuid();
}

// A folder of this user's, not a link, that nobody else may enter.
bool IsPrivateFolder(const std::string& path) {
    struct stat st {};
    return ::lstat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode) && st.st_uid == ::getuid() &&
           (st.st_mode & 077) == 0;
}

}  // namespace

std::string PrivateRuntimeFolder() {
    const char* runtime = std::getenv("XDG_RUNTIME_DIR");
    if (runtime && runtime[0] == '/' && IsPrivateFolder(runtime))
        return runtime;
    const char* tmp = std::getenv("TMPDIR");
    const std::string folder =
        std::string(tmp && tmp[0] == '/' ? tmp : "/tmp") + "/nemara-" + std::to_string(::getuid());
    if (::mkdir(folder.c_str(), 0700) != 0 && errno != EEXIST) {
        std::fprintf(stderr, "nemara: cannot make the folder \"%s\": %s\n", folder.c_str(),
                     std::strerror(errno));
        return {};
    }
    // A folder of this user's whose mode was changed is made private again;
    // one that is another user's, or a link, is never used.
    struct stat st {};
    if (::lstat(folder.c_str(), &st) == 0 && S_ISDIR(st.st_mode) && st.st_uid == ::getuid() &&
        (st.st_mode & 077) != 0)
        ::chmod(folder.c_str(), 0700);
    if (!IsPrivateFolder(folder)) {
        std::fprintf(stderr, "nemara: \"%s\" is not a private folder of this user; not used\n",
                     folder.c_str());
        return {};
    }
    return folder;
}

TSingleInstance::TSingleInstance(const std::string& folder, QObject* parent)
    : QObject(parent), lock_(QString::fromStdString(folder + "channels.lst.lock")) {
    const QByteArray hash =
        QCryptographicHash::hash(QByteArray::fromStdString(folder), QCryptographicHash::Sha256)
            .toHex()
            .left(16);
    if (const std::string runtime = PrivateRuntimeFolder(); !runtime.empty())
        name_ = QString::fromStdString(runtime) + QString("/nemara-%1").arg(QString::fromLatin1(hash));
    lock_.setStaleLockTime(0);  // only a lock of a dead process is stale
    connect(&server_, &QLocalServer::newConnection, this, &TSingleInstance::Serve);
}

bool TSingleInstance::TryBecomeFirst() {
    // A lock whose process is gone is stale, and tryLock takes it over.
    if (!lock_.tryLock(0))
        // Where no lock can be made at all (a folder the user may not
        // write), this window goes on alone.
        return lock_.error() != QLockFile::LockFailedError;
    if (name_.isEmpty())
        return true;  // no private folder: the window goes on without a listener
    // A socket left by a window that was killed is the lock holder's now.
    QLocalServer::removeServer(name_);
    server_.setSocketOptions(QLocalServer::UserAccessOption);
    server_.listen(name_);
    return true;
}

bool TSingleInstance::HandOver(const std::vector<std::string>& addresses) {
    return !name_.isEmpty() && HandOverTo(name_, addresses);
}

bool TSingleInstance::HandOverTo(const QString& socketPath, const std::vector<std::string>& addresses) {
    QLocalSocket socket;
    socket.connectToServer(socketPath);
    if (!socket.waitForConnected(kWaitMs))
        return false;
    // Nothing goes to a listener of another user's.
    if (!PeerIsThisUser(socket.socketDescriptor())) {
        std::fprintf(stderr, "nemara: the socket \"%s\" belongs to another user; nothing was sent\n",
                     QFile::encodeName(socketPath).constData());
        return false;
    }
    socket.write(Message(addresses));
    if (!socket.waitForBytesWritten(kWaitMs))
        return false;
    // The window answers once it has taken them.
    while (!socket.canReadLine())
        if (!socket.waitForReadyRead(kWaitMs))
            return false;
    return socket.readLine() == "ok\n";
}

// A connection only reads the addresses and answers; the window takes them
// from a queued call, once the connection's handler has returned, and the
// connection goes with deleteLater. A fetch and its boxes run their own
// event loop, in which the connection may end and be deleted: they never
// run inside its handler.
void TSingleInstance::Serve() {
    while (QLocalSocket* socket = server_.nextPendingConnection()) {
        if (!PeerIsThisUser(socket->socketDescriptor())) {
            socket->abort();
            socket->deleteLater();
            continue;
        }
        connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
        connect(socket, &QLocalSocket::readyRead, this, [this, socket] {
            // The whole message is there once it ends in an empty line.
            const QByteArray bytes = socket->peek(socket->bytesAvailable());
            if (!(bytes == "\n" || bytes.endsWith("\n\n")))
                return;
            socket->readAll();
            std::vector<std::string> addresses;
            for (const QByteArray& line : bytes.split('\n'))
                if (!line.isEmpty())
                    addresses.push_back(line.toStdString());
            socket->disconnect(this);
            socket->write("ok\n");
            socket->disconnectFromServer();
            QMetaObject::invokeMethod(
                this, [this, addresses] { emit received(addresses); }, Qt::QueuedConnection);
        });
    }
}

std::string AddressFromCommandLine(const std::string& argument) {
    const auto startsWithFolded = [&argument](std::string_view prefix) {
        return argument.size() >= prefix.size() &&
               SameNameKey(std::string_view(argument).substr(0, prefix.size()), prefix);
    };
    if (startsWithFolded("feed://"))
        return "http://" + argument.substr(7);
    if (startsWithFolded("feed:"))
        return argument.substr(5);
    return argument;
}
