#pragma once

#include <QString>

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
