#include "shell/weblinks.h"

#include "shell/browseropener.h"
#include "shell/programfolder.h"

#include <QFileInfo>
#include <QLoggingCategory>

Q_LOGGING_CATEGORY(lcWebLinks, "pictorelle.weblinks")

namespace weblinks {

namespace {

QString withoutTrailingSlash(QString base)
{
    // A configured "http://host/" must not become "http://host//?page=...".
    while (base.endsWith(QLatin1Char('/')))
        base.chop(1);
    return base;
}

QUrl servicePage(const QString& base, const QString& query)
{
    return QUrl(withoutTrailingSlash(base) + QStringLiteral("/?") + query);
}

bool isWebAddress(const QUrl& address)
{
    const QString scheme = address.scheme();
    return address.isValid() && !address.host().isEmpty() &&
           (scheme == QLatin1String("http") || scheme == QLatin1String("https"));
}

} // namespace

QUrl helpPageAddress(const QString& programFolder, const QString& relativePage)
{
    // fromLocalFile, not "file://" + path: a "#" or "%" in a folder name would otherwise be
    // read as a fragment or an escape and the page would not be found.
    return QUrl::fromLocalFile(programfolder::helpPage(programFolder, relativePage));
}

QUrl serviceHomeAddress(const QString& base)
{
    return QUrl(base);
}

QUrl updateCheckAddress(const QString& base)
{
    return servicePage(base, QStringLiteral("page=check&ver=") + VersionText);
}

QUrl signUpAddress(const QString& base)
{
    return servicePage(base, QStringLiteral("page=login"));
}

QUrl storyPageAddress(const QString& base, int contentId)
{
    return servicePage(base, QStringLiteral("page=detail&cid=%1").arg(contentId));
}

QString missingHelpPageText(const QString& programFolder, const QString& relativePage)
{
    return QStringLiteral("The help page %1 is not in the program folder %2, so it cannot be shown.\n\n"
                          "At every start the program copies missing help pages from its installation; "
                          "reinstalling the program brings them back.")
        .arg(relativePage, programFolder);
}

bool openHelpPage(BrowserOpener& opener, const QString& programFolder, const QString& relativePage,
                  const std::function<void(const QString& text)>& tellUser)
{
    const QUrl address = helpPageAddress(programFolder, relativePage);
    if (!QFileInfo(address.toLocalFile()).isFile()) {
        qCWarning(lcWebLinks) << "help page missing:" << address.toLocalFile();
        if (tellUser)
            tellUser(missingHelpPageText(programFolder, relativePage));
        return false;
    }
    const bool started = opener.openAddress(address);
    if (!started)
        qCWarning(lcWebLinks) << "no program opened" << address.toString();
    return started;
}

bool openWebAddress(BrowserOpener& opener, const QUrl& address)
{
    if (!isWebAddress(address)) {
        qCWarning(lcWebLinks) << "not a web address, not opened:" << address.toString();
        return false;
    }
    const bool started = opener.openAddress(address);
    if (!started)
        qCWarning(lcWebLinks) << "no browser opened" << address.toString();
    return started;
}

} // namespace weblinks
