#pragma once

#include <QLockFile>
#include <QObject>

#include <memory>
#include <string>
#include <vector>

class QLocalServer;

namespace pivora::ui {

// One running program per user. The first start holds a lock and listens; a later start finds
// the lock taken, hands its files (if any) to the first one and ends.
class SingleInstance : public QObject
{
    Q_OBJECT
public:
    // `key` tells programs apart; tests use keys of their own.
    explicit SingleInstance(const QString& key = QStringLiteral("pivora"));
    ~SingleInstance() override;

    // True when this is the only instance. Otherwise `files` went to the running one.
    bool Acquire(const std::vector<std::string>& files);

signals:
    // Files named by a later start.
    void filesReceived(const std::vector<std::string>& files);

private:
    void OnConnection();

    QString m_key;
    QLockFile m_lock;
    std::unique_ptr<QLocalServer> m_server;
};

} // namespace pivora::ui
