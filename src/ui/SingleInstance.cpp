#include "ui/SingleInstance.h"

#include <QDir>
#include <QLocalServer>
#include <QLocalSocket>
#include <QStandardPaths>

namespace pivora::ui {

namespace {

QString RuntimeFolder()
{
    QString folder = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    if (folder.isEmpty())
        folder = QDir::tempPath();
    QDir().mkpath(folder);
    return folder;
}

// One name per user: the home folder tells users apart on every system.
QString ServerName(const QString& key)
{
    const QByteArray home = QDir::homePath().toUtf8();
    return key + QStringLiteral("-") + QString::number(qHash(home), 16);
}

} // namespace

SingleInstance::SingleInstance(const QString& key)
    : m_key(key), m_lock(RuntimeFolder() + QStringLiteral("/") + key + QStringLiteral(".lock"))
{
    m_lock.setStaleLockTime(0);
}

SingleInstance::~SingleInstance()
{
    if (m_server)
        m_server->close();
}

bool SingleInstance::Acquire(const std::vector<std::string>& files)
{
    if (m_lock.tryLock(0)) {
        m_server = std::make_unique<QLocalServer>();
        m_server->setSocketOptions(QLocalServer::UserAccessOption);
        QLocalServer::removeServer(ServerName(m_key));
        m_server->listen(ServerName(m_key));
        connect(m_server.get(), &QLocalServer::newConnection, this, &SingleInstance::OnConnection);
        return true;
    }
    if (files.empty())
        return false;
    // The names go over as they are, each ended by a NUL.
    QLocalSocket socket;
    socket.connectToServer(ServerName(m_key));
    if (!socket.waitForConnected(2000))
        return false;
    QByteArray message;
    for (const std::string& file : files) {
        message.append(file.data(), static_cast<qsizetype>(file.size()));
        message.append('\0');
    }
    socket.write(message);
    socket.waitForBytesWritten(2000);
    socket.disconnectFromServer();
    if (socket.state() != QLocalSocket::UnconnectedState)
        socket.waitForDisconnected(2000);
    return false;
}

void SingleInstance::OnConnection()
{
    while (QLocalSocket* socket = m_server->nextPendingConnection()) {
        auto buffer = std::make_shared<QByteArray>();
        connect(socket, &QLocalSocket::readyRead, socket,
                [socket, buffer] { buffer->append(socket->readAll()); });
        connect(socket, &QLocalSocket::disconnected, this, [this, socket, buffer] {
            buffer->append(socket->readAll());
            std::vector<std::string> files;
            for (const QByteArray& name : buffer->split('\0')) {
                if (!name.isEmpty())
                    files.emplace_back(name.constData(), static_cast<std::size_t>(name.size()));
            }
            socket->deleteLater();
            if (!files.empty())
                emit filesReceived(files);
        });
    }
}

} // namespace pivora::ui
