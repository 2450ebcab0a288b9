#pragma once

#include <QString>
#include <QStringList>

//! The publishing languages of "language.dat", in file order.
class LanguageTable
{
public:
    //! Most names the file may announce; a larger count yields no names.
    static constexpr int MaxLanguages = 999;

    //! Replaces the names with the file's; false (and no names) when it cannot be opened.
    bool load(const QString& path);

    //! Names in file order; a line missing before the announced count gives an empty name.
    const QStringList& names() const { return m_names; }
    int count() const { return int(m_names.size()); }
    //! Empty outside 0 … count − 1.
    QString name(int index) const { return m_names.value(index); }

private:
    QStringList m_names;
};
