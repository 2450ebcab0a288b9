// The libcurl client against a capturing server on loopback: what goes over the wire.
#include "publish/curlglobal.h"
#include "publish/curlserviceclient.h"
#include "tempfolder.h"

#include <QElapsedTimer>
#include <gtest/gtest.h>
#include <httplib.h>

#include <atomic>
#include <chrono>
#include <thread>

namespace {

struct CapturedPart
{
    std::string name;
    std::string filename;
    std::string contentType;
    std::string body;
};

struct CapturingServer
{
    httplib::Server server;
    std::thread thread;
    int port = 0;
    std::vector<CapturedPart> parts;
    std::string reply = "OKAY=7";
    std::atomic<int> holdMs{0};

    CapturingServer()
    {
        server.Post("/", [this](const httplib::Request&, httplib::Response& res, const httplib::ContentReader& read) {
            if (holdMs.load() > 0)
                std::this_thread::sleep_for(std::chrono::milliseconds(holdMs.load()));
            read(
                [this](const httplib::MultipartFormData& part) {
                    parts.push_back({part.name, part.filename, part.content_type, {}});
                    return true;
                },
                [this](const char* data, size_t length) {
                    parts.back().body.append(data, length);
                    return true;
                });
            res.set_content(reply, "text/plain");
        });
        port = server.bind_to_any_port("127.0.0.1");
        thread = std::thread([this] { server.listen_after_bind(); });
        while (!server.is_running())
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    ~CapturingServer()
    {
        server.stop();
        thread.join();
    }
    QByteArray url() const { return QByteArray("http://127.0.0.1:") + QByteArray::number(port) + "/?action=upload"; }
};

TEST(CurlClientTest, PartsGoOutInOrderWithTheirNamesTypesAndFileNames)
{
    TempFolder folder;
    const QString photo = folder.write("temp/3.jpg", QByteArray("\xFF\xD8\xFF photo", 10));
    const QString mp3 = folder.write("temp/3.mp3", "\xFF\xF3 audio");
    CapturingServer server;
    CurlGlobal curl;
    CurlServiceClient client;
    const Form form{{"version", "1.0", {}, {}},
                    {"pictorelle_title", QString::fromUtf8("Café").toUtf8(), {}, {}},
                    {"pictorelle_description", "a\r\nb", {}, {}},
                    {"photo0", {}, photo, "image/jpeg"},
                    {"audio0", {}, mp3, "audio/x-mp3"},
                    {"audiol0", "12", {}, {}}};
    qint64 lastSent = 0, lastTotal = 0;
    const auto result = client.post(server.url(), form, [&](qint64 sent, qint64 total) {
        lastSent = sent;
        lastTotal = total;
        return true;
    });
    ASSERT_TRUE(result.transportOk) << result.error.toStdString();
    EXPECT_EQ(result.reply, "OKAY=7");
    EXPECT_GT(lastTotal, 0);
    EXPECT_EQ(lastSent, lastTotal);

    const auto& parts = server.parts;
    ASSERT_EQ(parts.size(), 6u);
    const char* names[] = {"version", "pictorelle_title", "pictorelle_description", "photo0", "audio0", "audiol0"};
    for (size_t i = 0; i < parts.size(); ++i)
        EXPECT_EQ(parts[i].name, names[i]);
    EXPECT_EQ(parts[1].body, "Caf\xC3\xA9"); // UTF-8, no terminator
    EXPECT_EQ(parts[2].body, "a\r\nb");
    EXPECT_EQ(parts[0].contentType, "");   // text parts carry no type of their own
    EXPECT_EQ(parts[3].filename, "3.jpg"); // the working-folder name, never the folder
    EXPECT_EQ(parts[3].contentType, "image/jpeg");
    EXPECT_EQ(parts[3].body, std::string("\xFF\xD8\xFF photo", 10));
    EXPECT_EQ(parts[4].filename, "3.mp3");
    EXPECT_EQ(parts[4].contentType, "audio/x-mp3");
}

TEST(CurlClientTest, CancelAbortsAtOnce)
{
    CapturingServer server;
    server.holdMs = 2500;
    CurlGlobal curl;
    CurlServiceClient client;
    std::atomic<bool> cancel{false};
    std::thread canceller([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(300));
        cancel = true;
    });
    QElapsedTimer t;
    t.start();
    const auto result =
        client.post(server.url(), {{"version", "1.0", {}, {}}}, [&](qint64, qint64) { return !cancel.load(); });
    canceller.join();
    EXPECT_FALSE(result.transportOk);
    EXPECT_LT(t.elapsed(), 3000);
}

TEST(CurlClientTest, AStalledTransferIsGivenUp)
{
    CapturingServer server;
    server.holdMs = 4000;
    CurlGlobal curl;
    CurlServiceClient client(2);
    QElapsedTimer t;
    t.start();
    const auto result = client.post(server.url(), {{"version", "1.0", {}, {}}}, {});
    EXPECT_FALSE(result.transportOk);
    EXPECT_TRUE(result.error.contains("stalled")) << result.error.toStdString();
    EXPECT_LT(t.elapsed(), 3800);
}

TEST(CurlClientTest, NoServerIsATransportErrorWithLibcurlsText)
{
    CurlGlobal curl;
    CurlServiceClient client;
    const auto result = client.post("http://127.0.0.1:1/?action=verify", {{"version", "1.0", {}, {}}}, {});
    EXPECT_FALSE(result.transportOk);
    EXPECT_FALSE(result.error.isEmpty());
    EXPECT_TRUE(result.reply.isEmpty());
}

} // namespace
