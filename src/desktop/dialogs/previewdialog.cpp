#include "desktop/dialogs/previewdialog.h"

#include "desktop/widgets/skinnedbutton.h"
#include "desktop/widgets/skinresources.h"
#include "story/slide.h"
#include "story/story.h"

#include <QHBoxLayout>
#include <QPainter>
#include <QPushButton>
#include <QScreen>
#include <QShowEvent>
#include <QTimerEvent>
#include <QVBoxLayout>

#include <algorithm>

namespace {

struct ButtonSpec
{
    int command;
    const char* toolTip;
    int normalFace;
    int activeFace;
};

// Left to right; hover and pressed share one face.
constexpr std::array<ButtonSpec, 5> Buttons{{
    {PreviewDialog::RewindCommand, "Rewind", 200, 201},
    {PreviewDialog::PlayCommand, "Play", 202, 203},
    {PreviewDialog::PreviousCommand, "Previous Slide", 204, 205},
    {PreviewDialog::NextCommand, "Next Slide", 206, 207},
    {PreviewDialog::StopCommand, "Stop", 208, 209},
}};

constexpr int ButtonTop = 10;
constexpr int ButtonPitch = 35;
// Half the width of the button row.
constexpr int ButtonRowHalf = 87;
constexpr int CharacterWidth = 8;
constexpr int TextGap = 5;
constexpr int NarrowLeft = 20;
constexpr int BelowOwnerTop = 21;

int estimatedWidth(int characters)
{
    return CharacterWidth * characters + CharacterWidth;
}

} // namespace

PreviewTextLayout previewTextLayout(const QRect& picture, int labelLength, int captionLength)
{
    PreviewTextLayout layout;
    layout.labelWidth = estimatedWidth(labelLength);
    const bool fits = layout.labelWidth + estimatedWidth(captionLength) < picture.width();
    const int x = fits ? picture.left() : NarrowLeft;
    const int y = picture.top() + picture.height() + TextGap;
    layout.label = QPoint(x, y);
    layout.caption = QPoint(x + layout.labelWidth, y);
    return layout;
}

QRect previewPictureRect(QSize client, QSize picture)
{
    return QRect(QPoint(client.width() / 2 - picture.width() / 2, client.height() / 2 - picture.height() / 2), picture);
}

QPoint previewPosition(const QRect& ownerFrame)
{
    return QPoint(ownerFrame.left() + ownerFrame.width() / 2 - PreviewDialog::PlayerSize.width() / 2,
                  ownerFrame.top() + BelowOwnerTop);
}

PreviewDialog::PreviewDialog(Story& story, SoundPlayer& player, const MillisecondClock& clock,
                             const SkinResources& skin, QWidget* parent)
    : QDialog(parent), m_story(story), m_skin(skin), m_playback(story, player, clock)
{
    setObjectName(QStringLiteral("PREVIEW_BOX"));
    setWindowTitle(QString());
    setModal(true);
    setFixedSize(PlayerSize);

    const int c = PlayerSize.width() / 2 - ButtonRowHalf;
    for (size_t i = 0; i < Buttons.size(); ++i) {
        const ButtonSpec& spec = Buttons[i];
        auto* button = new SkinnedButton(this, QRect(QPoint(c + ButtonPitch * int(i), ButtonTop), ButtonSize),
                                         spec.command, QString::fromLatin1(spec.toolTip));
        button->setFaces(skin.faces(spec.normalFace, spec.activeFace, spec.activeFace, ButtonSize));
        connect(button, &SkinnedButton::commandTriggered, this, &PreviewDialog::command);
        m_buttons[i] = button;
    }

    auto* close = new QPushButton(QStringLiteral("Close"), this);
    close->setObjectName(QStringLiteral("closeButton"));
    connect(close, &QPushButton::clicked, this, [this] { done(CloseCommand); });
    auto* row = new QHBoxLayout;
    row->addStretch(1);
    row->addWidget(close);
    auto* layout = new QVBoxLayout(this);
    layout->addStretch(1);
    layout->addLayout(row);

    if (parent) {
        QPoint position = previewPosition(parent->window()->frameGeometry());
        // A main window near the screen's edge must not push the Close button out of reach.
        if (const QScreen* screen = parent->window()->screen()) {
            const QRect area = screen->availableGeometry();
            position.setX(std::max(area.left(), std::min(position.x(), area.right() + 1 - PlayerSize.width())));
            position.setY(std::max(area.top(), std::min(position.y(), area.bottom() + 1 - PlayerSize.height())));
        }
        move(position);
    }
}

void PreviewDialog::command(int commandId)
{
    switch (commandId) {
    case PlayCommand:
        m_playback.play();
        break;
    case RewindCommand:
        m_playback.rewind();
        update();
        break;
    case PreviousCommand:
        if (m_playback.previous())
            update();
        break;
    case NextCommand:
        if (m_playback.next())
            update();
        break;
    case StopCommand:
        m_playback.stop();
        break;
    case CloseCommand:
    case CancelCommand:
        done(CloseCommand);
        break;
    default:
        break;
    }
}

void PreviewDialog::timerTick()
{
    const PreviewTickOutcome outcome = m_playback.tick();
    if (outcome.slideChanged)
        update();
    if (outcome.latchesChanged)
        showLatches();
}

SkinnedButton* PreviewDialog::button(int commandId) const
{
    for (SkinnedButton* candidate : m_buttons) {
        if (candidate->commandId() == commandId)
            return candidate;
    }
    return nullptr;
}

QRect PreviewDialog::shownPictureRect() const
{
    if (m_story.isPodcast())
        return previewPictureRect(size(), QSize(PodcastPictureEdge, PodcastPictureEdge));
    const Slide* slide = m_story.slideAt(m_playback.currentIndex());
    if (!slide || slide->picture().isNull())
        return QRect(0, 0, 0, 0);
    return previewPictureRect(size(), slide->picture().size());
}

PreviewTextLayout PreviewDialog::textLayout() const
{
    const Slide* slide = m_story.slideAt(m_playback.currentIndex());
    const int captionLength = slide ? int(slide->caption().size()) : 0;
    return previewTextLayout(shownPictureRect(), int(m_playback.slideLabel().size()), captionLength);
}

void PreviewDialog::done(int)
{
    m_timer.stop();
    m_playback.close();
    QDialog::done(CloseCommand);
}

void PreviewDialog::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    if (event->spontaneous() || m_opened)
        return;
    m_opened = true;
    if (!m_playback.start()) {
        // Nothing to show: leave once the dialog has finished opening.
        QMetaObject::invokeMethod(
            this, [this] { done(CloseCommand); }, Qt::QueuedConnection);
        return;
    }
    m_timer.start(PreviewPlayback::TickMilliseconds, this);
}

void PreviewDialog::timerEvent(QTimerEvent* event)
{
    if (event->timerId() == m_timer.timerId())
        timerTick();
    else
        QDialog::timerEvent(event);
}

void PreviewDialog::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.fillRect(rect(), Qt::black);
    painter.drawPixmap(0, 0, m_skin.logo());

    const Slide* slide = m_story.slideAt(m_playback.currentIndex());
    const QRect picture = shownPictureRect();
    if (m_story.isPodcast()) {
        painter.drawPixmap(picture.topLeft(), m_skin.podcastPicture());
    } else if (!picture.isEmpty()) {
        painter.setRenderHint(QPainter::SmoothPixmapTransform);
        painter.drawImage(picture.topLeft(), slide->picture());
    }
    if (!slide)
        return;

    const PreviewTextLayout layout = textLayout();
    painter.setPen(Qt::white);
    // Line breaks in a caption show as spaces: both texts stay on one line.
    const int flags = Qt::AlignLeft | Qt::AlignTop | Qt::TextSingleLine;
    const int room = width();
    painter.setFont(font());
    painter.drawText(QRect(layout.label, QSize(room, height())), flags, m_playback.slideLabel());
    painter.setFont(m_skin.textFont());
    painter.drawText(QRect(layout.caption, QSize(room, height())), flags, slide->caption());
}

void PreviewDialog::showLatches()
{
    // setLatched repaints, so only a button whose latch changed is touched.
    SkinnedButton* play = button(PlayCommand);
    SkinnedButton* stop = button(StopCommand);
    if (play->isLatched() != m_playback.isPlayLatched())
        play->setLatched(m_playback.isPlayLatched());
    if (stop->isLatched() != m_playback.isStopLatched())
        stop->setLatched(m_playback.isStopLatched());
}
