#pragma once

#include <QString>

//! Per-installation settings kept in "pictorelle.ini": window placement, cue-card
//! window position, warning switches and the folders the program works with.
class ProgramSettings
{
public:
    static constexpr int FolderCapacity = 1024;

    //! 1 hides the prompt before a narration is cleared.
    int hideClearAudio() const { return m_hideClearAudio; }
    void setHideClearAudio(int hide) { m_hideClearAudio = hide; }
    //! 1 hides the prompt before recording over a narration.
    int hideRecordOverAudio() const { return m_hideRecordOverAudio; }
    void setHideRecordOverAudio(int hide) { m_hideRecordOverAudio = hide; }
    //! Cue-card window position in screen pixels.
    int cueX() const { return m_cueX; }
    int cueY() const { return m_cueY; }
    void setCueX(int x) { m_cueX = x; }
    void setCueY(int y) { m_cueY = y; }
    //! Main window rectangle in screen pixels; the caller fills it in before saving.
    int windowX() const { return m_windowX; }
    int windowY() const { return m_windowY; }
    int windowWidth() const { return m_windowWidth; }
    int windowHeight() const { return m_windowHeight; }
    void setWindowX(int x) { m_windowX = x; }
    void setWindowY(int y) { m_windowY = y; }
    void setWindowWidth(int width) { m_windowWidth = width; }
    void setWindowHeight(int height) { m_windowHeight = height; }

    //! Ends with "/"; never stored in the settings file.
    QString programFolder() const { return m_programFolder; }
    //! Keeps at most 1023 characters.
    void setProgramFolder(const QString& folder);
    //! Initial folder of the Add Slide file dialog.
    QString addPhotoFolder() const { return m_addPhotoFolder; }
    //! Ignores an empty folder; keeps at most 1023 characters.
    void setAddPhotoFolder(const QString& folder);

private:
    int m_hideClearAudio = 0;
    int m_hideRecordOverAudio = 0;
    int m_cueX = 0;
    int m_cueY = 0;
    int m_windowX = 0;
    int m_windowY = 0;
    int m_windowWidth = 800;
    int m_windowHeight = 600;
    QString m_programFolder;
    QString m_addPhotoFolder;
};

//! The web-service account and the publishing language.
class UserAccount
{
public:
    static constexpr int UserNameCapacity = 256;
    static constexpr int PasswordCapacity = 256;
    static constexpr int LanguageTextCapacity = 100;

    QString userName() const { return m_userName; }
    //! Keeps at most 255 characters.
    void setUserName(const QString& name);
    //! Empty, or the password's MD5 digest as 32 lower-case hexadecimal digits; never the typed password.
    QString password() const { return m_password; }
    //! Keeps at most 255 characters.
    void setPassword(const QString& digest);
    //! Name of the publishing language, sent with every upload.
    QString languageText() const { return m_languageText; }
    //! Keeps at most 99 characters.
    void setLanguageText(const QString& language);
    //! Index of the language in "language.dat".
    int languageId() const { return m_languageId; }
    void setLanguageId(int id) { m_languageId = id; }
    bool rememberPassword() const { return m_rememberPassword; }
    void setRememberPassword(bool remember) { m_rememberPassword = remember; }

private:
    QString m_userName;
    QString m_password;
    QString m_languageText = QStringLiteral("English");
    int m_languageId = 0;
    bool m_rememberPassword = false;
};

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
    //! Replaces the file with all fifteen lines, readable by the owner only (it holds the
    //! password digest). False when it cannot be written; an earlier file then stays as it was.
    static bool save(const QString& path, const ProgramSettings& settings, const UserAccount& account);
};
