#pragma once

#include <QObject>
#include <QString>

class QLocalServer;
class QLocalSocket;

//! Lets one copy of the program run per user and program folder. A later copy asks the
//! running one to come to the front and then quits. Lives on the user-interface thread.
class SingleInstance : public QObject
{
    Q_OBJECT

public:
    //! Local socket name for one user and program folder: readable prefix, bounded length,
    //! only letters, digits, '-' and '_' (no path separators whatever the user name holds).
    static QString serverName(const QString& userName, const QString& programFolder);
    //! Name of the user running this process, from the password database, else $USER.
    static QString loginName();

    //! name: a value made by serverName().
    explicit SingleInstance(const QString& name, QObject* parent = nullptr);
    ~SingleInstance() override;

    //! True when this is the only copy; it then listens for later copies. False when another copy
    //! answered: it has been asked to come to the front. Blocks for at most a few seconds and
    //! touches no file but its own socket and lock file in the temporary folder.
    bool claim();
    //! True after a successful claim() that could open the socket.
    bool isListening() const;
    //! Path of the socket while listening, else empty.
    QString socketPath() const;

signals:
    //! A later copy asked this one to come to the front.
    void raiseRequested();

private:
    bool askRunningCopy();
    bool listen();
    void acceptClients();
    void readRequest(QLocalSocket* client);

    QString m_name;
    QLocalServer* m_server = nullptr;
};
