#include "app/publishchecksdialog.h"

#include "app/dialogplacement.h"
#include "app/weblinks.h"
#include "publish/publishchecks.h"
#include "story/story.h"
#include "views/skinresources.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QShowEvent>
#include <QStyle>

#include <algorithm>

namespace {

// A report of fifty slides without narration is taller than most screens.
constexpr int MaxReportHeight = 420;

} // namespace

int PublishChecksDialog::run(Story& story, const UserAccount& account, int mode, const SkinResources& skin,
                             const DialogActions& actions, QWidget* parent)
{
    const CheckReport report = runPublishChecks(story, account);
    if (report.isClean() && mode > 0)
        return 1;
    PublishChecksDialog dialog(report.isClean() ? noErrorsText() : report.text, skin, actions, parent);
    dialog.exec();
    if (report.infoProblem && story.count() >= 1 && actions.postCommand)
        actions.postCommand(EditStoryCommand);
    return 0;
}

PublishChecksDialog::PublishChecksDialog(const QString& reportText, const SkinResources& skin,
                                         const DialogActions& actions, QWidget* parent)
    : QDialog(parent), m_actions(actions)
{
    setObjectName(QStringLiteral("PUBLISH_ERROR_BOX"));
    setWindowTitle(QStringLiteral("Publish Pictorelle"));
    setModal(true);

    auto* icon = new QLabel(this);
    icon->setObjectName(QStringLiteral("icon"));
    icon->setPixmap(style()->standardIcon(QStyle::SP_MessageBoxWarning).pixmap(32, 32));
    auto* heading = new QLabel(QStringLiteral("Please fix the following errors:"), this);
    heading->setObjectName(QStringLiteral("heading"));
    heading->setFont(skin.labelFont());

    auto* report = new QLabel(this);
    report->setObjectName(QStringLiteral("report"));
    report->setTextFormat(Qt::PlainText);
    // A label breaks lines at LF; a CR would show as a stray glyph.
    report->setText(QString(reportText).replace(QLatin1String("\r\n"), QLatin1String("\n")));
    report->setFont(skin.textFont());
    report->setTextInteractionFlags(Qt::TextSelectableByMouse);
    report->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    auto* scroller = new QScrollArea(this);
    scroller->setObjectName(QStringLiteral("reportArea"));
    scroller->setFrameShape(QFrame::NoFrame);
    scroller->setWidget(report);
    scroller->setWidgetResizable(true);
    scroller->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    const QSize wanted = report->sizeHint();
    scroller->setMinimumWidth(wanted.width() + scroller->verticalScrollBar()->sizeHint().width());
    scroller->setMinimumHeight(std::min(wanted.height(), MaxReportHeight));

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
    grid->addWidget(scroller, 1, 1);
    grid->setColumnStretch(1, 1);
    grid->setRowStretch(1, 1);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(help);
    buttons->addWidget(ok);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(grid);
    layout->addLayout(buttons);
}

void PublishChecksDialog::accept()
{
    // "OK" publishes nothing: it ends the report like Escape and the close box.
    done(0);
}

void PublishChecksDialog::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    if (!event->spontaneous())
        placeOverOwner(*this);
}
