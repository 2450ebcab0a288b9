#include "desktop/dialogs/slideinfodialog.h"

#include "desktop/dialogs/dialogplacement.h"
#include "desktop/widgets/limitedtextedit.h"
#include "desktop/widgets/skinresources.h"
#include "desktop/widgets/tageditor.h"
#include "story/editslidetextcommand.h"
#include "story/slide.h"
#include "story/story.h"
#include "story/storycommandgroup.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPainter>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>

namespace {

// The slide's thumbnail sits centred in a 1-pixel grey frame at the top of the client area.
constexpr int FrameTop = 7;
constexpr int ThumbnailSize = 75;
// Room above the caption label for the framed thumbnail.
constexpr int PictureArea = FrameTop + ThumbnailSize + 2 + 8;
const QColor FrameColour(128, 128, 128);

} // namespace

SlideInfoDialog::SlideInfoDialog(Story& story, int index, const SkinResources& skin, QWidget* parent)
    : QDialog(parent), m_story(story), m_skin(skin)
{
    setObjectName(QStringLiteral("MY_SLIDE_BOX"));
    setWindowTitle(QStringLiteral("Pictorelle - Edit slide"));
    setWindowIcon(skin.programIcon());
    setModal(true);

    m_captionLabel = new QLabel(this);
    m_captionLabel->setObjectName(QStringLiteral("captionLabel"));
    m_captionLabel->setFont(skin.labelFont());
    m_caption = new LimitedTextEdit(CaptionBoxLimit, this);
    m_caption->setObjectName(QStringLiteral("captionBox"));
    m_caption->setFixedHeight(60);
    m_tagsLabel = new QLabel(this);
    m_tagsLabel->setObjectName(QStringLiteral("tagsLabel"));
    m_tagsLabel->setFont(skin.labelFont());
    m_tags = new TagEditor(QStringLiteral("Add Tag"), QStringLiteral("Remove Tag"), this);
    m_tags->list()->setMinimumHeight(100);

    m_prev = new QPushButton(QStringLiteral("<<  &Prev"), this);
    m_prev->setObjectName(QStringLiteral("prevButton"));
    m_prev->setAutoDefault(false);
    m_next = new QPushButton(QStringLiteral("&Next  >>"), this);
    m_next->setObjectName(QStringLiteral("nextButton"));
    m_next->setAutoDefault(false);
    auto* ok = new QPushButton(QStringLiteral("OK"), this);
    ok->setObjectName(QStringLiteral("okButton"));
    ok->setAutoDefault(false);
    auto* cancel = new QPushButton(QStringLiteral("Cancel"), this);
    cancel->setObjectName(QStringLiteral("cancelButton"));
    cancel->setAutoDefault(false);

    connect(m_prev, &QPushButton::clicked, this, [this] { step(-1); });
    connect(m_next, &QPushButton::clicked, this, [this] { step(1); });
    connect(ok, &QPushButton::clicked, this, &SlideInfoDialog::accepted);
    connect(cancel, &QPushButton::clicked, this, &SlideInfoDialog::reject);
    // A picture imported while the dialog is open appears at once.
    connect(&story, &Story::slideReady, this, [this](int readyIndex) {
        if (readyIndex == m_index)
            update();
    });

    auto* tags = new QGridLayout;
    tags->addWidget(m_tags->newTagBox(), 0, 0);
    tags->addWidget(m_tags->addButton(), 0, 1);
    tags->addWidget(m_tags->list(), 1, 0);
    tags->addWidget(m_tags->removeButton(), 1, 1, Qt::AlignTop);
    tags->setColumnStretch(0, 1);

    auto* walk = new QHBoxLayout;
    walk->addWidget(m_prev);
    walk->addStretch(1);
    walk->addWidget(m_next);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(ok);
    buttons->addWidget(cancel);

    auto* layout = new QVBoxLayout(this);
    const QMargins margins = layout->contentsMargins();
    layout->setContentsMargins(margins.left(), PictureArea, margins.right(), margins.bottom());
    layout->addWidget(m_captionLabel);
    layout->addWidget(m_caption);
    layout->addWidget(m_tagsLabel);
    layout->addLayout(tags);
    layout->addLayout(walk);
    layout->addLayout(buttons);
    setMinimumWidth(360);

    load(index);
}

void SlideInfoDialog::reject()
{
    m_slide = nullptr;
    done(1);
}

void SlideInfoDialog::showEvent(QShowEvent* event)
{
    // Beside the main window, its bottom kept clear of the dialog's lower edge; window
    // systems that place windows themselves ignore the move.
    if (QWidget* main = parentWidget() ? parentWidget()->window() : nullptr) {
        const QRect frame = main->frameGeometry();
        moveOnScreen(*this, QPoint(frame.left() + LeftOffset, frame.top() + frame.height() - (height() + BottomGap)),
                     main);
    }
    QDialog::showEvent(event);
    if (!m_slide)
        cancelSoon();
}

void SlideInfoDialog::paintEvent(QPaintEvent* event)
{
    QDialog::paintEvent(event);
    if (!m_slide || !m_slide->isReady())
        return;
    QPixmap thumbnail;
    if (m_slide->kind() == SlideKind::Picture)
        thumbnail = QPixmap::fromImage(m_slide->thumbnail());
    else if (m_slide->kind() == SlideKind::Segment)
        thumbnail = m_skin.podcastPicture();
    const int centre = width() / 2;
    QPainter painter(this);
    painter.setPen(FrameColour);
    painter.setBrush(Qt::NoBrush);
    painter.drawRect(QRect(centre - 38, FrameTop, ThumbnailSize + 1, ThumbnailSize + 1));
    if (!thumbnail.isNull())
        painter.drawPixmap(QRect(centre - 37, FrameTop + 1, ThumbnailSize, ThumbnailSize), thumbnail);
}

void SlideInfoDialog::load(int index)
{
    m_tags->load(QString());
    m_index = index;
    m_slide = m_story.slideAt(index);
    if (!m_slide) {
        cancelSoon();
        return;
    }
    m_prev->setEnabled(index > 0);
    m_next->setEnabled(m_story.count() >= 2 && index != m_story.count() - 1);
    setWindowTitle(QStringLiteral("Pictorelle - Slide %1").arg(index + 1));
    m_caption->setStoredText(m_slide->caption());
    m_tags->load(m_slide->tags());
    m_captionLabel->setText(QStringLiteral("Slide %1 Caption:").arg(index + 1));
    m_tagsLabel->setText(QStringLiteral("Slide %1 Tags:").arg(index + 1));
    update();
}

void SlideInfoDialog::store()
{
    if (!m_slide)
        return;
    // One undo step per slide left or confirmed; none when its texts stay as they were.
    const int index = m_story.indexOfId(m_slide->id());
    auto edit = new StoryCommandGroup(m_story, QStringLiteral("Edit Slide Info"));
    edit->add(std::make_unique<EditSlideTextCommand>(m_story, index, EditField::Caption,
                                                     m_caption->storedText(CaptionReadLimit)));
    edit->add(std::make_unique<EditSlideTextCommand>(m_story, index, EditField::SlideTags, m_tags->joined()));
    m_story.push(edit);
}

void SlideInfoDialog::step(int delta)
{
    store();
    load(m_index + delta);
}

void SlideInfoDialog::accepted()
{
    store();
    m_slide = nullptr;
    done(1);
}

void SlideInfoDialog::cancelSoon()
{
    // As if the user pressed Cancel, once the dialog's own event loop runs.
    QTimer::singleShot(0, this, [this] {
        if (isVisible())
            reject();
    });
}
