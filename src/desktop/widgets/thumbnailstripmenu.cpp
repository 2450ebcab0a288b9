#include "desktop/widgets/thumbnailstrip.h"
#include "story/deleteslidecommand.h"

#include "story/slide.h"
#include "story/story.h"

#include <QMenu>
#include <QPointer>

namespace {

QAction* itemWithId(QMenu& menu, int id)
{
    for (QAction* action : menu.actions())
        if (!action->isSeparator() && action->data().toInt() == id)
            return action;
    return nullptr;
}

void removeItem(QMenu& menu, QAction* action)
{
    if (!action)
        return;
    menu.removeAction(action);
    delete action;
}

} // namespace

std::unique_ptr<QMenu> ThumbnailStrip::buildContextMenu(int slide, bool labelHit)
{
    const Slide* hit = m_story.slideAt(slide);
    m_contextSlide = hit ? slide : -1;

    auto menu = std::make_unique<QMenu>();
    const auto addItem = [&](int id, const QString& text) {
        QAction* action = menu->addAction(text);
        action->setData(id);
        connect(action, &QAction::triggered, this, [this, id] { menuCommand(id); });
    };
    addItem(MenuPlay, QStringLiteral("&Play"));
    addItem(MenuClearAudio, QStringLiteral("&Clear Audio"));
    addItem(MenuImportNarration, QStringLiteral("&Import Narration…"));
    addItem(MenuCueCard, QStringLiteral("&Cue Card"));
    addItem(MenuChangePhoto, QStringLiteral("&Change Photo"));
    menu->addSeparator();
    addItem(MenuAddSlide, QStringLiteral("&Add Slide"));
    // A podcast takes a segment recorded elsewhere, after the one right-clicked.
    if (m_story.isPodcast())
        addItem(MenuImportSegment, QStringLiteral("Import &Segment…"));
    addItem(MenuRemoveSlide, QStringLiteral("&Remove Slide"));
    menu->addSeparator();
    addItem(MenuPreview, QStringLiteral("Preview &Pictorelle"));

    if (!hit) {
        for (int id : {MenuPlay, MenuClearAudio, MenuImportNarration, MenuChangePhoto, MenuCueCard})
            removeItem(*menu, itemWithId(*menu, id));
        removeItem(*menu, menu->actions().value(0));
        itemWithId(*menu, MenuRemoveSlide)->setEnabled(false);
        return menu;
    }

    if (labelHit) {
        removeItem(*menu, itemWithId(*menu, MenuAddSlide));
        removeItem(*menu, itemWithId(*menu, MenuImportSegment));
        removeItem(*menu, itemWithId(*menu, MenuRemoveSlide));
        removeItem(*menu, itemWithId(*menu, MenuChangePhoto));
    }
    selectSlide(slide);
    update();
    if (!hit->hasNarration()) {
        itemWithId(*menu, MenuPlay)->setEnabled(false);
        itemWithId(*menu, MenuClearAudio)->setEnabled(false);
    }
    // A take under way is the slide's narration until it stops.
    if (hit->isRecording())
        itemWithId(*menu, MenuImportNarration)->setEnabled(false);
    if (hit->kind() == SlideKind::Segment)
        removeItem(*menu, itemWithId(*menu, MenuChangePhoto));
    return menu;
}

void ThumbnailStrip::showContextMenu(QPoint client, QPoint global)
{
    bool labelHit = false;
    const int slide = pictureOrLabelHit(client, &labelHit);
    const std::unique_ptr<QMenu> menu = buildContextMenu(slide, labelHit);
    menu->exec(global);
    setFocus(Qt::PopupFocusReason);
}

void ThumbnailStrip::menuCommand(int id)
{
    const bool hasContext = m_story.slideAt(m_contextSlide) != nullptr;
    switch (id) {
    case MenuPlay:
        if (hasContext)
            emit commandRequested(PlayNarration);
        break;
    case MenuClearAudio:
        if (hasContext) {
            selectSlide(m_contextSlide);
            emit commandRequested(ClearNarration);
        }
        break;
    case MenuChangePhoto:
        if (hasContext)
            emit changePhotoRequested(m_contextSlide);
        break;
    case MenuImportNarration:
        if (hasContext)
            emit importNarrationRequested(m_contextSlide);
        break;
    case MenuImportSegment:
        emit importSegmentRequested(hasContext ? m_contextSlide : m_story.currentIndex());
        break;
    case MenuAddSlide:
        emit commandRequested(AddSlide);
        break;
    case MenuRemoveSlide:
        if (hasContext)
            removeSlide(m_contextSlide, true);
        break;
    case MenuPreview:
        emit commandRequested(OpenPreview);
        break;
    case MenuCueCard:
        emit commandRequested(OpenCueCard);
        break;
    default:
        break;
    }
}

QString ThumbnailStrip::removalQuestion(int index, bool withNarration)
{
    const QString question = QStringLiteral("Delete slide %1?").arg(index + 1);
    return withNarration ? question + QStringLiteral("\nIts narration is deleted too.") : question;
}

void ThumbnailStrip::removeSlide(int index, bool closeCueCard)
{
    const Slide* slide = m_story.slideAt(index);
    if (!slide)
        return;
    // The slide's picture and narration are gone for good once it is removed.
    const int id = slide->id();
    const bool withNarration = slide->hasNarration() || slide->isRecording();
    const QPointer<ThumbnailStrip> alive(this);
    if (!m_askRemoval || !m_askRemoval(removalQuestion(index, withNarration)) || !alive)
        return;
    // The question's own event loop may have moved or removed the slide meanwhile.
    index = m_story.indexOfId(id);
    if (index < 0) {
        update();
        return;
    }
    if (closeCueCard)
        emit cueCardCommand(CloseCueCard, -1);
    if (m_story.slideAt(index)->isRecording())
        emit stopRecordingRequested(index);
    // The story refuses a slide still recording or importing; a refusal changes nothing.
    // Done as an undoable step, which keeps the slide and its files until it leaves the stack.
    if (!m_story.push(new DeleteSlideCommand(m_story, index))) {
        update();
        return;
    }
    m_contextSlide = -1;
    recomputeScrollRange();
    update();
}
