#include "story/story.h"

#include "story/pictureimportservice.h"
#include "story/text.h"

#include <QCoreApplication>
#include <QDir>
#include <QEvent>
#include <QFile>

#include <algorithm>

QString noCategoryText()
{
    return QStringLiteral("Click the \"Choose Category\" button");
}

Story::Story(const QString& programFolder, PictureImportService* importer, QObject* parent,
             const QString& workingFolder)
    : QObject(parent), m_programFolder(programFolder),
      m_workingFolderBase(workingFolder.isEmpty() ? programFolder + QStringLiteral("temp/") : workingFolder),
      m_importer(importer)
{
    reset();
}

Story::~Story()
{
    // Import jobs only touch files and their own results, but they write into the
    // working folder: let them finish before the story goes.
    if (m_importer)
        m_importer->waitForIdle();
}

void Story::reset()
{
    if (m_importer)
        m_importer->waitForIdle();
    ++m_epoch;
    m_slides.clear();
    m_description.clear();
    m_tags.clear();
    m_title.clear();
    m_storyFilePath.clear();
    m_owner.clear();
    m_workingFolder = m_workingFolderBase;
    QDir().mkpath(m_workingFolder);
    m_currentIndex = -1;
    m_nextSlideId = 0;
    m_lastInsertionSlot = -1;
    m_positionsSettled = true;
    m_type = int(StoryType::Picture);
    m_categoryId = 0;
    m_uniqueId = -1;
    m_runningImports.store(0);
    m_picturesBeingProcessed.store(0);
    m_mp3Position.store(-1);
    m_modified = false;
    m_podcastMp3Size.store(0);
    m_transcriptPublish = false;
    m_categoryName = noCategoryText();

    QDir working(m_workingFolder);
    for (const char* pattern : {"*.jpg", "*.wav", "*.mp3"}) {
        const QStringList files = working.entryList({QString::fromLatin1(pattern)}, QDir::Files | QDir::Hidden);
        for (const QString& name : files)
            working.remove(name);
    }
}

Slide* Story::slideAt(int index) const
{
    if (index < 0 || index >= count())
        return nullptr;
    return m_slides[size_t(index)].get();
}

int Story::indexOfId(int slideId) const
{
    for (int i = 0; i < count(); ++i)
        if (m_slides[size_t(i)]->id() == slideId)
            return i;
    return -1;
}

int Story::currentIndex()
{
    if (m_slides.empty())
        m_currentIndex = -1;
    else if (m_currentIndex == -1)
        m_currentIndex = 0;
    return m_currentIndex;
}

bool Story::select(int index)
{
    if (index < 0 || index >= count())
        return false;
    for (auto& s : m_slides)
        s->setSelected(false);
    m_slides[size_t(index)]->setSelected(true);
    m_currentIndex = index;
    return true;
}

bool Story::add(std::unique_ptr<Slide> slide, int insertIndex)
{
    if (!slide)
        return false;
    Slide& s = *slide;
    if (s.chosenPicturePath().isEmpty())
        s.setChosenPicturePath(s.sourcePicturePath());
    if (s.kind() != SlideKind::Segment && !s.sourcePicturePath().isEmpty()) {
        const QString wanted = s.chosenPicturePath();
        const bool duplicate = std::any_of(m_slides.begin(), m_slides.end(), [&](const auto& other) {
            return other->sourcePicturePath() == s.sourcePicturePath() || other->chosenPicturePath() == wanted;
        });
        if (duplicate)
            return false;
    }
    if (count() >= MaxSlides)
        return false;

    const int x = FirstSlot + SlotPitch * count();
    s.setHomePosition(x);
    s.setTargetPosition(x);
    s.setDrawnPosition(x);
    m_positionsSettled = false;

    const QString n = QString::number(s.id());
    s.setNarrationWavPath(m_workingFolder + n + QStringLiteral(".wav"));
    s.setNarrationMp3Path(m_workingFolder + n + QStringLiteral(".mp3"));
    s.setSlideJpegPath(m_workingFolder + n + QStringLiteral(".jpg"));
    s.setThumbnailJpegPath(m_workingFolder + n + QStringLiteral("_t.jpg"));
    m_slides.push_back(std::move(slide));

    if (s.kind() == SlideKind::Picture && m_importer)
        m_importer->startImport(*this, s);

    if (insertIndex != -1 && insertIndex < count())
        move(count() - 1, insertIndex);
    return true;
}

bool Story::remove(int index)
{
    if (m_slides.empty() || index < 0 || index >= count())
        return false;
    const Slide& s = *m_slides[size_t(index)];
    if (s.isRecording() || !s.isReady() || s.isMp3Busy())
        return false;

    m_slides.erase(m_slides.begin() + index);
    for (int i = index; i < count(); ++i) {
        Slide& moved = *m_slides[size_t(i)];
        moved.setTargetPosition(moved.targetPosition() - SlotPitch);
        moved.setHomePosition(FirstSlot + SlotPitch * i);
    }
    m_positionsSettled = false;

    const int newCount = count();
    m_currentIndex = m_currentIndex < newCount ? index : newCount - 1;
    if (Slide* current = slideAt(m_currentIndex))
        current->setSelected(true);
    return true;
}

void Story::move(int from, int to)
{
    if (from < 0 || from >= count() || to < 0 || to >= count())
        return;
    auto slide = std::move(m_slides[size_t(from)]);
    m_slides.erase(m_slides.begin() + from);
    m_slides.insert(m_slides.begin() + to, std::move(slide));
    placeOnHomeSlots();
}

void Story::placeOnHomeSlots()
{
    for (int i = 0; i < count(); ++i) {
        Slide& s = *m_slides[size_t(i)];
        s.setHomePosition(FirstSlot + SlotPitch * i);
        s.setTargetPosition(s.homePosition());
    }
    m_positionsSettled = false;
}

void Story::changePicture(int index, const QString& path)
{
    Slide* s = slideAt(index);
    if (!s)
        return;
    s->setReady(false);
    s->setSourcePicturePath(path);
    s->setChosenPicturePath(path);
    s->setSlideJpegPath(m_workingFolder + QString::number(takeSlideId()) + QStringLiteral(".jpg"));
    if (s->kind() == SlideKind::Picture && m_importer)
        m_importer->startImport(*this, *s);
}

int Story::totalLength() const
{
    int total = 0;
    for (const auto& s : m_slides)
        total += s->narrationLength();
    return total;
}

void Story::setTitle(const QString& title)
{
    m_title = text::cut(text::oneLine(title), capacity::Title);
}

void Story::setDescription(const QString& description)
{
    m_description = text::cut(text::normalizeLineBreaks(description), capacity::Description);
}

void Story::setTags(const QString& tags)
{
    m_tags = text::cut(text::oneLine(tags), capacity::Tags);
}

void Story::setCategoryName(const QString& name)
{
    m_categoryName = text::cut(text::oneLine(name), capacity::CategoryName);
}

void Story::setOwner(const QString& owner)
{
    m_owner = text::cut(text::oneLine(owner), capacity::Owner);
}

void Story::setTranscript(const QString& transcript)
{
    m_transcript = text::normalizeLineBreaks(transcript);
}

PictureJob Story::pictureJob(const Slide& slide, bool import) const
{
    PictureJob job;
    job.sourcePath = slide.sourcePicturePath();
    job.slideJpegPath = slide.slideJpegPath();
    job.thumbJpegPath = slide.thumbnailJpegPath();
    if (import)
        job.workingCopyPath = m_workingFolder + QStringLiteral("c%1.jpg").arg(slide.id());
    else
        job.rotation = slide.rotation();
    return job;
}

int Story::importStarted(Slide& slide)
{
    ++m_runningImports;
    return slide.nextImportGeneration();
}

void Story::applyImport(quint64 epoch, int slideId, int generation, const PictureResult& result)
{
    if (epoch != m_epoch)
        return;
    if (m_runningImports.load() > 0)
        --m_runningImports;
    const int index = indexOfId(slideId);
    if (Slide* s = slideAt(index); s && s->importGeneration() == generation) {
        s->setSourcePicturePath(m_workingFolder + QStringLiteral("c%1.jpg").arg(slideId));
        if (result.loaded)
            s->replacePicture(result.picture);
        s->setThumbnail(result.thumbnail);
        s->setJpegSize(result.jpegSize);
        s->setReady(true);
        emit slideReady(index);
    }
    if (m_runningImports.load() == 0)
        emit importsFinished();
}

void Story::applyReprocess(Slide& slide, const PictureResult& result)
{
    if (result.loaded) {
        slide.replacePicture(result.picture);
        slide.setThumbnail(result.thumbnail);
    }
    slide.setJpegSize(result.jpegSize);
    slide.setPictureLoaded(true);
}

void Story::waitForImports()
{
    if (!m_importer)
        return;
    m_importer->waitForIdle();
    // The finished jobs' results are queued to this object: deliver just those.
    QCoreApplication::sendPostedEvents(this, QEvent::MetaCall);
}
