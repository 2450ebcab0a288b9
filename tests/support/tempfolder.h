#pragma once

#include <QByteArray>
#include <QString>
#include <QTemporaryDir>

//! A fresh folder for one test, removed afterwards. path() ends with "/".
class TempFolder
{
public:
    TempFolder();
    QString path() const;
    //! Absolute path of a file inside the folder.
    QString file(const QString& name) const;
    //! Writes bytes to a file inside the folder (creating sub-folders) and returns its path.
    QString write(const QString& name, const QByteArray& bytes) const;
    //! Whole contents of a file, empty when it cannot be read.
    static QByteArray read(const QString& path);

private:
    QTemporaryDir m_dir;
};

#include <ostream>

//! Readable QString values in test failure messages.
inline void PrintTo(const QString& s, std::ostream* os)
{
    *os << '"' << s.toStdString() << '"';
}
