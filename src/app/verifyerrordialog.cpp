#include "app/verifyerrordialog.h"

#include "app/dialogplacement.h"
#include "app/weblinks.h"
#include "views/skinresources.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QShowEvent>
#include <QStyle>

VerifyErrorDialog::VerifyErrorDialog(const QString& errorText, const SkinResources& skin,
                                     const DialogActions& actions, QWidget* parent)
    : QDialog(parent), m_actions(actions)
{
    setObjectName(QStringLiteral("VERIFY_ERROR_BOX"));
    setWindowTitle(QStringLiteral("Publish errors"));
    setModal(true);

    auto* icon = new QLabel(this);
    icon->setObjectName(QStringLiteral("icon"));
    icon->setPixmap(style()->standardIcon(QStyle::SP_MessageBoxWarning).pixmap(32, 32));
    auto* heading = new QLabel(QStringLiteral("The following error occured :"), this);
    heading->setObjectName(QStringLiteral("heading"));
    heading->setFont(skin.labelFont());
    auto* error = new QLabel(this);
    error->setObjectName(QStringLiteral("errorText"));
    // The service's words are shown as words, never interpreted as markup.
    error->setTextFormat(Qt::PlainText);
    error->setText(errorText);
    error->setFont(skin.textFont());
    error->setWordWrap(true);
    error->setTextInteractionFlags(Qt::TextSelectableByMouse);
    error->setMinimumWidth(320);

    auto* help = new QPushButton(QStringLiteral("Help"), this);
    help->setObjectName(QStringLiteral("help"));
    help->setAutoDefault(false);
    help->setEnabled(bool(m_actions.openHelpPage));
    connect(help, &QPushButton::clicked, this, [this] { m_actions.openHelpPage(weblinks::PublishPage); });
    auto* ok = new QPushButton(QStringLiteral("OK"), this);
    ok->setObjectName(QStringLiteral("ok"));
    ok->setDefault(true);
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);

    auto* grid = new QGridLayout;
    grid->addWidget(icon, 0, 0, 2, 1, Qt::AlignTop);
    grid->addWidget(heading, 0, 1);
    grid->addWidget(error, 1, 1);
    grid->setColumnStretch(1, 1);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(help);
    buttons->addWidget(ok);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(grid);
    layout->addLayout(buttons);
}

void VerifyErrorDialog::accept()
{
    // "OK" ends it like Escape and the close box: the caller only learns that it closed.
    done(0);
}

void VerifyErrorDialog::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    if (!event->spontaneous())
        placeOverOwner(*this);
}
