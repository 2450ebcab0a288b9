#include "story/story.h"

#include "story/pictureimportservice.h"
#include "story/text.h"

#include <QCoreApplication>
#include <QDir>
#include <QEvent>
#include <QFile>
#include <QUndoStack>

#include <algorithm>

QString noCategoryText()
{
    return QStringLiteral("Click the \"Choose Category\" button");
}

Story::Story(const QString& programFolder, PictureImportService* importer, QObject* parent,
             const QString& workingFolder)
    : QObject(parent),
      m_programFolder(programFolder),
      m_workingFolderBase(workingFolder.isEmpty() ? programFolder + QStringLiteral("temp/") : workingFolder),
      m_importer(importer),
      m_undoStack(new QUndoStack(this))
{
    connect(m_undoStack, &QUndoStack::cleanChanged, this, [this] { flush(); });
    reset();
}

Story::~Story()
{
    // The commands go first, while the story is whole: they let go of the files they kept.
    disconnect(m_undoStack, nullptr, this, nullptr);
    delete m_undoStack;
    m_undoStack = nullptr;
    // Import jobs only touch files and their own results, but they write into the
    // working folder: let them finish before the story goes.
    if (m_importer)
        m_importer->waitForIdle();
}

void Story::reset()
{
    const Replacing replacing(*this);
    // Cleared first: commands drop the slides and files they kept before the folder is emptied.
    m_undoStack->clear();
    m_modifiedOutside = false;
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
    m_type = int(StoryType::Picture);
    m_categoryId = 0;
    m_uniqueId = -1;
    m_runningImports.store(0);
    m_picturesBeingProcessed.store(0);
    m_mp3Position.store(-1);
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

int Story::indexOf(const Slide* slide) const
{
    for (int i = 0; i < count(); ++i)
        if (m_slides[size_t(i)].get() == slide)
            return i;
    return -1;
}

int Story::currentIndex()
{
    m_currentIndex = effectiveCurrent();
    return m_currentIndex;
}

int Story::effectiveCurrent() const
{
    if (m_slides.empty())
        return -1;
    return m_currentIndex == -1 ? 0 : m_currentIndex;
}

void Story::setCurrentIndex(int index)
{
    const ChangeBatch batch(*this);
    m_currentIndex = index;
}

bool Story::select(int index)
{
    if (index < 0 || index >= count())
        return false;
    const ChangeBatch batch(*this);
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

    const ChangeBatch batch(*this);
    // Named before it joins the story: a new slide's names are no change to tell.
    const QString n = QString::number(s.id());
    s.setNarrationWavPath(m_workingFolder + n + QStringLiteral(".wav"));
    s.setNarrationMp3Path(m_workingFolder + n + QStringLiteral(".mp3"));
    s.setSlideJpegPath(m_workingFolder + n + QStringLiteral(".jpg"));
    s.setThumbnailJpegPath(m_workingFolder + n + QStringLiteral("_t.jpg"));
    m_slides.push_back(std::move(slide));

    if (s.kind() == SlideKind::Picture && m_importer)
        m_importer->startImport(*this, s);

    int at = count() - 1;
    if (insertIndex != -1 && insertIndex < count()) {
        moveQuietly(count() - 1, insertIndex);
        at = insertIndex;
    }
    if (telling())
        emit slideAdded(at);
    return true;
}

bool Story::remove(int index)
{
    return takeSlide(index) != nullptr;
}

std::unique_ptr<Slide> Story::takeSlide(int index)
{
    if (m_slides.empty() || index < 0 || index >= count())
        return nullptr;
    const Slide& s = *m_slides[size_t(index)];
    if (s.isRecording() || !s.isReady() || s.isMp3Busy())
        return nullptr;

    const ChangeBatch batch(*this);
    std::unique_ptr<Slide> taken = std::move(m_slides[size_t(index)]);
    m_slides.erase(m_slides.begin() + index);

    const int newCount = count();
    // Never past the end: removing the last slide makes the new last one current.
    m_currentIndex = std::min(m_currentIndex < newCount ? index : newCount - 1, newCount - 1);
    if (telling())
        emit slideRemoved(index);
    return taken;
}

bool Story::insertSlide(std::unique_ptr<Slide>& slide, int index)
{
    if (!slide || &slide->story() != this || count() >= MaxSlides)
        return false;
    const Slide& s = *slide;
    if (s.kind() != SlideKind::Segment && !s.sourcePicturePath().isEmpty()) {
        const bool duplicate = std::any_of(m_slides.begin(), m_slides.end(), [&](const auto& other) {
            return other->sourcePicturePath() == s.sourcePicturePath() ||
                   (!s.chosenPicturePath().isEmpty() && other->chosenPicturePath() == s.chosenPicturePath());
        });
        if (duplicate)
            return false;
    }

    const ChangeBatch batch(*this);
    const int at = index < 0 || index > count() ? count() : index;
    m_slides.insert(m_slides.begin() + at, std::move(slide));
    if (telling())
        emit slideAdded(at);
    return true;
}

void Story::move(int from, int to)
{
    if (from < 0 || from >= count() || to < 0 || to >= count())
        return;
    const ChangeBatch batch(*this);
    moveQuietly(from, to);
    if (from != to && telling())
        emit slideMoved(from, to);
}

void Story::moveQuietly(int from, int to)
{
    auto slide = std::move(m_slides[size_t(from)]);
    m_slides.erase(m_slides.begin() + from);
    m_slides.insert(m_slides.begin() + to, std::move(slide));
}

void Story::changePicture(int index, const QString& path)
{
    Slide* s = slideAt(index);
    if (!s)
        return;
    const ChangeBatch batch(*this);
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

namespace {

//! Stores value into field; true when that changed it.
template <typename T>
bool store(T& field, const T& value)
{
    if (field == value)
        return false;
    field = value;
    return true;
}

} // namespace

void Story::setTitle(const QString& title)
{
    if (store(m_title, text::cut(text::oneLine(title), capacity::Title)))
        noteInfo();
}

void Story::setDescription(const QString& description)
{
    if (store(m_description, text::cut(text::normalizeLineBreaks(description), capacity::Description)))
        noteInfo();
}

void Story::setTags(const QString& tags)
{
    if (store(m_tags, text::cut(text::oneLine(tags), capacity::Tags)))
        noteInfo();
}

void Story::setCategoryName(const QString& name)
{
    if (store(m_categoryName, text::cut(text::oneLine(name), capacity::CategoryName)))
        noteInfo();
}

void Story::setCategory(const QString& name, int id)
{
    const ChangeBatch batch(*this);
    setCategoryName(name);
    setCategoryId(id);
}

void Story::setOwner(const QString& owner)
{
    if (store(m_owner, text::cut(text::oneLine(owner), capacity::Owner)))
        noteInfo();
}

void Story::setTranscript(const QString& transcript)
{
    if (store(m_transcript, text::normalizeLineBreaks(transcript)))
        noteInfo();
}

void Story::setTranscriptPublish(bool publish)
{
    if (store(m_transcriptPublish, publish))
        noteInfo();
}

void Story::setType(int type)
{
    if (store(m_type, type))
        noteInfo();
}

void Story::setCategoryId(int id)
{
    if (store(m_categoryId, id))
        noteInfo();
}

void Story::setUniqueId(int id)
{
    if (store(m_uniqueId, id))
        noteInfo();
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
        {
            const ChangeBatch batch(*this);
            s->setSourcePicturePath(m_workingFolder + QStringLiteral("c%1.jpg").arg(slideId));
            if (result.loaded)
                s->replacePicture(result.picture);
            s->setThumbnail(result.thumbnail);
            s->setJpegSize(result.jpegSize);
            // Imports make the slide JPEG upright, whatever rotation the slide has.
            s->setJpegRotation(result.loaded ? 0 : -1);
            s->setReady(true);
        }
        emit slideReady(index);
    }
    if (m_runningImports.load() == 0)
        emit importsFinished();
}

void Story::applyReprocess(Slide& slide, const PictureResult& result)
{
    const ChangeBatch batch(*this);
    if (result.loaded) {
        slide.replacePicture(result.picture);
        slide.setThumbnail(result.thumbnail);
    }
    slide.setJpegSize(result.jpegSize);
    slide.setPictureLoaded(true);
    // Remade with the rotation the slide had when the job was taken; nothing rotates a slide
    // while its picture is remade (saves and publishing hold the window).
    slide.setJpegRotation(result.loaded ? slide.rotation() : -1);
}

void Story::waitForImports()
{
    if (!m_importer)
        return;
    m_importer->waitForIdle();
    // The finished jobs' results are queued to this object: deliver just those.
    QCoreApplication::sendPostedEvents(this, QEvent::MetaCall);
}
