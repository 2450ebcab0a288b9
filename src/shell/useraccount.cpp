#include "shell/useraccount.h"

#include "story/text.h"

void UserAccount::setUserName(const QString& name)
{
    m_userName = text::cut(name, UserNameCapacity);
}

void UserAccount::setPassword(const QString& digest)
{
    m_password = text::cut(digest, PasswordCapacity);
}

void UserAccount::setLanguageText(const QString& language)
{
    m_languageText = text::cut(language, LanguageTextCapacity);
}
