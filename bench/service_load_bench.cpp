// Two pictorelle-web services over one database and one data folder, as behind a load
// balancer: 50 publications of 10-slide stories spread over both while 200 readers fetch
// pages. Prints the page latency (median, 99th percentile) and the publications per second,
// on SQLite, and on PostgreSQL when PICTORELLE_TEST_POSTGRES names a cluster to make a
// database in (scripts/run-tests.sh starts one).
#include "publishparts.h"

#include <QCoreApplication>
#include <QProcess>
#include <QRandomGenerator>
#include <QTemporaryDir>

#include <httplib.h>
#include <libpq-fe.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <latch>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

constexpr int Publications = 50;
constexpr int Slides = 10;
constexpr int Readers = 200;
constexpr int Users = 5;

// Sizes of the program's published files: a 1024 x 683 picture, its thumbnail, 30 s of speech.
constexpr std::size_t PhotoBytes = 120 * 1024;
constexpr std::size_t ThumbBytes = 8 * 1024;
constexpr std::size_t AudioBytes = 180 * 1024;

// One pictorelle-web on a free loopback port; stopped when it goes.
class Service
{
public:
    Service(const QString& data, const QStringList& database)
    {
        // All clients come from the loopback address, as a reverse proxy's do.
        m_process.setStandardErrorFile(data + "/service.log", QIODevice::Append);
        m_process.start(QStringLiteral(PICTORELLE_WEB),
                        QStringList{"--port", "0", "--data", data, "--address-connections", "2000"} + database);
        QByteArray out;
        while (!out.contains('\n') && m_process.waitForReadyRead(20000))
            out += m_process.readAllStandardOutput();
        const QByteArray prefix = "listening on http://127.0.0.1:";
        if (out.startsWith(prefix))
            m_port = out.mid(prefix.size()).trimmed().toInt();
    }
    ~Service()
    {
        m_process.terminate();
        if (!m_process.waitForFinished(20000))
            m_process.kill();
    }

    int port() const { return m_port; }
    std::unique_ptr<httplib::Client> client() const
    {
        auto client = std::make_unique<httplib::Client>("127.0.0.1", m_port);
        client->set_read_timeout(120, 0);
        client->set_write_timeout(120, 0);
        return client;
    }

private:
    QProcess m_process;
    int m_port = 0;
};

std::string filler(std::size_t bytes)
{
    std::string out(bytes, '\0');
    for (char& c : out)
        c = static_cast<char>(QRandomGenerator::global()->bounded(256));
    return out;
}

StoryParts benchStory(int n)
{
    StoryParts story = StoryParts::picture(Slides, "bench" + std::to_string(n));
    for (SlideParts& slide : story.slides) {
        slide.photo += filler(PhotoBytes);
        slide.thumb += filler(ThumbBytes);
        slide.audio += filler(AudioBytes);
    }
    return story;
}

// A database of its own in the cluster PICTORELLE_TEST_POSTGRES names; dropped when it goes.
class PostgresDatabase
{
public:
    explicit PostgresDatabase(const std::string& admin) : m_admin(admin)
    {
        m_name = "service_load_bench_" + std::to_string(QCoreApplication::applicationPid());
        if (run("CREATE DATABASE " + m_name + " ENCODING 'UTF8' TEMPLATE template0"))
            m_url = withName(m_name);
    }
    ~PostgresDatabase()
    {
        if (!m_url.empty())
            run("DROP DATABASE IF EXISTS " + m_name + " WITH (FORCE)");
    }

    //! Empty when the database could not be made.
    const std::string& url() const { return m_url; }

private:
    bool run(const std::string& sql) const
    {
        PGconn* connection = PQconnectdb(m_admin.c_str());
        bool done = PQstatus(connection) == CONNECTION_OK;
        if (done) {
            PGresult* result = PQexec(connection, sql.c_str());
            done = PQresultStatus(result) == PGRES_COMMAND_OK;
            if (!done)
                std::fprintf(stderr, "service_load_bench: %s: %s", sql.c_str(), PQresultErrorMessage(result));
            PQclear(result);
        } else {
            std::fprintf(stderr, "service_load_bench: cannot reach PICTORELLE_TEST_POSTGRES: %s",
                         PQerrorMessage(connection));
        }
        PQfinish(connection);
        return done;
    }

    // The cluster's address naming another database.
    std::string withName(const std::string& name) const
    {
        const std::size_t scheme = m_admin.find("://");
        const std::size_t hostStart = scheme == std::string::npos ? 0 : scheme + 3;
        const std::size_t query = m_admin.find('?', hostStart);
        const std::size_t hostEnd = std::min(m_admin.find('/', hostStart), query);
        std::string url = m_admin.substr(0, hostEnd == std::string::npos ? m_admin.size() : hostEnd) + "/" + name;
        if (query != std::string::npos)
            url += m_admin.substr(query);
        return url;
    }

    std::string m_admin;
    std::string m_name;
    std::string m_url;
};

double percentile(std::vector<double> values, double fraction)
{
    if (values.empty())
        return 0;
    std::sort(values.begin(), values.end());
    const std::size_t index = std::min(values.size() - 1, static_cast<std::size_t>(fraction * values.size()));
    return values[index];
}

// The load on one back end; false when a publication or a read failed.
bool runLoad(const char* backEnd, const QStringList& database)
{
    QTemporaryDir data;
    const Service first(data.path(), database);
    const Service second(data.path(), database);
    if (first.port() <= 0 || second.port() <= 0) {
        std::fprintf(stderr, "service_load_bench: pictorelle-web did not start (%s)\n", backEnd);
        return false;
    }
    const Service* services[] = {&first, &second};
    for (int u = 0; u < Users; ++u) {
        const std::string name = "user" + std::to_string(u);
        const auto reply = first.client()->Post(
            "/?page=login", httplib::Params{{"username", name}, {"password", "pw"}, {"confirm", "pw"}});
        if (!reply || reply->status != 200) {
            std::fprintf(stderr, "service_load_bench: cannot sign up %s\n", name.c_str());
            return false;
        }
    }
    std::vector<StoryParts> stories;
    for (int i = 0; i < Publications; ++i)
        stories.push_back(benchStory(i));

    std::atomic<int> failures = 0;
    std::atomic<int> publishing = Publications;
    std::mutex lock;
    std::vector<double> latencies;
    Clock::time_point lastStored;
    const Clock::time_point start = Clock::now();
    {
        std::latch go(Publications + Readers);
        std::vector<std::jthread> clients;
        for (int i = 0; i < Publications; ++i)
            clients.emplace_back([&, i] {
                const auto client = services[i % 2]->client();
                const std::string user = "user" + std::to_string(i % Users);
                go.arrive_and_wait();
                const auto verified = client->Post("/?action=verify", verifyParts(user, md5Hex("pw"), "10"));
                std::string reply = verified ? verified->body : "no reply";
                if (reply.starts_with("OKAY,")) {
                    const auto uploaded =
                        client->Post("/?action=upload", uploadParts(user, reply.substr(5, 8), stories[i]));
                    reply = uploaded ? uploaded->body : "no reply";
                }
                if (!reply.starts_with("OKAY=")) {
                    ++failures;
                    std::fprintf(stderr, "service_load_bench: publication %d: %s\n", i, reply.c_str());
                }
                const std::lock_guard<std::mutex> guard(lock);
                lastStored = std::max(lastStored, Clock::now());
                --publishing;
            });
        for (int r = 0; r < Readers; ++r)
            clients.emplace_back([&, r] {
                const auto client = services[r % 2]->client();
                const std::string addresses[] = {"/", "/browse", "/search?q=bench", "/?page=detail&cid=1"};
                std::vector<double> mine;
                go.arrive_and_wait();
                // Every reader reads at least five pages, and on while publications go on.
                for (int n = 0; n < 5 || publishing > 0; ++n) {
                    const Clock::time_point sent = Clock::now();
                    const auto page = client->Get(addresses[(r + n) % 4]);
                    const bool found = page && (page->status == 200 || (page->status == 404 && (r + n) % 4 == 3));
                    if (!found) {
                        ++failures;
                        std::fprintf(stderr, "service_load_bench: reading %s: %s\n", addresses[(r + n) % 4].c_str(),
                                     page ? std::to_string(page->status).c_str() : "no reply");
                    }
                    mine.push_back(std::chrono::duration<double, std::milli>(Clock::now() - sent).count());
                }
                const std::lock_guard<std::mutex> guard(lock);
                latencies.insert(latencies.end(), mine.begin(), mine.end());
            });
    }
    const double seconds = std::chrono::duration<double>(lastStored - start).count();
    std::printf("%s: %d publications of %d slides (%.1f MB) over 2 services, %d readers\n", backEnd, Publications,
                Slides, Publications * Slides * double(PhotoBytes + ThumbBytes + AudioBytes) / 1e6, Readers);
    std::printf("  publications per second        %8.2f  (all stored in %.2f s)\n", Publications / seconds, seconds);
    std::printf("  page latency, median           %8.1f ms\n", percentile(latencies, 0.5));
    std::printf("  page latency, 99th percentile  %8.1f ms  (%zu pages read)\n", percentile(latencies, 0.99),
                latencies.size());
    if (failures > 0)
        std::printf("  %d requests failed\n", failures.load());
    return failures == 0;
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    bool okay = runLoad("SQLite", {});
    const std::string admin = qEnvironmentVariable("PICTORELLE_TEST_POSTGRES").toStdString();
    if (admin.empty()) {
        std::printf("PostgreSQL: skipped, PICTORELLE_TEST_POSTGRES is not set\n");
    } else {
        const PostgresDatabase database(admin);
        okay = !database.url().empty() &&
               runLoad("PostgreSQL", {"--database", QString::fromStdString(database.url())}) && okay;
    }
    return okay ? 0 : 1;
}
