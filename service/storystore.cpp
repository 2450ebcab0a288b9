#include "storystore.h"

#include "searchtext.h"
#include "sqlerror.h"
#include "sqlstatement.h"
#include "sqltransaction.h"

#include <cstdio>
#include <ctime>

namespace {

constexpr const char* SummaryColumns =
    "SELECT s.id, u.name, s.type, s.title, s.description, s.tags, s.category, s.language, s.transcript, "
    "s.published, (SELECT COUNT(*) FROM slides WHERE story_id = s.id), "
    "(SELECT COALESCE(SUM(seconds), 0) FROM slides WHERE story_id = s.id), s.user_id "
    "FROM stories s JOIN users u ON u.id = s.user_id ";

// Parameters ?1 field (0 title or tags, 1 title, 2 tags) and ?2 the LIKE pattern of the
// case-folded words; pictorelle_fold is searchtext::FoldFunction.
constexpr const char* SearchCondition =
    "WHERE (?1 != 2 AND pictorelle_fold(s.title) LIKE ?2 ESCAPE '\\') "
    "OR (?1 != 1 AND (pictorelle_fold(s.tags) LIKE ?2 ESCAPE '\\' OR EXISTS (SELECT 1 FROM slides t "
    "WHERE t.story_id = s.id AND pictorelle_fold(t.tags) LIKE ?2 ESCAPE '\\'))) ";

StoryRecord readSummary(const SqlStatement& row)
{
    StoryRecord story;
    story.id = row.integer(0);
    story.owner = row.text(1);
    story.type = static_cast<int>(row.integer(2));
    story.title = row.text(3);
    story.description = row.text(4);
    story.tags = row.text(5);
    story.category = row.integer(6);
    story.language = row.text(7);
    if (!row.isNull(8))
        story.transcript = row.text(8);
    story.published = row.integer(9);
    story.slideCount = static_cast<int>(row.integer(10));
    story.totalSeconds = static_cast<int>(row.integer(11));
    story.ownerId = row.integer(12);
    return story;
}

// Moves the staged files of a draft into the story's folder, named for the revision.
std::vector<SlideRecord> adoptFiles(const MediaStore& media, std::int64_t id, int revision, const StoryDraft& draft,
                                    std::vector<std::string>& adopted)
{
    std::vector<SlideRecord> slides;
    auto adopt = [&](const std::filesystem::path& staged, int slide, MediaKind kind) {
        if (staged.empty())
            return std::string();
        std::string name = MediaStore::fileName(revision, slide, kind);
        media.adopt(id, staged, name);
        adopted.push_back(name);
        return name;
    };
    for (std::size_t i = 0; i < draft.slides.size(); ++i) {
        const DraftSlide& in = draft.slides[i];
        const int n = static_cast<int>(i);
        SlideRecord out{in.caption, in.tags, {}, {}, {}, in.seconds};
        out.photo = adopt(in.photo, n, MediaKind::Picture);
        out.thumb = adopt(in.thumb, n, MediaKind::Thumbnail);
        out.audio = adopt(in.audio, n, draft.type == 2 ? MediaKind::Podcast : MediaKind::Narration);
        slides.push_back(std::move(out));
    }
    return slides;
}

void bindText(SqlStatement& statement, int index, const std::optional<std::string>& text)
{
    if (text)
        statement.bindText(index, *text);
    else
        statement.bindNull(index);
}

} // namespace

StoryStore::StoryStore(SqlConnection& connection, const MediaStore& media) : m_connection(connection), m_media(media)
{}

PublishResult StoryStore::publish(std::int64_t userId, const StoryDraft& draft)
{
    SqlTransaction transaction(m_connection);
    std::int64_t id = 0;
    int oldRevision = 0;
    if (draft.requestedId > 0) {
        // The new revision is taken by a write, which holds the story's row until the commit:
        // a second publication of the same story, on any service over this database, waits
        // here and then takes the next number, so no two ever write the same file names.
        SqlStatement take(m_connection, "UPDATE stories SET revision = revision + 1 WHERE id = ?1 AND user_id = ?2");
        take.bindInt(1, draft.requestedId).bindInt(2, userId).run();
        SqlStatement owner(m_connection, "SELECT user_id, revision FROM stories WHERE id = ?1");
        owner.bindInt(1, draft.requestedId);
        if (owner.step()) {
            if (owner.integer(0) != userId)
                return PublishResult{0, true};
            id = draft.requestedId;
            oldRevision = static_cast<int>(owner.integer(1)) - 1;
        }
    }
    SqlStatement next(m_connection, "SELECT COALESCE(MAX(seq), 0) + 1 FROM stories");
    next.step();
    const std::int64_t seq = next.integer(0);
    const int revision = oldRevision + 1;
    if (id == 0) {
        SqlStatement insert(m_connection,
                            "INSERT INTO stories (user_id, type, title, description, tags, category, language, "
                            "transcript, revision, published, seq) VALUES (?1, 0, '', '', '', 0, '', NULL, 0, 0, 0) "
                            "RETURNING id");
        insert.bindInt(1, userId);
        if (!insert.step())
            throw SqlError("INSERT INTO stories returned no id");
        id = insert.integer(0);
        insert.run();
    }
    SqlStatement update(m_connection,
                        "UPDATE stories SET type = ?2, title = ?3, description = ?4, tags = ?5, category = ?6, "
                        "language = ?7, transcript = ?8, revision = ?9, published = ?10, seq = ?11 WHERE id = ?1");
    update.bindInt(1, id).bindInt(2, draft.type).bindText(3, draft.title).bindText(4, draft.description);
    update.bindText(5, draft.tags).bindInt(6, draft.category).bindText(7, draft.language);
    bindText(update, 8, draft.transcript);
    update.bindInt(9, revision).bindInt(10, static_cast<std::int64_t>(std::time(nullptr))).bindInt(11, seq).run();
    SqlStatement clear(m_connection, "DELETE FROM slides WHERE story_id = ?1");
    clear.bindInt(1, id).run();

    // Files of this revision can only be left by a publication whose service died before its
    // commit (SQLite hands a rolled-back id out again); none of them may show in this story.
    m_media.removeRevision(id, revision);
    std::vector<std::string> adopted;
    try {
        const std::vector<SlideRecord> slides = adoptFiles(m_media, id, revision, draft, adopted);
        for (std::size_t i = 0; i < slides.size(); ++i) {
            const SlideRecord& s = slides[i];
            SqlStatement insert(m_connection, "INSERT INTO slides (story_id, position, caption, tags, photo, thumb, "
                                              "audio, seconds) VALUES (?1, ?2, ?3, ?4, ?5, ?6, ?7, ?8)");
            insert.bindInt(1, id).bindInt(2, static_cast<std::int64_t>(i)).bindText(3, s.caption);
            insert.bindText(4, s.tags);
            bindText(insert, 5, s.photo.empty() ? std::nullopt : std::optional(s.photo));
            bindText(insert, 6, s.thumb.empty() ? std::nullopt : std::optional(s.thumb));
            insert.bindText(7, s.audio).bindInt(8, s.seconds).run();
        }
        m_media.syncStory(id);
        transaction.commit();
    } catch (...) {
        for (const std::string& name : adopted)
            m_media.remove(id, name);
        throw;
    }
    // Only after the commit: until then the pages still show the old revision's files.
    if (oldRevision > 0)
        m_media.removeRevision(id, oldRevision);
    return PublishResult{id, false};
}

StoryPage StoryStore::list(std::int64_t offset, int limit)
{
    StoryPage page;
    SqlStatement count(m_connection, "SELECT COUNT(*) FROM stories");
    count.step();
    page.total = count.integer(0);
    SqlStatement query(m_connection,
                       (std::string(SummaryColumns) + "ORDER BY s.seq DESC, s.id DESC LIMIT ?1 OFFSET ?2").c_str());
    query.bindInt(1, limit).bindInt(2, offset);
    while (query.step())
        page.stories.push_back(readSummary(query));
    return page;
}

std::optional<StoryRecord> StoryStore::find(std::int64_t id)
{
    // The story and its slides take two statements, and a replacement committed between them
    // (by any service) would show one version's texts with the next one's files. Every
    // publication gives the story a new "seq": when it is the same before and after, both
    // statements read the same version.
    auto publication = [&] {
        SqlStatement seq(m_connection, "SELECT seq FROM stories WHERE id = ?1");
        seq.bindInt(1, id);
        return seq.step() ? std::optional(seq.integer(0)) : std::nullopt;
    };
    for (int attempt = 1;; ++attempt) {
        const std::optional<std::int64_t> before = publication();
        SqlStatement query(m_connection, (std::string(SummaryColumns) + "WHERE s.id = ?1").c_str());
        query.bindInt(1, id);
        if (!query.step())
            return std::nullopt;
        StoryRecord story = readSummary(query);
        SqlStatement slides(m_connection, "SELECT caption, tags, photo, thumb, audio, seconds FROM slides "
                                          "WHERE story_id = ?1 ORDER BY position");
        slides.bindInt(1, id);
        while (slides.step())
            story.slides.push_back(SlideRecord{slides.text(0), slides.text(1), slides.text(2), slides.text(3),
                                               slides.text(4), static_cast<int>(slides.integer(5))});
        if ((before && publication() == before) || attempt == 10)
            return story;
    }
}

std::vector<StoryRecord> StoryStore::listOwnedBy(std::int64_t userId)
{
    SqlStatement query(m_connection,
                       (std::string(SummaryColumns) + "WHERE s.user_id = ?1 ORDER BY s.seq DESC").c_str());
    query.bindInt(1, userId);
    std::vector<StoryRecord> stories;
    while (query.step())
        stories.push_back(readSummary(query));
    return stories;
}

std::vector<std::pair<std::int64_t, std::int64_t>> StoryStore::categoryCounts()
{
    SqlStatement query(m_connection, "SELECT category, COUNT(*) FROM stories GROUP BY category ORDER BY category");
    std::vector<std::pair<std::int64_t, std::int64_t>> counts;
    while (query.step())
        counts.emplace_back(query.integer(0), query.integer(1));
    return counts;
}

StoryPage StoryStore::listInCategories(std::int64_t first, std::int64_t last, std::int64_t offset, int limit)
{
    StoryPage page;
    SqlStatement count(m_connection, "SELECT COUNT(*) FROM stories WHERE category BETWEEN ?1 AND ?2");
    count.bindInt(1, first).bindInt(2, last);
    count.step();
    page.total = count.integer(0);
    SqlStatement query(m_connection, (std::string(SummaryColumns) +
                                      "WHERE s.category BETWEEN ?1 AND ?2 ORDER BY s.seq DESC LIMIT ?3 OFFSET ?4")
                                         .c_str());
    query.bindInt(1, first).bindInt(2, last).bindInt(3, limit).bindInt(4, offset);
    while (query.step())
        page.stories.push_back(readSummary(query));
    return page;
}

StoryPage StoryStore::search(const std::string& words, SearchField field, std::int64_t offset, int limit)
{
    searchtext::addFoldFunction(m_connection);
    const int fieldCode = field == SearchField::Title ? 1 : field == SearchField::Tags ? 2 : 0;
    const std::string pattern = searchtext::containsPattern(searchtext::fold(words));
    StoryPage page;
    SqlStatement count(m_connection, (std::string("SELECT COUNT(*) FROM stories s ") + SearchCondition).c_str());
    count.bindInt(1, fieldCode).bindText(2, pattern);
    count.step();
    page.total = count.integer(0);
    SqlStatement query(
        m_connection,
        (std::string(SummaryColumns) + SearchCondition + "ORDER BY s.seq DESC LIMIT ?3 OFFSET ?4").c_str());
    query.bindInt(1, fieldCode).bindText(2, pattern).bindInt(3, limit).bindInt(4, offset);
    while (query.step())
        page.stories.push_back(readSummary(query));
    return page;
}

RemoveResult StoryStore::remove(std::int64_t userId, std::int64_t id)
{
    SqlTransaction transaction(m_connection);
    SqlStatement owner(m_connection, "SELECT user_id FROM stories WHERE id = ?1");
    owner.bindInt(1, id);
    if (!owner.step())
        return RemoveResult::NotFound;
    if (owner.integer(0) != userId)
        return RemoveResult::NotOwner;
    SqlStatement slides(m_connection, "DELETE FROM slides WHERE story_id = ?1");
    slides.bindInt(1, id).run();
    SqlStatement story(m_connection, "DELETE FROM stories WHERE id = ?1");
    story.bindInt(1, id).run();
    transaction.commit();
    // Only after the commit: until then the story's page still plays its files. Ids are never
    // handed out twice, so no later story can meet what a failed removal leaves behind.
    if (!m_media.removeStory(id))
        std::fprintf(stderr, "pictorelle-web: could not remove every media file of deleted story %lld\n",
                     static_cast<long long>(id));
    return RemoveResult::Removed;
}
