#include "desktop/dialogs/publishchecksdialog.h"

#include "desktop/widgets/skinresources.h"
#include "publish/publishchecks.h"
#include "story/story.h"

#include <QLabel>
#include <QScrollArea>
#include <QScrollBar>

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
    : PublishMessageDialog(QStringLiteral("PUBLISH_ERROR_BOX"), QStringLiteral("Publish Pictorelle"),
                           QStringLiteral("Please fix the following errors:"), skin, actions, parent)
{
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

    setMessage(scroller, true);
}
