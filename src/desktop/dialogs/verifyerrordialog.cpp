#include "desktop/dialogs/verifyerrordialog.h"

#include "desktop/widgets/skinresources.h"

#include <QLabel>

VerifyErrorDialog::VerifyErrorDialog(const QString& errorText, const SkinResources& skin, const DialogActions& actions,
                                     QWidget* parent)
    : PublishMessageDialog(QStringLiteral("VERIFY_ERROR_BOX"), QStringLiteral("Publish errors"),
                           QStringLiteral("The following error occured :"), skin, actions, parent)
{
    auto* error = new QLabel(this);
    error->setObjectName(QStringLiteral("errorText"));
    // The service's words are shown as words, never interpreted as markup.
    error->setTextFormat(Qt::PlainText);
    error->setText(errorText);
    error->setFont(skin.textFont());
    error->setWordWrap(true);
    error->setTextInteractionFlags(Qt::TextSelectableByMouse);
    error->setMinimumWidth(320);

    setMessage(error, false);
}
