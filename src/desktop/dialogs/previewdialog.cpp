#include "desktop/dialogs/previewdialog.h"

#include "desktop/dialogs/dialogplacement.h"
#include "desktop/widgets/skinnedbutton.h"
#include "desktop/widgets/skinresources.h"
#include "story/slide.h"
#include "story/story.h"

#include <QHBoxLayout>
#include <QKeyEvent>
#include <QPainter>
#include <QPushButton>
#include <QShortcut>
#include <QShowEvent>
#include <QTimerEvent>
#include <QVBoxLayout>

#include <algorithm>
#include <utility>

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
// Full screen: the picture stays below the button row and above the texts and Close row.
constexpr int FullScreenTop = 41;
constexpr int FullScreenBottom = 72;

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

QRect previewFullScreenPictureRect(QSize client, QSize picture)
{
    const QRect box(0, FullScreenTop, client.width(), client.height() - FullScreenTop - FullScreenBottom);
    if (picture.isEmpty() || box.isEmpty())
        return {};
    // Scaled up or down to the box; integer sizes, the side that limits filling the box.
    const qint64 w = picture.width();
    const qint64 h = picture.height();
    qint64 drawnW = box.width();
    qint64 drawnH = h * box.width() / w;
    if (drawnH > box.height()) {
        drawnH = box.height();
        drawnW = w * box.height() / h;
    }
    const QSize drawn(int(std::max<qint64>(drawnW, 1)), int(std::max<qint64>(drawnH, 1)));
    return QRect(
        QPoint(box.left() + box.width() / 2 - drawn.width() / 2, box.top() + box.height() / 2 - drawn.height() / 2),
        drawn);
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

    for (size_t i = 0; i < Buttons.size(); ++i) {
        const ButtonSpec& spec = Buttons[i];
        auto* button =
            new SkinnedButton(this, QRect(QPoint(), ButtonSize), spec.command, QString::fromLatin1(spec.toolTip));
        button->setFaceRenderer(skin.faceRenderer(spec.normalFace, spec.activeFace, spec.activeFace, ButtonSize));
        connect(button, &SkinnedButton::commandTriggered, this, &PreviewDialog::command);
        m_buttons[i] = button;
    }
    placeButtons();

    auto* close = new QPushButton(QStringLiteral("Close"), this);
    close->setObjectName(QStringLiteral("closeButton"));
    connect(close, &QPushButton::clicked, this, [this] { done(CloseCommand); });
    m_fullScreenButton = new QPushButton(QStringLiteral("Full Screen"), this);
    m_fullScreenButton->setObjectName(QStringLiteral("fullScreenButton"));
    m_fullScreenButton->setAccessibleName(QStringLiteral("Full Screen"));
    m_fullScreenButton->setToolTip(QStringLiteral("Full Screen (F11)"));
    m_fullScreenButton->setCheckable(true);
    // Enter stays with Close.
    m_fullScreenButton->setAutoDefault(false);
    connect(m_fullScreenButton, &QPushButton::clicked, this, [this](bool checked) { setFullScreen(checked); });
    auto* row = new QHBoxLayout;
    row->addStretch(1);
    row->addWidget(m_fullScreenButton);
    row->addWidget(close);
    auto* layout = new QVBoxLayout(this);
    layout->addStretch(1);
    layout->addLayout(row);

    // A main window near the screen's edge must not push the Close button out of reach.
    if (parent)
        moveOnScreen(*this, previewPosition(parent->window()->frameGeometry()), parent);

    // Wherever the keyboard is in the player, also on one of its buttons.
    addKey(QKeySequence(Qt::Key_Space), [this] { command(m_playback.isPlaying() ? StopCommand : PlayCommand); });
    addKey(QKeySequence(Qt::Key_Left), [this] { command(PreviousCommand); });
    addKey(QKeySequence(Qt::Key_Right), [this] { command(NextCommand); });
    addKey(QKeySequence(Qt::Key_Home), [this] { command(RewindCommand); });
    addKey(QKeySequence(Qt::Key_F11), [this] { setFullScreen(!isFullScreen()); });
}

void PreviewDialog::addKey(const QKeySequence& key, std::function<void()> action)
{
    auto* shortcut = new QShortcut(key, this);
    shortcut->setContext(Qt::WindowShortcut);
    // Held down, a key would race through the slides.
    shortcut->setAutoRepeat(false);
    connect(shortcut, &QShortcut::activated, this, std::move(action));
}

void PreviewDialog::setFullScreen(bool fullScreen)
{
    m_fullScreenButton->setChecked(fullScreen);
    if (fullScreen == isFullScreen())
        return;
    if (fullScreen) {
        m_normalPosition = pos();
        setMinimumSize(0, 0);
        setMaximumSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX);
        showFullScreen();
    } else {
        showNormal();
        setFixedSize(PlayerSize);
        move(m_normalPosition);
    }
    update();
}

void PreviewDialog::keyPressEvent(QKeyEvent* event)
{
    // Escape first gives the screen back; the next one closes.
    if (event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier && isFullScreen()) {
        event->accept();
        setFullScreen(false);
        return;
    }
    QDialog::keyPressEvent(event);
}

void PreviewDialog::resizeEvent(QResizeEvent* event)
{
    QDialog::resizeEvent(event);
    placeButtons();
}

void PreviewDialog::placeButtons()
{
    const int c = width() / 2 - ButtonRowHalf;
    for (size_t i = 0; i < m_buttons.size(); ++i) {
        if (m_buttons[i])
            m_buttons[i]->move(c + ButtonPitch * int(i), ButtonTop);
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
    // The podcast picture is a small sign, not a photograph: it keeps its size.
    if (m_story.isPodcast())
        return previewPictureRect(size(), QSize(PodcastPictureEdge, PodcastPictureEdge));
    const Slide* slide = m_story.slideAt(m_playback.currentIndex());
    if (!slide || slide->picture().isNull())
        return QRect(0, 0, 0, 0);
    if (isFullScreen())
        return previewFullScreenPictureRect(size(), slide->picture().size());
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
    // Drawn for the screen's ratio so the word mark stays sharp on scaled screens.
    painter.drawPixmap(0, 0, m_skin.bitmap(900, devicePixelRatioF()));

    const Slide* slide = m_story.slideAt(m_playback.currentIndex());
    const QRect picture = shownPictureRect();
    if (m_story.isPodcast()) {
        painter.drawPixmap(picture.topLeft(), m_skin.bitmap(100, devicePixelRatioF()));
    } else if (!picture.isEmpty()) {
        painter.setRenderHint(QPainter::SmoothPixmapTransform);
        painter.drawImage(picture, slide->picture());
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
