#include "desktop/dialogs/publishmessagedialog.h"

#include "desktop/dialogs/dialogplacement.h"
#include "desktop/widgets/skinresources.h"
#include "shell/weblinks.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QShowEvent>
#include <QStyle>

PublishMessageDialog::PublishMessageDialog(const QString& objectName, const QString& caption, const QString& heading,
                                           const SkinResources& skin, const DialogActions& actions, QWidget* parent)
    : QDialog(parent), m_actions(actions), m_grid(new QGridLayout)
{
    setObjectName(objectName);
    setWindowTitle(caption);
    setModal(true);

    auto* icon = new QLabel(this);
    icon->setObjectName(QStringLiteral("icon"));
    icon->setPixmap(style()->standardIcon(QStyle::SP_MessageBoxWarning).pixmap(32, 32));
    auto* headingLabel = new QLabel(heading, this);
    headingLabel->setObjectName(QStringLiteral("heading"));
    headingLabel->setFont(skin.labelFont());

    auto* help = new QPushButton(QStringLiteral("Help"), this);
    m_help = help;
    help->setObjectName(QStringLiteral("help"));
    help->setAutoDefault(false);
    help->setEnabled(bool(m_actions.openHelpPage));
    connect(help, &QPushButton::clicked, this, [this] { m_actions.openHelpPage(weblinks::PublishPage); });
    auto* ok = new QPushButton(QStringLiteral("OK"), this);
    ok->setObjectName(QStringLiteral("ok"));
    ok->setDefault(true);
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);

    m_grid->addWidget(icon, 0, 0, 2, 1, Qt::AlignTop);
    m_grid->addWidget(headingLabel, 0, 1);
    m_grid->setColumnStretch(1, 1);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(help);
    buttons->addWidget(ok);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(m_grid);
    layout->addLayout(buttons);
}

void PublishMessageDialog::setMessage(QWidget* message, bool stretch)
{
    m_grid->addWidget(message, 1, 1);
    // The message comes first in the tab order, as it stands first on the page.
    setTabOrder(message, m_help);
    if (stretch)
        m_grid->setRowStretch(1, 1);
}

void PublishMessageDialog::accept()
{
    // "OK" publishes nothing: it ends the message like Escape and the close box.
    done(0);
}

void PublishMessageDialog::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    if (!event->spontaneous())
        placeOverOwner(*this);
}
