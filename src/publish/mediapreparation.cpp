#include "publish/mediapreparation.h"

#include "audio/narrationencoding.h"
#include "pictures/picturework.h"
#include "story/story.h"

#include <QMetaObject>
#include <QPointer>

#include <thread>

std::vector<PreparationItem> preparationItems(Story& story)
{
    std::vector<PreparationItem> items;
    for (int i = 0; i < story.count(); ++i) {
        Slide& s = *story.slideAt(i);
        PreparationItem item;
        item.slide = &s;
        item.index = i;
        item.encode = s.hasNarration() && !s.isMp3Encoded();
        item.picture = story.pictureJob(s, false);
        items.push_back(item);
    }
    return items;
}

void prepareStoryMedia(Story& story, const std::vector<PreparationItem>& items, Messenger* messenger,
                       const std::atomic<bool>& cancel)
{
    // Pictures go on their own thread: encoding and resampling then share the two cores.
    std::thread pictures([&] {
        QPointer<Story> target(&story);
        for (const PreparationItem& item : items) {
            if (cancel.load())
                break;
            if (item.slide->kind() != SlideKind::Picture)
                continue;
            story.beginPictureProcessing();
            const PictureResult result = runPictureReprocess(item.picture);
            const int slideId = item.slide->id();
            QMetaObject::invokeMethod(
                &story,
                [target, slideId, result] {
                    if (!target)
                        return;
                    if (Slide* s = target->slideAt(target->indexOfId(slideId)))
                        target->applyReprocess(*s, result);
                    target->endPictureProcessing();
                },
                Qt::QueuedConnection);
        }
    });

    for (const PreparationItem& item : items) {
        if (item.encode) {
            encodeSlideNarration(*item.slide, messenger);
            story.setMp3Position(item.index);
        }
        if (cancel.load())
            break;
    }
    pictures.join();
    story.setMp3Position(-1);
}
