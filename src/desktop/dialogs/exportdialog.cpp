#include "desktop/dialogs/exportdialog.h"

#include "desktop/dialogs/dialogplacement.h"
#include "export/exportrun.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QShowEvent>
#include <QTimerEvent>
#include <QVBoxLayout>

#include <algorithm>
#include <cmath>

namespace {

constexpr int BarSteps = 1000;

QPushButton* makeButton(const QString& text, const char* name, QWidget* parent)
{
    auto* button = new QPushButton(text, parent);
    button->setObjectName(QLatin1String(name));
    button->setAutoDefault(false);
    return button;
}

QString sizeName(QSize size)
{
    if (size == QSize(1280, 720))
        return QStringLiteral("1280 × 720 (HD)");
    if (size == QSize(1920, 1080))
        return QStringLiteral("1920 × 1080 (Full HD)");
    if (size == QSize(3840, 2160))
        return QStringLiteral("3840 × 2160 (4K)");
    return QStringLiteral("%1 × %2").arg(size.width()).arg(size.height());
}

} // namespace

const QList<QSize>& ExportDialog::offeredSizes()
{
    static const QList<QSize> sizes{QSize(1280, 720), QSize(1920, 1080), QSize(3840, 2160)};
    return sizes;
}

ExportDialog::ExportDialog(ExportJob job, QWidget* parent) : QDialog(parent)
{
    const bool video = job.format == ExportFormat::Mp4;
    const bool captions = job.captions;
    const QSize frameSize = job.frameSize;
    const QString target = QDir::toNativeSeparators(job.outputPath);
    m_run = std::make_unique<ExportRun>(std::move(job));
    m_result.error = ExportError::Cancelled;

    setObjectName(QStringLiteral("EXPORT_BOX"));
    setModal(true);
    setWindowTitle(video ? QStringLiteral("Pictorelle Dazuzarid - Export Video")
                         : QStringLiteral("Pictorelle Dazuzarid - Export Audio"));
    // No close box: the way out is Cancel (or Escape), which waits for the worker to stop.
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint);

    m_target = new QLabel(QStringLiteral("Exporting to %1").arg(target), this);
    m_target->setObjectName(QStringLiteral("target"));
    m_target->setTextFormat(Qt::PlainText);
    m_target->setWordWrap(true);
    m_target->setTextInteractionFlags(Qt::TextSelectableByMouse);
    m_size = new QComboBox(this);
    m_size->setObjectName(QStringLiteral("size"));
    QList<QSize> sizes = offeredSizes();
    if (!sizes.contains(frameSize))
        sizes.prepend(frameSize);
    for (const QSize size : sizes)
        m_size->addItem(sizeName(size), size);
    m_size->setCurrentIndex(int(sizes.indexOf(frameSize)));
    auto* sizeLabel = new QLabel(QStringLiteral("&Size:"), this);
    sizeLabel->setBuddy(m_size);
    m_captions = new QCheckBox(QStringLiteral("&Burn in captions"), this);
    m_captions->setObjectName(QStringLiteral("captions"));
    m_captions->setChecked(captions);
    m_captions->setVisible(video);
    m_bar = new QProgressBar(this);
    m_bar->setObjectName(QStringLiteral("progress"));
    m_bar->setRange(0, BarSteps);
    m_bar->setValue(0);
    m_bar->setTextVisible(true);
    m_status =
        new QLabel(video ? QStringLiteral("Ready to export the video.") : QStringLiteral("Exporting the sound."), this);
    m_status->setObjectName(QStringLiteral("status"));
    m_status->setTextFormat(Qt::PlainText);
    m_status->setWordWrap(true);
    m_start = makeButton(QStringLiteral("&Export"), "start", this);
    m_start->setDefault(true);
    m_start->setVisible(video);
    m_cancel = makeButton(QStringLiteral("&Cancel"), "cancel", this);
    connect(m_start, &QPushButton::clicked, this, &ExportDialog::startExport);
    connect(m_cancel, &QPushButton::clicked, this, &QDialog::reject);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(m_start);
    buttons->addWidget(m_cancel);
    auto* choices = new QFormLayout;
    choices->addRow(sizeLabel, m_size);
    choices->addRow(m_captions);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_target);
    layout->addLayout(choices);
    layout->addWidget(m_bar);
    layout->addWidget(m_status);
    layout->addLayout(buttons);
    setMinimumWidth(440);

    // Nothing to choose for sound: it starts once the dialog's own event loop runs.
    sizeLabel->setVisible(video);
    m_size->setVisible(video);
    if (!video) {
        QMetaObject::invokeMethod(
            this, [this] { startExport(); }, Qt::QueuedConnection);
    }
}

ExportDialog::~ExportDialog()
{
    m_timer.stop();
}

bool ExportDialog::isRunning() const
{
    return m_run->isStarted() && !m_run->isFinished();
}

void ExportDialog::startExport()
{
    if (m_run->isStarted() || m_run->isCancelRequested())
        return;
    m_run->editableJob().captions = m_captions->isChecked();
    m_run->editableJob().frameSize = m_size->currentData().toSize();
    m_captions->setEnabled(false);
    m_size->setEnabled(false);
    m_start->hide();
    m_cancel->setDefault(true);
    m_cancel->setFocus();
    m_status->setText(QStringLiteral("Exporting…"));
    m_run->start();
    m_timer.start(ProgressTimerMs, this);
}

void ExportDialog::reject()
{
    if (!m_run->isStarted()) {
        m_run->cancel();
        m_result = m_run->result();
        QDialog::reject();
        return;
    }
    if (m_run->isFinished()) {
        follow();
        return;
    }
    // The worker stops at its next check and removes what it wrote; the timer closes the dialog then.
    m_run->cancel();
    m_cancel->setEnabled(false);
    m_status->setText(QStringLiteral("Cancelling…"));
}

void ExportDialog::follow()
{
    if (!m_run->isFinished()) {
        m_bar->setValue(std::clamp(int(std::lround(m_run->fraction() * BarSteps)), 0, BarSteps));
        return;
    }
    m_timer.stop();
    m_result = m_run->result();
    m_bar->setValue(m_result.ok() ? BarSteps : m_bar->value());
    done(m_result.ok() ? 1 : 0);
}

void ExportDialog::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    if (!event->spontaneous())
        placeOverOwner(*this);
}

void ExportDialog::timerEvent(QTimerEvent* event)
{
    if (event->timerId() == m_timer.timerId())
        follow();
    else
        QDialog::timerEvent(event);
}
