#pragma once

#include <QString>

#include <stdexcept>

//! Failures of the wave-file library, thrown by value.
namespace WaveErrors {

//! The file does not start with "RIFF".
class RiffDoesntMatch
{};

//! The RIFF form type is not "WAVE".
class WaveDoesntMatch
{};

//! The fmt header does not start with "fmt ".
class FmtDoesntMatch
{};

//! No "data" chunk before the end of the file.
class DataDoesntMatch
{};

//! The file cannot be opened.
class FileOperation
{};

//! A file that WaveClip cannot read; what() names the file and the fault (UTF-8).
class ClipUnreadable : public std::runtime_error
{
public:
    explicit ClipUnreadable(const QString& message) : std::runtime_error(message.toStdString()) {}
};

} // namespace WaveErrors
