#include "desktop/dialogs/aboutdialog.h"

#include "desktop/dialogs/dialogplacement.h"
#include "desktop/widgets/skinresources.h"
#include "shell/weblinks.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QMouseEvent>
#include <QPushButton>
#include <QShowEvent>
#include <QVBoxLayout>

namespace {

constexpr int ProgramIcon = 100;
constexpr int WebLinkPicture = 120;
constexpr QSize WebLinkSize(189, 20);
constexpr int IconEdge = 32;

} // namespace

AboutDialog::AboutDialog(const SkinResources& skin, const DialogActions& actions, QWidget* parent)
    : QDialog(parent), m_actions(actions)
{
    setObjectName(QStringLiteral("ABOUT_BOX"));
    setWindowTitle(QStringLiteral("Pictorelle Dazuzarid"));
    setModal(true);

    // Drawn for the pixels of the screen the dialog opens on, over its owner.
    const qreal ratio = parent ? parent->devicePixelRatioF() : devicePixelRatioF();
    auto* icon = new QLabel(this);
    icon->setObjectName(QStringLiteral("programIcon"));
    icon->setPixmap(skin.face(ProgramIcon, QSize(IconEdge, IconEdge), ratio));
    icon->setAlignment(Qt::AlignTop);
    auto* title = new QLabel(QStringLiteral("Pictorelle Dazuzarid"), this);
    title->setObjectName(QStringLiteral("header"));
    title->setFont(skin.labelFont());
    auto* version = new QLabel(versionText(), this);
    version->setObjectName(QStringLiteral("version"));
    auto* ok = new QPushButton(QStringLiteral("OK"), this);
    ok->setObjectName(QStringLiteral("ok"));
    ok->setDefault(true);
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);

    m_link = new QLabel(this);
    m_link->setObjectName(QStringLiteral("webLink"));
    m_link->setPixmap(skin.face(WebLinkPicture, WebLinkSize, ratio));
    m_link->setFixedSize(WebLinkSize);
    if (m_actions.openWebAddress)
        m_link->setCursor(Qt::PointingHandCursor);
    m_link->installEventFilter(this);

    auto* texts = new QVBoxLayout;
    texts->addWidget(title);
    texts->addWidget(version);
    texts->addStretch(1);
    auto* top = new QHBoxLayout;
    top->addWidget(icon);
    top->addLayout(texts, 1);
    top->addWidget(ok, 0, Qt::AlignTop);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addSpacing(IconEdge / 2);
    layout->addWidget(m_link, 0, Qt::AlignHCenter);
}

QString AboutDialog::versionText()
{
    return QStringLiteral("version 1.01 build 0524");
}

bool AboutDialog::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_link && event->type() == QEvent::MouseButtonPress &&
        static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton && m_actions.openWebAddress) {
        m_actions.openWebAddress(weblinks::serviceHomeAddress(m_actions.serviceBase));
        return true;
    }
    return QDialog::eventFilter(watched, event);
}

void AboutDialog::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    if (!event->spontaneous())
        placeOverOwner(*this);
}
