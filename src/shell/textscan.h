#pragma once

#include <QString>
#include <QStringList>
#include <QStringView>

#include <optional>

//! Reading helpers for the program's one-byte-per-character text files
//! ("category.dat", "language.dat", "pictorelle.ini").
namespace textscan {

//! The decimal number at the start of s as "%d" reads it (leading blanks, a sign);
//! nullopt when there is none or it does not fit 32 bits. end receives the index after it.
std::optional<int> leadingInt(QStringView s, qsizetype* end = nullptr);

//! The decimal number at the start of s as "%f" reads it, independent of the locale.
std::optional<double> leadingFloat(QStringView s);

//! The file's lines as ISO 8859-1 text without their CR LF or LF ends; nullopt when
//! the file cannot be read.
std::optional<QStringList> readLatin1Lines(const QString& path);

} // namespace textscan
