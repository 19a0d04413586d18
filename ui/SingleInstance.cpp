#include "ui/SingleInstance.h"

#include "xml/NameKey.h"

#include <QCryptographicHash>
#include <QLocalSocket>

#include <string_view>

#include <unistd.h>

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

}  // namespace

TSingleInstance::TSingleInstance(const std::string& folder, QObject* parent)
    : QObject(parent), lock_(QString::fromStdString(folder + "channels.lst.lock")) {
    const QByteArray hash =
        QCryptographicHash::hash(QByteArray::fromStdString(folder), QCryptographicHash::Sha256)
            .toHex()
            .left(16);
    name_ = QString("nemara-%1-%2").arg(::getuid()).arg(QString::fromLatin1(hash));
    lock_.setStaleLockTime(0);  // only a lock of a dead process is stale
    connect(&server_, &QLocalServer::newConnection, this, &TSingleInstance::Serve);
}

bool TSingleInstance::TryBecomeFirst() {
    // A lock whose process is gone is stale, and tryLock takes it over.
    if (!lock_.tryLock(0))
        // Where no lock can be made at all (a folder the user may not
        // write), this window goes on alone.
        return lock_.error() != QLockFile::LockFailedError;
    // A socket left by a window that was killed is the lock holder's now.
    QLocalServer::removeServer(name_);
    server_.setSocketOptions(QLocalServer::UserAccessOption);
    server_.listen(name_);
    return true;
}

bool TSingleInstance::HandOver(const std::vector<std::string>& addresses) {
    QLocalSocket socket;
    socket.connectToServer(name_);
    if (!socket.waitForConnected(kWaitMs))
        return false;
    socket.write(Message(addresses));
    if (!socket.waitForBytesWritten(kWaitMs))
        return false;
    // The window answers once it has taken them.
    while (!socket.canReadLine())
        if (!socket.waitForReadyRead(kWaitMs))
            return false;
    return socket.readLine() == "ok\n";
}

void TSingleInstance::Serve() {
    while (QLocalSocket* socket = server_.nextPendingConnection()) {
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
            socket->write("ok\n");
            socket->flush();
            emit received(addresses);
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
