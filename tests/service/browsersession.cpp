#include "browsersession.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>
#include <QStandardPaths>
#include <QThread>

#include <arpa/inet.h>
#include <csignal>
#include <curl/curl.h>
#include <map>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>
#include <utility>
#include <vector>

namespace {

constexpr int StartMilliseconds = 20000;
constexpr const char* ElementKey = "element-6066-11e4-a52e-4f735466cecf";

QString executable(const QString& name)
{
    const QString found = QStandardPaths::findExecutable(name);
    if (!found.isEmpty())
        return found;
    const QString usual = "/usr/bin/" + name;
    return QFileInfo(usual).isExecutable() ? usual : QString();
}

// A loopback port nobody listens on right now.
int freePort()
{
    const int s = ::socket(AF_INET, SOCK_STREAM, 0);
    if (s < 0)
        return 0;
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    int port = 0;
    if (::bind(s, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0 &&
        ::getsockname(s, reinterpret_cast<sockaddr*>(&address), &length) == 0)
        port = ntohs(address.sin_port);
    ::close(s);
    return port;
}

// Parent and start time of a process from /proc/<pid>/stat; the start time tells a process
// from a later one that got the same id.
struct ProcessEntry
{
    qint64 parent = 0;
    QByteArray started;
};

std::map<qint64, ProcessEntry> processTable()
{
    std::map<qint64, ProcessEntry> table;
    const QStringList ids = QDir("/proc").entryList(QDir::Dirs | QDir::NoDotAndDotDot);
    for (const QString& id : ids) {
        bool number = false;
        const qint64 pid = id.toLongLong(&number);
        if (!number)
            continue;
        QFile stat("/proc/" + id + "/stat");
        if (!stat.open(QIODevice::ReadOnly))
            continue;
        const QByteArray line = stat.readAll();
        // The command name may hold spaces and parentheses; the fields follow its last ')'.
        const qsizetype close = line.lastIndexOf(')');
        if (close < 0)
            continue;
        const QList<QByteArray> fields = line.mid(close + 2).split(' ');
        // fields[0] is the state, [1] the parent, [19] the start time.
        if (fields.size() > 19)
            table[pid] = {fields[1].toLongLong(), fields[19]};
    }
    return table;
}

std::vector<std::pair<qint64, QByteArray>> descendants(qint64 root)
{
    const std::map<qint64, ProcessEntry> table = processTable();
    std::vector<std::pair<qint64, QByteArray>> found;
    std::vector<qint64> pending{root};
    while (!pending.empty()) {
        const qint64 parent = pending.back();
        pending.pop_back();
        for (const auto& [pid, entry] : table) {
            if (entry.parent == parent) {
                found.emplace_back(pid, entry.started);
                pending.push_back(pid);
            }
        }
    }
    return found;
}

std::size_t collect(char* data, std::size_t size, std::size_t count, void* target)
{
    static_cast<QByteArray*>(target)->append(data, qsizetype(size * count));
    return size * count;
}

} // namespace

QString BrowserSession::chromium()
{
    return executable("chromium");
}

QString BrowserSession::chromedriver()
{
    return executable("chromedriver");
}

BrowserSession::BrowserSession()
{
    m_port = freePort();
    if (m_port == 0) {
        m_problem = "no free loopback port for chromedriver";
        return;
    }
    m_driver.setProgram(chromedriver());
    m_driver.setArguments({"--port=" + QString::number(m_port), "--log-path=" + m_profile.file("chromedriver.log")});
    m_driver.setProcessChannelMode(QProcess::MergedChannels);
    m_driver.start();
    if (!m_driver.waitForStarted(StartMilliseconds)) {
        m_problem = "chromedriver did not start: " + m_driver.errorString();
        return;
    }
    bool ready = false;
    for (int waited = 0; !ready && waited < StartMilliseconds; waited += 50) {
        if (m_driver.state() != QProcess::Running) {
            m_problem = "chromedriver ended: " + QString::fromUtf8(m_driver.readAll());
            return;
        }
        const QJsonValue status = command("GET", "/status", {}, 2);
        ready = status.isObject() && status.toObject().value("ready").toBool();
        if (!ready)
            QThread::msleep(50);
    }
    if (!ready) {
        m_problem = "chromedriver never became ready: " + m_problem;
        return;
    }
    const QJsonArray arguments{"--headless=new",
                               "--no-sandbox",
                               "--autoplay-policy=no-user-gesture-required",
                               "--user-data-dir=" + m_profile.file("profile"),
                               "--disable-gpu",
                               "--disable-dev-shm-usage",
                               "--mute-audio",
                               "--no-first-run",
                               "--no-default-browser-check",
                               "--disable-extensions",
                               "--disable-background-networking",
                               "--disable-component-update",
                               "--disable-sync",
                               "--window-size=1024,768"};
    const QJsonObject chrome{{"binary", chromium()}, {"args", arguments}};
    const QJsonObject wanted{{"browserName", "chrome"},
                             {"goog:chromeOptions", chrome},
                             {"goog:loggingPrefs", QJsonObject{{"browser", "ALL"}}}};
    const QJsonValue created =
        command("POST", "/session", QJsonObject{{"capabilities", QJsonObject{{"alwaysMatch", wanted}}}}, 60);
    m_session = created.toObject().value("sessionId").toString();
    if (m_session.isEmpty() && m_problem.isEmpty())
        m_problem = "chromedriver answered without a session";
}

BrowserSession::~BrowserSession()
{
    endProcesses();
}

void BrowserSession::endProcesses()
{
    if (m_driver.state() == QProcess::NotRunning)
        return;
    // Everything chromedriver started, listed before it goes: orphans lose their parent link.
    const auto started = descendants(m_driver.processId());
    if (!m_session.isEmpty())
        command("DELETE", "/session/" + m_session, {}, 15);
    m_session.clear();
    m_driver.terminate();
    if (!m_driver.waitForFinished(5000)) {
        m_driver.kill();
        m_driver.waitForFinished(5000);
    }
    const std::map<qint64, ProcessEntry> now = processTable();
    for (const auto& [pid, startTime] : started) {
        const auto still = now.find(pid);
        if (still != now.end() && still->second.started == startTime)
            ::kill(static_cast<pid_t>(pid), SIGKILL);
    }
}

QString BrowserSession::sessionPath(const QString& rest) const
{
    return "/session/" + m_session + rest;
}

QJsonValue BrowserSession::command(const char* method, const QString& path, const QJsonObject& body, long seconds)
{
    const QJsonValue failed(QJsonValue::Undefined);
    CURL* const curl = curl_easy_init();
    if (!curl) {
        m_problem = "libcurl did not start";
        return failed;
    }
    const QByteArray url = ("http://127.0.0.1:" + QString::number(m_port) + path).toUtf8();
    const QByteArray sent = QJsonDocument(body).toJson(QJsonDocument::Compact);
    QByteArray received;
    curl_slist* headers = curl_slist_append(nullptr, "Content-Type: application/json; charset=utf-8");
    curl_easy_setopt(curl, CURLOPT_URL, url.constData());
    curl_easy_setopt(curl, CURLOPT_CUSTOMREQUEST, method);
    curl_easy_setopt(curl, CURLOPT_HTTPHEADER, headers);
    curl_easy_setopt(curl, CURLOPT_TIMEOUT, seconds);
    curl_easy_setopt(curl, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(curl, CURLOPT_WRITEFUNCTION, collect);
    curl_easy_setopt(curl, CURLOPT_WRITEDATA, &received);
    if (qstrcmp(method, "POST") == 0) {
        curl_easy_setopt(curl, CURLOPT_POSTFIELDS, sent.constData());
        curl_easy_setopt(curl, CURLOPT_POSTFIELDSIZE, long(sent.size()));
    }
    const CURLcode result = curl_easy_perform(curl);
    long status = 0;
    curl_easy_getinfo(curl, CURLINFO_RESPONSE_CODE, &status);
    curl_slist_free_all(headers);
    curl_easy_cleanup(curl);
    if (result != CURLE_OK) {
        m_problem = QString(method) + " " + path + ": " + curl_easy_strerror(result);
        return failed;
    }
    QJsonParseError error{};
    const QJsonDocument reply = QJsonDocument::fromJson(received, &error);
    if (error.error != QJsonParseError::NoError || !reply.isObject()) {
        m_problem = QString(method) + " " + path + ": HTTP " + QString::number(status) +
                    ", not JSON: " + QString::fromUtf8(received.left(500));
        return failed;
    }
    const QJsonValue value = reply.object().value("value");
    if (status != 200 || (value.isObject() && value.toObject().contains("error"))) {
        const QJsonObject problem = value.toObject();
        m_problem = QString(method) + " " + path + ": " + problem.value("error").toString() + ": " +
                    problem.value("message").toString().left(800);
        return failed;
    }
    return value.isUndefined() ? QJsonValue(QJsonValue::Null) : value;
}

bool BrowserSession::addStartScript(const QString& source)
{
    const QJsonObject cdp{{"cmd", "Page.addScriptToEvaluateOnNewDocument"},
                          {"params", QJsonObject{{"source", source}}}};
    return !command("POST", sessionPath("/goog/cdp/execute"), cdp).isUndefined();
}

bool BrowserSession::open(const std::string& url)
{
    return !command("POST", sessionPath("/url"), QJsonObject{{"url", QString::fromStdString(url)}}).isUndefined();
}

bool BrowserSession::back()
{
    return !command("POST", sessionPath("/back")).isUndefined();
}

bool BrowserSession::forward()
{
    return !command("POST", sessionPath("/forward")).isUndefined();
}

QJsonValue BrowserSession::run(const QString& script, const QJsonArray& arguments)
{
    return command("POST", sessionPath("/execute/sync"), QJsonObject{{"script", script}, {"args", arguments}});
}

QString BrowserSession::element(const QString& css)
{
    const QJsonValue found =
        command("POST", sessionPath("/element"), QJsonObject{{"using", "css selector"}, {"value", css}});
    return found.toObject().value(ElementKey).toString();
}

bool BrowserSession::click(const QString& element)
{
    return !element.isEmpty() && !command("POST", sessionPath("/element/" + element + "/click")).isUndefined();
}

bool BrowserSession::press(const char* key)
{
    const QString value = QString::fromUtf8(key);
    const QJsonArray steps{QJsonObject{{"type", "keyDown"}, {"value", value}},
                           QJsonObject{{"type", "keyUp"}, {"value", value}}};
    const QJsonArray actions{QJsonObject{{"type", "key"}, {"id", "keyboard"}, {"actions", steps}}};
    return !command("POST", sessionPath("/actions"), QJsonObject{{"actions", actions}}).isUndefined();
}

std::optional<QJsonArray> BrowserSession::consoleLog()
{
    const QJsonValue entries = command("POST", sessionPath("/se/log"), QJsonObject{{"type", "browser"}});
    if (!entries.isArray())
        return std::nullopt;
    return entries.toArray();
}
