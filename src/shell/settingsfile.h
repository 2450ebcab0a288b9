#pragma once

#include <QString>

class ProgramSettings;
class UserAccount;

//! Reads and writes "pictorelle.ini": ISO 8859-1, CR LF line ends, one KEY=value per line.
//! A text value holding a character above U+00FF, a CR or LF, starting with U+0001, or too
//! long for a 1022-character line is written as the byte 0x01 followed by its UTF-8 bytes,
//! with the bytes below 0x21, "%" and 0x7F written as "%XX"; such a line is read whole.
class SettingsFile
{
public:
    //! Fills the records from the file's known keys; false when the file cannot be opened
    //! (the records then keep what they held, and the caller treats this as a first start).
    static bool load(const QString& path, ProgramSettings& settings, UserAccount& account);
    //! Replaces the file with all seventeen lines, then one "RECENT_STORY=" line per recent
    //! story (newest first), readable by the owner only (it holds the password digest). False
    //! when it cannot be written; an earlier file then stays as it was.
    static bool save(const QString& path, const ProgramSettings& settings, const UserAccount& account);
};
