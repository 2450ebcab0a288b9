#pragma once

// Shared by the thumbnail strip tests: a story of solid-colour slides and a shown strip.
#include "desktop/widgets/thumbnailstrip.h"

#include "desktop/widgets/skinresources.h"
#include "story/slide.h"
#include "story/story.h"
#include "tempfolder.h"

#include <QMenu>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTest>
#include <gtest/gtest.h>

#include <deque>
#include <memory>

const QRgb mark = qRgb(247, 79, 13);
constexpr int PictureY = 57;

// Centre of slide i's picture, in client x, with the strip unscrolled.
inline int centre(int i)
{
    return 57 + 95 * i;
}

inline QStringList menuTexts(const QMenu& menu)
{
    QStringList texts;
    for (const QAction* action : menu.actions())
        texts << (action->isSeparator() ? QStringLiteral("-") : action->text());
    return texts;
}

inline QAction* item(const QMenu& menu, const QString& text)
{
    for (QAction* action : menu.actions())
        if (action->text() == text)
            return action;
    return nullptr;
}

struct StripFixture : ::testing::Test
{
    TempFolder folder;
    Story story{folder.path()};
    SkinResources skin;
    std::unique_ptr<ThumbnailStrip> strip;
    //! The answers to the strip's removal questions, in turn; none left: No.
    std::deque<bool> removalAnswers;
    QStringList removalQuestions;

    // A ready slide showing a solid colour, appended or put before at; its id tells slides apart
    // after a reorder.
    int addSlide(QColor colour, int narrationSeconds = 0, SlideKind kind = SlideKind::Legacy, int at = -1)
    {
        auto slide = std::make_unique<Slide>(story);
        const int id = slide->id();
        slide->setKind(kind);
        QImage thumbnail(75, 75, QImage::Format_RGB32);
        thumbnail.fill(colour);
        slide->setThumbnail(thumbnail);
        slide->setReady(true);
        slide->setNarrationLength(narrationSeconds);
        slide->setHasNarration(narrationSeconds > 0);
        EXPECT_TRUE(story.add(std::move(slide), at));
        return id;
    }

    void addSlides(int n)
    {
        for (int i = 0; i < n; ++i)
            addSlide(QColor::fromHsv(i * 30 % 360, 200, 200));
    }

    void show(int width = 420)
    {
        strip = std::make_unique<ThumbnailStrip>(story, skin);
        strip->setRemovalQuestion([this](const QString& question) {
            removalQuestions << question;
            if (removalAnswers.empty())
                return false;
            const bool answer = removalAnswers.front();
            removalAnswers.pop_front();
            return answer;
        });
        strip->resize(width, 150);
        // A window shown under the pointer gets enter events: keep the pointer clear.
        QCursor::setPos(QPoint(900, 700));
        strip->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(strip.get()));
        strip->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(strip.get()));
    }

    std::vector<int> order() const
    {
        std::vector<int> ids;
        for (int i = 0; i < story.count(); ++i)
            ids.push_back(story.slideAt(i)->id());
        return ids;
    }

    void drag(int fromX, int toX)
    {
        QTest::mousePress(strip.get(), Qt::LeftButton, {}, QPoint(fromX, PictureY));
        if (toX != fromX)
            QTest::mouseMove(strip.get(), QPoint(toX, PictureY));
        QTest::mouseRelease(strip.get(), Qt::LeftButton, {}, QPoint(toX, PictureY));
    }

    QImage shown() const { return strip->grab().toImage().convertToFormat(QImage::Format_RGB32); }
};
