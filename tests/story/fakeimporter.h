#pragma once

#include "story/pictureimportservice.h"
#include "story/story.h"

#include <QFile>

#include <gtest/gtest.h>

#include <memory>
#include <vector>

//! Stands in for the picture pool: "imports" by copying the source to the slide JPEG
//! when the test says so, and records every call.
class FakeImporter : public PictureImportService
{
public:
    struct Started
    {
        Story* story;
        quint64 epoch;
        int slideId;
        int generation;
        PictureJob job;
    };

    void startImport(Story& story, Slide& slide) override
    {
        const int generation = story.importStarted(slide);
        started.push_back({&story, story.epoch(), slide.id(), generation, story.pictureJob(slide, true)});
    }

    void reprocess(Story& story, const QList<Slide*>& slides) override
    {
        for (Slide* s : slides) {
            ++reprocessed;
            PictureResult r;
            r.loaded = true;
            r.thumbnail = QImage(75, 75, QImage::Format_RGB32);
            r.jpegSize = QFile(s->slideJpegPath()).size();
            story.applyReprocess(*s, r);
        }
    }

    void waitForIdle() override { ++idleWaits; }

    //! Finishes the oldest unfinished import: copies source → slide JPEG and the working copy.
    void finishNext()
    {
        Started s = started.at(finished++);
        // Read before writing: after a load the source and the slide JPEG are one file.
        QFile source(s.job.sourcePath);
        const QByteArray bytes = source.open(QIODevice::ReadOnly) ? source.readAll() : QByteArray();
        QFile::remove(s.job.slideJpegPath);
        QFile out(s.job.slideJpegPath);
        if (!bytes.isEmpty() && out.open(QIODevice::WriteOnly))
            out.write(bytes);
        out.close();
        QFile::remove(s.job.workingCopyPath);
        QFile::copy(s.job.slideJpegPath, s.job.workingCopyPath);
        PictureResult r;
        r.loaded = true;
        r.thumbnail = QImage(75, 75, QImage::Format_RGB32);
        r.jpegSize = QFile(s.job.slideJpegPath).size();
        s.story->applyImport(s.epoch, s.slideId, s.generation, r);
    }

    void finishAll()
    {
        while (finished < started.size())
            finishNext();
    }

    std::vector<Started> started;
    size_t finished = 0;
    int reprocessed = 0;
    int idleWaits = 0;
};

//! Adds a picture slide whose source holds bytes (written under home's "pictures/") and lets
//! the fake import finish.
template <typename Folder>
Slide& addFakePicture(Story& story, FakeImporter& importer, Folder& home, const QString& name, const QByteArray& bytes)
{
    auto s = std::make_unique<Slide>(story);
    s->setSourcePicturePath(home.write("pictures/" + name, bytes));
    Slide& added = *s;
    EXPECT_TRUE(story.add(std::move(s)));
    importer.finishAll();
    return added;
}
