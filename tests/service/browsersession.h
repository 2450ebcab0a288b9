#pragma once

#include "tempfolder.h"

#include <QJsonArray>
#include <QJsonObject>
#include <QJsonValue>
#include <QProcess>
#include <QString>

#include <optional>
#include <string>

//! A headless Chromium driven through chromedriver's WebDriver HTTP interface, over libcurl
//! with JSON bodies. chromedriver runs on a free loopback port; Chromium gets a profile folder
//! of its own and may play sound without a click. Both end when the session goes, whatever
//! state the test left them in.
class BrowserSession
{
public:
    //! Key values of the WebDriver keyboard.
    static constexpr const char* ArrowLeft = "\uE012";
    static constexpr const char* ArrowRight = "\uE014";
    static constexpr const char* Space = "\uE00D";
    static constexpr const char* Escape = "\uE00C";

    //! The executables on PATH (or in /usr/bin); empty when missing.
    static QString chromium();
    static QString chromedriver();

    //! Starts chromedriver and a browser; see started() and problem().
    BrowserSession();
    ~BrowserSession();
    BrowserSession(const BrowserSession&) = delete;
    BrowserSession& operator=(const BrowserSession&) = delete;

    bool started() const { return !m_session.isEmpty(); }
    //! What went wrong with the latest command (or the start), with chromedriver's message.
    QString problem() const { return m_problem; }

    //! Runs source at the start of every document opened from now on, before the page's scripts.
    bool addStartScript(const QString& source);
    //! Opens the address and waits until the page has loaded.
    bool open(const std::string& url);
    bool back();
    bool forward();
    //! Runs a script (a function body; arguments as `arguments`) and returns what it returns.
    //! Null, with problem() set, when it threw or the command failed.
    QJsonValue run(const QString& script, const QJsonArray& arguments = {});
    //! The WebDriver id of the first element matching the CSS selector; empty when none.
    QString element(const QString& css);
    //! Clicks the element as a user would (scrolled into view, pointer events).
    bool click(const QString& element);
    //! Presses and releases one key (a character or one of the key values above) on whatever
    //! element has the focus.
    bool press(const char* key);
    //! The browser's console entries since the last call: objects with "level" and "message";
    //! nothing when chromedriver could not give them.
    std::optional<QJsonArray> consoleLog();

private:
    //! Sends one command; the reply's "value", or null with problem() set on an error reply.
    QJsonValue command(const char* method, const QString& path, const QJsonObject& body = {}, long seconds = 30);
    QString sessionPath(const QString& rest) const;
    void endProcesses();

    TempFolder m_profile;
    QProcess m_driver;
    int m_port = 0;
    QString m_session;
    QString m_problem;
};
