#pragma once

#include <QString>
#include <QUrl>

#include <functional>

class BrowserOpener;

//! Every address the program sends the user to: its help pages beside the program and the
//! web service's pages. Builders are pure; the two openers go through a BrowserOpener.
namespace weblinks {

//! The program's version as the update-check page expects it.
inline constexpr QLatin1String VersionText("1.0");

//! Help pages, relative to the program folder.
inline constexpr QLatin1String IntroductionPage("docs/introduction.htm");
inline constexpr QLatin1String SettingsPage("docs/psettings.htm");
inline constexpr QLatin1String PublishPage("docs/publish.htm");
inline constexpr QLatin1String MicrophonePage("docs/mictest.htm");

//! A "file://" address of programFolder (ending with "/") + relativePage; any character a
//! folder name may hold (spaces, "#", "%", non-ASCII) is encoded so the file is found again.
QUrl helpPageAddress(const QString& programFolder, const QString& relativePage);

//! The service's home page. base, here and below: scheme, host and port, such as
//! "http://127.0.0.1:8642"; the page builders drop a trailing "/".
QUrl serviceHomeAddress(const QString& base);
//! base + "/?page=check&ver=1.0": the service tells whether a newer program exists.
QUrl updateCheckAddress(const QString& base);
//! base + "/?page=login": the sign-up page for new users.
QUrl signUpAddress(const QString& base);
//! base + "/?page=detail&cid=" + contentId: a published story's page.
QUrl storyPageAddress(const QString& base, int contentId);

//! What the user is told when a help page is not in the program folder; names the page.
QString missingHelpPageText(const QString& programFolder, const QString& relativePage);
//! Opens a help page. A missing page is not handed on (the handler would fail without a
//! word): a warning is logged, tellUser (when given) gets missingHelpPageText, and the result
//! is false. Otherwise true when a handler was started.
bool openHelpPage(BrowserOpener& opener, const QString& programFolder, const QString& relativePage,
                  const std::function<void(const QString& text)>& tellUser = {});
//! Opens an http or https address; anything else is refused with a warning and returns false.
bool openWebAddress(BrowserOpener& opener, const QUrl& address);

} // namespace weblinks
