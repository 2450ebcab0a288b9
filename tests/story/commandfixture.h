#pragma once

#include "fakeimporter.h"
#include "fixedclock.h"
#include "signallog.h"
#include "story/linereader.h"
#include "story/story.h"
#include "story/storyfile.h"
#include "tempfolder.h"

#include <QDir>
#include <QFileInfo>
#include <QPainter>
#include <QUndoStack>
#include <gtest/gtest.h>

//! A story with a fake importer, a fixed clock and a log of its signals, for the undo tests.
struct CommandFixture : ::testing::Test
{
    TempFolder home;
    FakeImporter importer;
    Story story{home.path(), &importer};
    FixedClock clock;
    SignalLog log{story};

    QUndoStack& stack() { return *story.undoStack(); }

    //! A picture that shows which way up it is: red top-left quarter on blue, w × h.
    static QImage marked(int w, int h)
    {
        QImage image(w, h, QImage::Format_RGB32);
        image.fill(Qt::blue);
        QPainter p(&image);
        p.fillRect(0, 0, w / 2, h / 2, Qt::red);
        return image;
    }

    //! A new picture slide (not yet in the story) for the picture file "pictures/<name>".
    std::unique_ptr<Slide> newPicture(const QString& name)
    {
        auto s = std::make_unique<Slide>(story);
        s->setSourcePicturePath(home.write("pictures/" + name, "JPEG of " + name.toUtf8()));
        return s;
    }

    std::unique_ptr<Slide> newSegment()
    {
        auto s = std::make_unique<Slide>(story);
        s->setKind(SlideKind::Segment);
        return s;
    }

    //! Adds an imported picture slide with a decoded picture, outside the undo stack.
    Slide& addPicture(const QString& name)
    {
        importer.picture = marked(64, 48);
        importer.thumbnail = marked(75, 75);
        return addFakePicture(story, importer, home, name, "JPEG of " + name.toUtf8());
    }

    //! Gives the slide a recorded take of that many seconds ("<id>.wav" holding bytes).
    void giveTake(Slide& slide, int seconds, const QByteArray& bytes)
    {
        home.write(QString("temp/%1.wav").arg(slide.id()), bytes);
        slide.setHasNarration(true);
        slide.setNarrationLength(seconds);
    }

    //! Saves (the first save makes the stamped folder) and returns the story file's text.
    QString save()
    {
        const SaveResult r = saveStory(story, clock);
        EXPECT_TRUE(r.ok) << r.error.toStdString();
        story.setModified(false);
        return fromUtf16Le(TempFolder::read(r.storyFile));
    }

    //! The lines of the slide blocks ("S0_CAPTION=…" up to the last "S_FINISHED").
    static QStringList slideLines(const QString& storyText)
    {
        const QStringList lines = storyText.split('\n', Qt::SkipEmptyParts);
        QStringList slides;
        for (const QString& line : lines)
            if (line.startsWith('S') && !line.startsWith("SC_"))
                slides << line;
        return slides;
    }

    //! The value of the header line "key=".
    static QString header(const QString& storyText, const QString& key)
    {
        for (const QString& line : storyText.split('\n'))
            if (line.startsWith(key + "="))
                return line.mid(key.size() + 1);
        return {};
    }

    //! The file a line "S<i>_<KEY>=<path>" names, read whole (empty when none).
    static QByteArray namedMedia(const QString& storyText, int slide, const QString& key)
    {
        const QString path = header(storyText, QString("S%1_%2").arg(slide).arg(key));
        return path.isEmpty() ? QByteArray() : TempFolder::read(path);
    }

    QString savedFolder() const { return QFileInfo(story.storyFilePath()).absolutePath(); }
};
