#pragma once

#include "story/pictureimportservice.h"
#include "story/story.h"

#include <QFile>

#include <gtest/gtest.h>

#include <memory>
#include <set>
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

    //! Remakes each slide JPEG from its source: the source's bytes, followed by "|turned r"
    //! when the slide's rotation r (modulo 4) is not 0. The picture and thumbnail come back
    //! as the slide shows them (the source turned by the rotation).
    void reprocess(Story& story, const QList<Slide*>& slides) override
    {
        for (Slide* s : slides) {
            ++reprocessed;
            const PictureJob job = story.pictureJob(*s, false);
            reprocessJobs.push_back(job);
            const int turns = ((job.rotation % 4) + 4) % 4;
            // Unturned pictures are left as the import wrote them, unless a turn was written before.
            if (turns != 0 || turnedFiles.count(job.slideJpegPath)) {
                QFile source(job.sourcePath);
                QByteArray bytes = source.open(QIODevice::ReadOnly) ? source.readAll() : QByteArray();
                if (turns != 0)
                    bytes += "|turned " + QByteArray::number(turns);
                QFile out(job.slideJpegPath);
                if (out.open(QIODevice::WriteOnly | QIODevice::Truncate))
                    out.write(bytes);
                if (turns != 0)
                    turnedFiles.insert(job.slideJpegPath);
                else
                    turnedFiles.erase(job.slideJpegPath);
            }
            PictureResult r;
            r.loaded = true;
            r.picture = s->picture();
            r.thumbnail = s->thumbnail();
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
        r.picture = picture;
        r.thumbnail = thumbnail;
        r.jpegSize = QFile(s.job.slideJpegPath).size();
        s.story->applyImport(s.epoch, s.slideId, s.generation, r);
    }

    void finishAll()
    {
        while (finished < started.size())
            finishNext();
    }

    //! What a finished import hands back: no decoded picture unless a test sets one.
    QImage picture;
    QImage thumbnail = grey(75, 75);

    static QImage grey(int w, int h)
    {
        QImage image(w, h, QImage::Format_RGB32);
        image.fill(QColor(128, 128, 128));
        return image;
    }

    std::vector<Started> started;
    std::vector<PictureJob> reprocessJobs;
    std::set<QString> turnedFiles;
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
