// Several pictorelle-web services over one database and one data folder, as behind a load
// balancer: any of them takes any request, and one dying harms none of the others' clients.
#include "servicefixture.h"

#include <QDir>
#include <QDirIterator>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <latch>
#include <map>
#include <mutex>
#include <regex>
#include <thread>

namespace {

// Whether condition came true within the time, looked at every 10 ms.
template <typename Condition>
bool becomesTrue(Condition&& condition, std::chrono::milliseconds within)
{
    const auto deadline = std::chrono::steady_clock::now() + within;
    while (!condition()) {
        if (std::chrono::steady_clock::now() > deadline)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return true;
}

// The load's clients all come from the loopback address, as a reverse proxy's do.
const QStringList ManyClients{"--address-connections", "1000"};

std::string verifyOn(const ServiceProcess& service, const std::string& user, const std::string& slides)
{
    const auto reply = service.client()->Post("/?action=verify", verifyParts(user, md5Hex("pw"), slides));
    return reply ? reply->body : "no reply: " + httplib::to_string(reply.error());
}

std::string uploadOn(const ServiceProcess& service, const httplib::MultipartFormDataItems& parts)
{
    const auto reply = service.client()->Post("/?action=upload", parts);
    return reply ? reply->body : "no reply: " + httplib::to_string(reply.error());
}

// Verify on one service and upload on another; the upload's reply or "VERIFY " + the refusal.
std::string publishAcross(const ServiceProcess& verifier, const ServiceProcess& uploader, const std::string& user,
                          const StoryParts& story)
{
    const std::string verified = verifyOn(verifier, user, story.numSlides());
    if (!verified.starts_with("OKAY,") || verified.size() < 13)
        return "VERIFY " + verified;
    return uploadOn(uploader, uploadParts(user, verified.substr(5, 8), story));
}

// A picture story whose files are large enough to take a while and unique to tag byte for byte.
StoryParts bulkyStory(int slides, const std::string& tag, std::size_t photoBytes)
{
    StoryParts story = StoryParts::picture(slides, tag);
    for (std::size_t i = 0; i < story.slides.size(); ++i) {
        const char fill = static_cast<char>('a' + (std::hash<std::string>{}(tag) + i) % 26);
        story.slides[i].photo += std::string(photoBytes, fill);
        story.slides[i].audio += std::string(photoBytes / 2, fill);
    }
    return story;
}

// Whether the story's page, as this service shows it, has the story's title and plays exactly
// its files; empty when so, else what differs.
std::string storyMismatch(const ServiceProcess& service, long long id, const StoryParts& story)
{
    const auto client = service.client();
    const auto page = client->Get("/?page=detail&cid=" + std::to_string(id));
    if (!page || page->status != 200)
        return "no page for story " + std::to_string(id);
    if (page->body.find("<h1>" + story.title + "</h1>") == std::string::npos)
        return "story " + std::to_string(id) + " does not show " + story.title;
    const std::vector<std::string> links = mediaLinks(page->body);
    const std::size_t n = story.slides.size();
    if (links.size() != 3 * n)
        return "story " + std::to_string(id) + " links " + std::to_string(links.size()) + " files";
    // Per slide picture and narration, then the thumbnails.
    for (std::size_t s = 0; s < n; ++s) {
        const std::pair<const std::string*, const std::string*> files[] = {{&links[2 * s], &story.slides[s].photo},
                                                                           {&links[2 * s + 1], &story.slides[s].audio},
                                                                           {&links[2 * n + s], &story.slides[s].thumb}};
        for (const auto& [link, bytes] : files) {
            const auto file = client->Get(*link);
            if (!file || file->status != 200 || file->body != *bytes)
                return *link + " does not hold what " + story.title + " sent";
        }
    }
    return {};
}

// What a reader saw wrong on the story's page while it was being replaced: a file that holds
// bytes of another version than the page's title names (a file already gone is no fault: the
// page was replaced meanwhile). Empty when nothing was wrong.
std::string mixedFiles(const ServiceProcess& service, long long id, const std::vector<StoryParts>& versions)
{
    const auto client = service.client();
    const auto page = client->Get("/?page=detail&cid=" + std::to_string(id));
    if (!page || page->status != 200)
        return "no page for story " + std::to_string(id);
    std::smatch title;
    if (!std::regex_search(page->body, title, std::regex("<h1>Story v([0-9]+)</h1>")))
        return "no version's title on the page";
    const StoryParts& story = versions.at(std::stoul(title[1].str()));
    const std::vector<std::string> links = mediaLinks(page->body);
    const std::size_t n = story.slides.size();
    if (links.size() != 3 * n)
        return "the page of " + story.title + " links " + std::to_string(links.size()) + " files";
    for (std::size_t s = 0; s < n; ++s) {
        const std::pair<const std::string*, const std::string*> files[] = {{&links[2 * s], &story.slides[s].photo},
                                                                           {&links[2 * s + 1], &story.slides[s].audio},
                                                                           {&links[2 * n + s], &story.slides[s].thumb}};
        for (const auto& [link, bytes] : files) {
            const auto file = client->Get(*link);
            if (file && file->status == 200 && file->body != *bytes)
                return *link + " on the page of " + story.title + " holds another version's bytes";
        }
    }
    return {};
}

// The ids each "Story …" title links to on the list of published stories, in list order.
std::map<std::string, std::vector<long long>> listedTitles(const ServiceProcess& service)
{
    std::map<std::string, std::vector<long long>> titles;
    const auto client = service.client();
    std::string address = "/";
    // The list may come in pages; each links the next.
    for (int pages = 0; pages < 100 && !address.empty(); ++pages) {
        const auto page = client->Get(address);
        if (!page || page->status != 200)
            break;
        static const std::regex title("<a href=\"/\\?page=detail&amp;cid=([0-9]+)\">(Story [^<]+)</a>");
        for (auto it = std::sregex_iterator(page->body.begin(), page->body.end(), title); it != std::sregex_iterator();
             ++it)
            titles[(*it)[2].str()].push_back(std::stoll((*it)[1].str()));
        static const std::regex next("<a[^>]*href=\"(/[^\"]*)\"[^>]*>(Next|Older)[^<]*</a>");
        std::smatch match;
        address = std::regex_search(page->body, match, next)
                      ? std::regex_replace(match[1].str(), std::regex("&amp;"), "&")
                      : std::string();
    }
    return titles;
}

// The files of an upload under a staging folder.
QStringList filesUnder(const QString& folder)
{
    QStringList files;
    QDirIterator it(folder, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
    while (it.hasNext())
        files << it.next();
    return files;
}

// The body of a multipart form as httplib's client sends it.
std::string multipartBody(const httplib::MultipartFormDataItems& parts, const std::string& boundary)
{
    std::string body;
    for (const httplib::MultipartFormData& part : parts) {
        body += "--" + boundary + "\r\nContent-Disposition: form-data; name=\"" + part.name + "\"";
        if (!part.filename.empty())
            body += "; filename=\"" + part.filename + "\"";
        body += "\r\n";
        if (!part.content_type.empty())
            body += "Content-Type: " + part.content_type + "\r\n";
        body += "\r\n" + part.content + "\r\n";
    }
    return body + "--" + boundary + "--\r\n";
}

// A client that sent the first bytes of an upload and then stalls, connected.
class StalledUpload
{
public:
    StalledUpload(int port, const std::string& body, std::size_t sent, const std::string& boundary)
    {
        m_socket = ::socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_port = htons(static_cast<std::uint16_t>(port));
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        if (::connect(m_socket, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0)
            return;
        const std::string head = "POST /?action=upload HTTP/1.1\r\nHost: 127.0.0.1\r\nContent-Type: "
                                 "multipart/form-data; boundary=" +
                                 boundary + "\r\nContent-Length: " + std::to_string(body.size()) + "\r\n\r\n";
        m_sent = send(head) && send(body.substr(0, sent));
    }
    ~StalledUpload() { ::close(m_socket); }
    StalledUpload(const StalledUpload&) = delete;
    StalledUpload& operator=(const StalledUpload&) = delete;

    bool sent() const { return m_sent; }

private:
    bool send(const std::string& bytes)
    {
        for (std::size_t done = 0; done < bytes.size();) {
            const ssize_t n = ::send(m_socket, bytes.data() + done, bytes.size() - done, MSG_NOSIGNAL);
            if (n <= 0)
                return false;
            done += static_cast<std::size_t>(n);
        }
        return true;
    }

    int m_socket = -1;
    bool m_sent = false;
};

struct ServiceInstancesTest : ::testing::Test
{
    TempFolder data;
    std::unique_ptr<ServiceProcess> first;
    std::unique_ptr<ServiceProcess> second;
    QString firstStaging;
    QString secondStaging;

    void SetUp() override
    {
        first = start(firstStaging);
        ASSERT_TRUE(first->started()) << first->log().toStdString();
        second = start(secondStaging);
        ASSERT_TRUE(second->started()) << second->log().toStdString();
        ASSERT_NE(firstStaging, secondStaging);
        for (const char* user : {"ann", "bob", "cay", "dan", "eve"})
            ASSERT_EQ(signUp(*first, user), 200);
    }

    // Starts one more service over the shared folder and database; staging names the folder
    // it took in "incoming/" (the one that was not there before).
    std::unique_ptr<ServiceProcess> start(QString& staging)
    {
        const QStringList before = stagingFolders();
        auto service = std::make_unique<ServiceProcess>(data.path(), ManyClients);
        for (const QString& folder : stagingFolders())
            if (!before.contains(folder))
                staging = folder;
        return service;
    }

    QStringList stagingFolders() const
    {
        return QDir(data.path() + "incoming").entryList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name);
    }

    QStringList lockFiles() const { return QDir(data.path() + "incoming").entryList(QDir::Files, QDir::Name); }

    // Whether no upload's file is left in any service's staging folder.
    bool nothingStaged() const
    {
        for (const QString& folder : stagingFolders())
            if (!filesUnder(data.path() + "incoming/" + folder).isEmpty())
                return false;
        return true;
    }

    static int signUp(const ServiceProcess& service, const std::string& name)
    {
        const httplib::Params form{{"username", name}, {"password", "pw"}, {"confirm", "pw"}};
        const auto reply = service.client()->Post("/?page=login", form);
        return reply ? reply->status : -1;
    }
};

TEST_F(ServiceInstancesTest, EachServiceStagesInAFolderOfItsOwnHeldByALock)
{
    // THEN the two services share "incoming/" with a folder and a lock file each
    EXPECT_EQ(stagingFolders().size(), 2);
    EXPECT_TRUE(std::regex_match(firstStaging.toStdString(), std::regex("[0-9a-f]{32}")));
    QStringList locks{firstStaging + ".lock", secondStaging + ".lock"};
    locks.sort();
    EXPECT_EQ(lockFiles(), locks);
    // AND what an older service or a dead one left there is gone once another starts, while
    // the live services' folders stay
    data.write("incoming/0123456789abcdef/1", "half an upload");
    data.write("incoming/feedfeedfeedfeedfeedfeedfeedfeed.lock", "");
    data.write("incoming/feedfeedfeedfeedfeedfeedfeedfeed/0123456789abcdef/2", "another half");
    data.write("incoming/0000000000000000000000000000dead.lock", "");
    QString third;
    auto service = start(third);
    ASSERT_TRUE(service->started()) << service->log().toStdString();
    QStringList live{firstStaging, secondStaging, third};
    live.sort();
    EXPECT_EQ(stagingFolders(), live);
    EXPECT_EQ(lockFiles().size(), 3);
    // AND a service that stops cleanly takes its folder and lock with it (once it serves: a
    // signal before that is not waited for here)
    ASSERT_TRUE(service->client()->Get("/favicon.svg"));
    EXPECT_EQ(service->stop(), 0) << service->log().toStdString();
    QStringList two{firstStaging, secondStaging};
    two.sort();
    EXPECT_EQ(stagingFolders(), two);
    EXPECT_EQ(lockFiles(), locks);
}

TEST_F(ServiceInstancesTest, CodeAndSessionOfOneServiceWorkOnTheOther)
{
    // GIVEN a code from the first service
    const StoryParts story = StoryParts::picture(3, "across");
    const std::string verified = verifyOn(*first, "ann", "3");
    ASSERT_TRUE(verified.starts_with("OKAY,")) << verified;
    // WHEN the upload goes to the second
    const httplib::MultipartFormDataItems parts = uploadParts("ann", verified.substr(5, 8), story);
    const long long id = storyId(uploadOn(*second, parts));
    ASSERT_GT(id, 0);
    // THEN both serve the story with every file as sent
    EXPECT_EQ(storyMismatch(*first, id, story), "");
    EXPECT_EQ(storyMismatch(*second, id, story), "");
    // AND the code is spent for both
    EXPECT_EQ(uploadOn(*first, parts), "FAIL=BADCODE");
    EXPECT_EQ(uploadOn(*second, parts), "FAIL=BADCODE");
    // AND a session begun on one is the same visitor on the other
    const auto login = first->client()->Post("/login", httplib::Params{{"username", "ann"}, {"password", "pw"}});
    ASSERT_TRUE(login);
    ASSERT_EQ(login->status, 303);
    const std::string cookie = login->get_header_value("Set-Cookie");
    const auto mine = second->client()->Get("/mine", {{"Cookie", cookie.substr(0, cookie.find(';'))}});
    ASSERT_TRUE(mine);
    EXPECT_EQ(mine->status, 200);
    EXPECT_NE(mine->body.find("Story across"), std::string::npos);
}

TEST_F(ServiceInstancesTest, ReplacementsOfOneStoryOnBothServicesAtOnceNeverMixTheirFiles)
{
    // GIVEN ann's story
    constexpr int Versions = 6;
    std::vector<StoryParts> versions{StoryParts::picture(4, "v0")};
    const long long id = storyId(publishAcross(*first, *second, "ann", versions[0]));
    ASSERT_GT(id, 0);
    // WHEN six new versions of it are published at the same moment, half on each service,
    // while readers look at it on both
    for (int v = 1; v <= Versions; ++v) {
        versions.push_back(bulkyStory(4, "v" + std::to_string(v), 200 * 1024));
        versions.back().id = std::to_string(id);
    }
    std::vector<httplib::MultipartFormDataItems> uploads;
    for (int v = 1; v <= Versions; ++v) {
        const std::string verified = verifyOn(v % 2 ? *second : *first, "ann", "4");
        ASSERT_TRUE(verified.starts_with("OKAY,")) << verified;
        uploads.push_back(uploadParts("ann", verified.substr(5, 8), versions[v]));
    }
    std::vector<std::string> replies(Versions);
    std::vector<std::string> seen(2);
    {
        std::atomic<bool> publishing = true;
        std::vector<std::jthread> readers;
        for (int r = 0; r < 2; ++r)
            readers.emplace_back([&, r] {
                while (publishing && seen[r].empty())
                    seen[r] = mixedFiles(r ? *second : *first, id, versions);
            });
        {
            std::latch go(Versions);
            std::vector<std::jthread> publishers;
            for (int v = 0; v < Versions; ++v)
                publishers.emplace_back([&, v] {
                    go.arrive_and_wait();
                    replies[v] = uploadOn(v % 2 ? *first : *second, uploads[v]);
                });
        }
        publishing = false;
    }
    // THEN no reader ever saw a page with files of another version
    EXPECT_EQ(seen[0], "");
    EXPECT_EQ(seen[1], "");
    // AND every one replaced the same story
    for (const std::string& reply : replies)
        EXPECT_EQ(reply, "OKAY=" + std::to_string(id));
    // AND the story is one whole version, the same on both, with no file of another left
    const auto page = first->client()->Get("/?page=detail&cid=" + std::to_string(id));
    ASSERT_TRUE(page);
    const std::smatch shown = [&] {
        std::smatch m;
        std::regex_search(page->body, m, std::regex("<h1>Story v([0-9])</h1>"));
        return m;
    }();
    ASSERT_FALSE(shown.empty());
    const StoryParts& last = versions[std::stoul(shown[1].str())];
    EXPECT_EQ(storyMismatch(*first, id, last), "");
    EXPECT_EQ(storyMismatch(*second, id, last), "");
    EXPECT_EQ(QDir(data.path() + "media/" + QString::number(id)).entryList(QDir::Files).size(), 12);
}

TEST_F(ServiceInstancesTest, KillingAServiceMidUploadHarmsNoneOfTheOthersClientsAndItsFilesGoAtTheNextStart)
{
    // GIVEN an upload to the first service stalled in the middle of its first picture
    const StoryParts half = bulkyStory(2, "half", 3 * 1024 * 1024);
    const std::string verified = verifyOn(*first, "bob", "2");
    ASSERT_TRUE(verified.starts_with("OKAY,")) << verified;
    const std::string boundary = "----stalled7MA4YWxkTrZu0gW";
    const std::string body = multipartBody(uploadParts("bob", verified.substr(5, 8), half), boundary);
    const StalledUpload stalled(first->port(), body, body.size() / 4, boundary);
    ASSERT_TRUE(stalled.sent());
    const QString killedStaging = data.path() + "incoming/" + firstStaging;
    ASSERT_TRUE(becomesTrue([&] { return !filesUnder(killedStaging).isEmpty(); }, std::chrono::seconds(10)));
    // AND clients of the second service publishing meanwhile
    constexpr int Publications = 6;
    std::vector<StoryParts> stories;
    for (int i = 0; i < Publications; ++i)
        stories.push_back(bulkyStory(3, "beside" + std::to_string(i), 300 * 1024));
    std::vector<std::string> replies(Publications);
    std::atomic<int> done = 0;
    std::jthread publisher([&] {
        for (int i = 0; i < Publications; ++i) {
            replies[i] = publishAcross(*second, *second, "cay", stories[i]);
            ++done;
        }
    });
    ASSERT_TRUE(becomesTrue([&] { return done >= 2; }, std::chrono::seconds(20)));
    // WHEN the first service is killed outright
    EXPECT_EQ(first->stop(SIGKILL), -1);
    publisher.join();
    // THEN every client of the second service had its story stored whole
    for (int i = 0; i < Publications; ++i) {
        const long long id = storyId(replies[i]);
        ASSERT_GT(id, 0) << replies[i];
        EXPECT_EQ(storyMismatch(*second, id, stories[i]), "");
    }
    // AND no part of the interrupted story shows
    const auto titles = listedTitles(*second);
    EXPECT_EQ(titles.count("Story half"), 0u);
    EXPECT_EQ(titles.size(), std::size_t(Publications));
    // AND its staged files stay until a service starts again, which removes them and keeps
    // the second's folder
    EXPECT_FALSE(filesUnder(killedStaging).isEmpty());
    QString restartedStaging;
    first = start(restartedStaging);
    ASSERT_TRUE(first->started()) << first->log().toStdString();
    EXPECT_FALSE(QDir(killedStaging).exists());
    EXPECT_FALSE(QFile::exists(killedStaging + ".lock"));
    QStringList live{secondStaging, restartedStaging};
    live.sort();
    EXPECT_EQ(stagingFolders(), live);
    // AND both take uploads again
    const StoryParts after = StoryParts::picture(2, "after");
    const long long id = storyId(publishAcross(*first, *second, "bob", after));
    ASSERT_GT(id, 0);
    EXPECT_EQ(storyMismatch(*first, id, after), "");
    // AND the interrupted upload's code was never spent: the whole story goes up with it
    const long long resent = storyId(uploadOn(*second, uploadParts("bob", verified.substr(5, 8), half)));
    ASSERT_GT(resent, 0);
    EXPECT_EQ(storyMismatch(*first, resent, half), "");
    EXPECT_TRUE(nothingStaged());
}

// 50 publications of 10-slide stories spread over the two services, with 200 readers of the
// pages at the same time; when killFirst, the first service is killed once ten are stored.
struct LoadOutcome
{
    std::vector<StoryParts> stories;
    std::vector<std::string> replies;
    //! Failed page reads of readers of the second service, the one never killed.
    std::vector<std::string> secondReaderErrors;
    int firstReaderErrors = 0;
};

LoadOutcome runLoad(std::unique_ptr<ServiceProcess>& first, const ServiceProcess& second, bool killFirst)
{
    constexpr int Publications = 50;
    constexpr int Readers = 200;
    constexpr int ReadsEach = 3;
    const char* users[] = {"ann", "bob", "cay", "dan", "eve"};
    LoadOutcome outcome;
    for (int i = 0; i < Publications; ++i)
        outcome.stories.push_back(bulkyStory(10, "load" + std::to_string(i), 40 * 1024));
    outcome.replies.resize(Publications);
    std::mutex lock;
    std::condition_variable stored;
    int storedCount = 0;
    std::atomic<int> firstReaderErrors = 0;
    {
        std::latch go(Publications + Readers);
        std::vector<std::jthread> clients;
        for (int i = 0; i < Publications; ++i)
            clients.emplace_back([&, i] {
                const ServiceProcess& service = i % 2 ? second : *first;
                const auto client = service.client();
                go.arrive_and_wait();
                const std::string verified = verifyOn(service, users[i % 5], "10");
                if (!verified.starts_with("OKAY,")) {
                    outcome.replies[i] = "VERIFY " + verified;
                    return;
                }
                const auto uploaded = client->Post(
                    "/?action=upload", uploadParts(users[i % 5], verified.substr(5, 8), outcome.stories[i]));
                outcome.replies[i] = uploaded ? uploaded->body : httplib::to_string(uploaded.error());
                if (storyId(outcome.replies[i]) > 0) {
                    const std::lock_guard<std::mutex> guard(lock);
                    ++storedCount;
                    stored.notify_all();
                }
            });
        for (int r = 0; r < Readers; ++r)
            clients.emplace_back([&, r] {
                const bool onSecond = r % 2;
                const auto client = (onSecond ? second : *first).client();
                go.arrive_and_wait();
                const std::string addresses[] = {"/", "/browse", "/search?q=load"};
                for (int n = 0; n < ReadsEach; ++n) {
                    const auto page = client->Get(addresses[(r + n) % 3]);
                    if (page && page->status == 200)
                        continue;
                    if (!onSecond) {
                        ++firstReaderErrors;
                    } else {
                        const std::lock_guard<std::mutex> guard(lock);
                        outcome.secondReaderErrors.push_back(
                            addresses[(r + n) % 3] + ": " +
                            (page ? std::to_string(page->status) : httplib::to_string(page.error())));
                    }
                }
            });
        if (killFirst) {
            std::unique_lock<std::mutex> guard(lock);
            stored.wait_for(guard, std::chrono::seconds(60), [&] { return storedCount >= 10; });
            guard.unlock();
            first->stop(SIGKILL);
        }
    }
    outcome.firstReaderErrors = firstReaderErrors;
    return outcome;
}

TEST_F(ServiceInstancesTest, FiftyPublicationsAndTwoHundredReadersOverTwoServicesLoseAndMixNothing)
{
    // WHEN fifty ten-slide stories are published over both services while 200 readers read
    const LoadOutcome load = runLoad(first, *second, false);
    // THEN every publication and every read succeeded
    EXPECT_TRUE(load.secondReaderErrors.empty()) << load.secondReaderErrors.front();
    EXPECT_EQ(load.firstReaderErrors, 0);
    // AND every story is listed once, by its own title, and plays exactly its own files on
    // both services
    const auto titles = listedTitles(*first);
    EXPECT_EQ(titles.size(), load.stories.size());
    for (std::size_t i = 0; i < load.stories.size(); ++i) {
        const long long id = storyId(load.replies[i]);
        ASSERT_GT(id, 0) << load.replies[i];
        const auto listed = titles.find(load.stories[i].title);
        ASSERT_NE(listed, titles.end()) << load.stories[i].title;
        EXPECT_EQ(listed->second, std::vector<long long>{id}) << load.stories[i].title;
        EXPECT_EQ(storyMismatch(i % 2 ? *first : *second, id, load.stories[i]), "");
    }
    EXPECT_TRUE(nothingStaged());
}

TEST_F(ServiceInstancesTest, ServiceKilledUnderLoadHarmsNoneOfTheOthersClients)
{
    // WHEN the first service is killed in the middle of the same load
    const LoadOutcome load = runLoad(first, *second, true);
    // THEN the second's publishers and readers saw no error
    EXPECT_TRUE(load.secondReaderErrors.empty()) << load.secondReaderErrors.front();
    const auto titles = listedTitles(*second);
    for (std::size_t i = 0; i < load.stories.size(); ++i) {
        const StoryParts& story = load.stories[i];
        const long long id = storyId(load.replies[i]);
        if (i % 2) {
            EXPECT_GT(id, 0) << story.title << ": " << load.replies[i];
        }
        // AND a story is listed once and whole when its client was told it is stored; one
        // whose reply the killed service never sent is whole or not there at all
        const auto listed = titles.find(story.title);
        if (id > 0) {
            ASSERT_NE(listed, titles.end()) << story.title;
            EXPECT_EQ(listed->second, std::vector<long long>{id}) << story.title;
        }
        if (listed != titles.end()) {
            ASSERT_EQ(listed->second.size(), 1u) << story.title;
            EXPECT_EQ(storyMismatch(*second, listed->second[0], story), "");
        }
    }
    // AND nothing else is listed
    for (const auto& [title, ids] : titles)
        EXPECT_TRUE(std::any_of(load.stories.begin(), load.stories.end(), [&](const StoryParts& s) {
            return s.title == title;
        })) << title;
    // AND the next start removes what the killed service had staged
    QString restarted;
    first = start(restarted);
    ASSERT_TRUE(first->started()) << first->log().toStdString();
    QStringList live{secondStaging, restarted};
    live.sort();
    EXPECT_EQ(stagingFolders(), live);
    EXPECT_TRUE(nothingStaged());
}

} // namespace
