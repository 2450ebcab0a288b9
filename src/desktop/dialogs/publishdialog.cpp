#include "desktop/dialogs/publishdialog.h"

#include "desktop/dialogs/dialogplacement.h"
#include "desktop/dialogs/verifyerrordialog.h"
#include "desktop/widgets/skinresources.h"
#include "shell/weblinks.h"
#include "story/story.h"

#include <QGridLayout>
#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <QShowEvent>
#include <QTimerEvent>
#include <QVBoxLayout>

#include <algorithm>
#include <cmath>

namespace {

constexpr int BarInset = 15;
constexpr int BarHeight = 20;
// Room for the bar and its frame between the status lines and the View button.
constexpr int BarAreaHeight = 44;

QPushButton* makeButton(const QString& text, const char* name, QWidget* parent)
{
    auto* button = new QPushButton(text, parent);
    button->setObjectName(QLatin1String(name));
    button->setAutoDefault(false);
    return button;
}

} // namespace

PublishDialog::PublishDialog(Story& story, const UserAccount& account, ServiceClient& client,
                             const QString& serviceBase, const SkinResources& skin, const DialogActions& actions,
                             PublicationRun::QuietSave quietSave, QWidget* parent, Messenger* messenger,
                             bool evenLoudness)
    : QDialog(parent), m_story(story), m_skin(skin), m_actions(actions), m_serviceBase(serviceBase)
{
    m_run = std::make_unique<PublicationRun>(
        PublicationRun::Context{story, account, client, messenger, serviceBase, std::move(quietSave), evenLoudness});

    setObjectName(QStringLiteral("PUBLISH_BOX"));
    setModal(true);
    // No close box: the way out is Cancel (or Escape) until a result is shown, then Ok.
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint);

    m_top = new QWidget(this);
    m_top->setObjectName(QStringLiteral("statusBlock"));
    m_statusWord = new QLabel(m_top);
    m_statusWord->setObjectName(QStringLiteral("statusWord"));
    m_statusWord->setFont(m_skin.labelFont());
    m_statusWord->setTextFormat(Qt::PlainText);
    m_statusSentence = new QLabel(m_top);
    m_statusSentence->setObjectName(QStringLiteral("statusSentence"));
    m_statusSentence->setFont(m_skin.textFont());
    m_statusSentence->setTextFormat(Qt::PlainText);
    m_statusSentence->setWordWrap(true);
    m_detail = new QLabel(m_top);
    m_detail->setObjectName(QStringLiteral("failureDetail"));
    m_detail->setTextFormat(Qt::PlainText);
    m_detail->setWordWrap(true);
    m_detail->setTextInteractionFlags(Qt::TextSelectableByMouse);
    m_detail->hide();
    m_cancel = makeButton(QStringLiteral("&Cancel"), "cancel", m_top);
    m_ok = makeButton(QStringLiteral("Ok"), "ok", m_top);
    m_ok->hide();
    // Ok takes Cancel's place and size when the result is shown.
    const int buttonWidth = std::max({m_cancel->sizeHint().width(), m_ok->sizeHint().width(), 80});
    m_cancel->setFixedWidth(buttonWidth);
    m_ok->setFixedWidth(buttonWidth);
    connect(m_cancel, &QPushButton::clicked, this, &QDialog::reject);
    connect(m_ok, &QPushButton::clicked, this, &QDialog::accept);

    auto* top = new QGridLayout(m_top);
    top->setContentsMargins(0, 0, 0, 0);
    top->addWidget(m_statusWord, 0, 0);
    top->addWidget(m_statusSentence, 1, 0);
    top->addWidget(m_detail, 2, 0);
    top->addWidget(m_cancel, 0, 1, Qt::AlignRight | Qt::AlignTop);
    top->addWidget(m_ok, 0, 1, Qt::AlignRight | Qt::AlignTop);
    top->setColumnStretch(0, 1);

    m_bottom = new QWidget(this);
    m_bottom->setObjectName(QStringLiteral("resultBlock"));
    m_view = makeButton(QStringLiteral("&View"), "view", m_bottom);
    m_view->setFixedWidth(buttonWidth);
    m_view->setEnabled(bool(m_actions.openWebAddress));
    m_view->hide();
    connect(m_view, &QPushButton::clicked, this,
            [this] { m_actions.openWebAddress(weblinks::storyPageAddress(m_serviceBase, m_story.uniqueId())); });
    auto* bottom = new QHBoxLayout(m_bottom);
    bottom->setContentsMargins(0, 0, 0, 0);
    bottom->addStretch(1);
    bottom->addWidget(m_view, 0, Qt::AlignBottom);
    m_bottom->setMinimumHeight(m_view->sizeHint().height());

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(BarInset, 10, BarInset, 10);
    layout->addWidget(m_top);
    layout->addStretch(1);
    layout->addSpacing(BarAreaHeight);
    layout->addStretch(1);
    layout->addWidget(m_bottom);
    setMinimumWidth(440);

    refresh();
    QMetaObject::invokeMethod(
        this, [this] { startPreparation(); }, Qt::QueuedConnection);
    m_verifyTimer.start(VerifyTimerMs, this);
}

PublishDialog::~PublishDialog()
{
    stopTimers();
}

QRect PublishDialog::barRect(QSize client)
{
    const int top = client.height() / 2 - 9;
    return QRect(QPoint(BarInset, top), QPoint(client.width() - BarInset - 1, top + BarHeight - 1));
}

int PublishDialog::filledWidth(QSize client, double fraction)
{
    const int barWidth = client.width() - 2 * BarInset;
    const int filled = int(barWidth * std::min(fraction, 1.0));
    return std::max(filled, 0);
}

void PublishDialog::startPreparation()
{
    if (m_closed)
        return;
    m_run->start();
    m_preparationTimer.start(PreparationTimerMs, this);
    m_progressTimer.start(ProgressTimerMs, this);
    refresh();
}

void PublishDialog::stopTimers()
{
    m_verifyTimer.stop();
    m_preparationTimer.stop();
    m_progressTimer.stop();
}

void PublishDialog::accept()
{
    m_closed = true;
    stopTimers();
    done(1);
}

void PublishDialog::reject()
{
    // The story is published; its save with the new id is not left half done.
    if (m_run->isSaving())
        return;
    m_closed = true;
    m_run->cancel();
    stopTimers();
    done(0);
}

void PublishDialog::refresh()
{
    const PublicationRun& run = *m_run;
    setWindowTitle(run.caption());
    m_statusWord->setText(run.statusWord());
    m_statusSentence->setText(run.statusSentence());
    const QString detail = run.failureDetail();
    // A verify failure's words go to the error dialog; other reasons not yet in the sentence show here.
    const bool showDetail = run.isFinished() && run.phase() != PublicationRun::Phase::VerifyFailed &&
                            !detail.isEmpty() && !run.statusSentence().contains(detail);
    m_detail->setText(showDetail ? detail : QString());
    m_detail->setVisible(showDetail);

    const bool resultNew = run.isOkVisible() && m_ok->isHidden();
    m_cancel->setVisible(run.isCancelVisible());
    m_cancel->setEnabled(!run.isSaving());
    m_ok->setVisible(run.isOkVisible());
    m_view->setVisible(run.isViewVisible());
    if (resultNew) {
        m_ok->setDefault(true);
        m_ok->setFocus();
    }
    balanceBlocks();
}

void PublishDialog::balanceBlocks()
{
    const int height = std::max(m_top->sizeHint().height(), m_view->sizeHint().height());
    m_top->setFixedHeight(height);
    m_bottom->setFixedHeight(height);
}

void PublishDialog::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    if (!event->spontaneous())
        placeOverOwner(*this);
}

void PublishDialog::timerEvent(QTimerEvent* event)
{
    const int id = event->timerId();
    if (id == m_preparationTimer.timerId()) {
        m_run->preparationTick();
        if (m_run->phase() != PublicationRun::Phase::Preparing || m_run->isFinished())
            m_preparationTimer.stop();
        refresh();
    } else if (id == m_verifyTimer.timerId()) {
        m_run->verifyTick();
        const PublicationRun::Phase phase = m_run->phase();
        if (phase != PublicationRun::Phase::Preparing && phase != PublicationRun::Phase::Verifying)
            m_verifyTimer.stop();
        refresh();
        if (phase == PublicationRun::Phase::VerifyFailed && !m_verifyErrorShown) {
            m_verifyErrorShown = true;
            update();
            VerifyErrorDialog error(m_run->verifyErrorText(), m_skin, m_actions, this);
            error.exec();
        }
    } else if (id == m_progressTimer.timerId()) {
        const double fraction = m_run->progressTick();
        refresh();
        if (fraction != m_drawnFraction) {
            m_drawnFraction = fraction;
            update();
        }
    } else {
        QDialog::timerEvent(event);
    }
}

void PublishDialog::paintEvent(QPaintEvent* event)
{
    QDialog::paintEvent(event);
    const QSize client = size();
    const QRect bar = barRect(client);
    const int top = bar.top();
    const int left = BarInset - 2;
    const int right = client.width() - BarInset + 2;
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing, false);
    painter.setPen(QPen(QColor(128, 128, 128), 0));
    painter.drawLine(left, top - 2, left, top + 22);
    painter.drawLine(left, top - 2, right, top - 2);
    painter.setPen(QPen(QColor(255, 255, 255), 0));
    painter.drawLine(left, top + 22, right, top + 22);
    painter.drawLine(right, top - 2, right, top + 22);
    const int filled = filledWidth(client, m_run->barFraction());
    if (filled > 0)
        painter.fillRect(QRect(bar.left(), top, filled, BarHeight), QColor(0, 0, 255));
}
