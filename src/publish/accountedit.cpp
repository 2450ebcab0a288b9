#include "publish/accountedit.h"

#include "publish/md5digest.h"
#include "shell/useraccount.h"
#include "story/text.h"

void applyAccountFields(UserAccount& account, const AccountFields& fields, const QStringList& languages)
{
    account.setUserName(text::cut(fields.userName, 255));
    const QString typed = text::cut(fields.passwordField, 255);
    if (typed.isEmpty())
        account.setPassword(QString());
    else if (typed != account.password())
        account.setPassword(passwordDigest(typed));
    account.setRememberPassword(fields.remember);
    if (fields.languageIndex >= 0 && fields.languageIndex < languages.size()) {
        account.setLanguageId(fields.languageIndex);
        account.setLanguageText(languages.at(fields.languageIndex));
    }
}
