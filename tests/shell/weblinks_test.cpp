#include "shell/browseropener.h"
#include "shell/desktopbrowseropener.h"
#include "shell/weblinks.h"

#include "tempfolder.h"

#include <QCoreApplication>
#include <QDesktopServices>
#include <QDir>
#include <QFileInfo>
#include <QHash>
#include <QList>
#include <QObject>
#include <QRegularExpression>
#include <QSet>
#include <QStringDecoder>
#include <gtest/gtest.h>

namespace {

const QString Base = QStringLiteral("http://127.0.0.1:8642");
const QString SourceDocs = QStringLiteral(PICTORELLE_SOURCE_DATA_DIR "/");

// Spaces, "#", "%" and letters outside ASCII, as a user's folder names may hold them.
const QString AwkwardFolderName = QStringLiteral("My Stories #1 100% Ünïcödé 東京");

const QLatin1String ShippedPages[] = {weblinks::IntroductionPage, weblinks::SettingsPage, weblinks::PublishPage,
                                      weblinks::MicrophonePage};

// Records every address it is asked to open and answers with a set result.
class RecordingOpener : public BrowserOpener
{
public:
    bool openAddress(const QUrl& address) override
    {
        opened.append(address);
        return answer;
    }

    QList<QUrl> opened;
    bool answer = true;
};

// Collects the warnings logged while it lives.
class WarningLog
{
public:
    WarningLog() { m_previous = qInstallMessageHandler(&WarningLog::collect); }
    ~WarningLog()
    {
        qInstallMessageHandler(m_previous);
        s_messages.clear();
    }
    QStringList messages() const { return s_messages; }

private:
    static void collect(QtMsgType type, const QMessageLogContext&, const QString& message)
    {
        if (type == QtWarningMsg)
            s_messages.append(message);
    }

    static inline QStringList s_messages;
    QtMessageHandler m_previous = nullptr;
};

QString encoded(const QUrl& address)
{
    return address.toString(QUrl::FullyEncoded);
}

} // namespace

TEST(WebLinks, GivenServiceBaseWithOrWithoutTrailingSlashesWhenPagesAreBuiltThenEachIsExactlyBasePlusItsQuery)
{
    const QString slashed = Base + QStringLiteral("//");
    const std::pair<QUrl, const char*> cases[] = {
        {weblinks::serviceHomeAddress(Base), "http://127.0.0.1:8642"},
        {weblinks::updateCheckAddress(Base), "http://127.0.0.1:8642/?page=check&ver=1.0"},
        {weblinks::signUpAddress(Base), "http://127.0.0.1:8642/?page=login"},
        {weblinks::storyPageAddress(Base, 1234), "http://127.0.0.1:8642/?page=detail&cid=1234"},
        {weblinks::storyPageAddress(QStringLiteral("https://pictorelle.example"), 2147483647),
         "https://pictorelle.example/?page=detail&cid=2147483647"},
        {weblinks::updateCheckAddress(slashed), "http://127.0.0.1:8642/?page=check&ver=1.0"},
        {weblinks::signUpAddress(slashed), "http://127.0.0.1:8642/?page=login"},
        {weblinks::storyPageAddress(slashed, 7), "http://127.0.0.1:8642/?page=detail&cid=7"},
    };
    for (const auto& [address, expected] : cases)
        EXPECT_EQ(encoded(address), expected);
}

TEST(WebLinks, GivenFolderWithSpacesHashPercentAndNonAsciiWhenHelpAddressIsBuiltThenItLeadsBackToThePage)
{
    const TempFolder temp;
    const QString folder = temp.path() + AwkwardFolderName + QStringLiteral("/");
    const QString page = temp.write(AwkwardFolderName + QStringLiteral("/docs/introduction.htm"), "<html></html>");

    const QUrl address = weblinks::helpPageAddress(folder, weblinks::IntroductionPage);

    EXPECT_TRUE(address.isLocalFile());
    EXPECT_FALSE(address.hasFragment()) << "a '#' in the folder must not start a fragment";
    EXPECT_FALSE(address.hasQuery());
    const QString text = encoded(address);
    EXPECT_TRUE(text.startsWith("file:///")) << text.toStdString();
    EXPECT_FALSE(text.contains(' ')) << text.toStdString();
    EXPECT_TRUE(text.endsWith("/docs/introduction.htm")) << text.toStdString();
    // The handler receives the address as text: reading it back must name the same file.
    const QString reread = QUrl(text).toLocalFile();
    EXPECT_EQ(reread, page);
    EXPECT_TRUE(QFileInfo(reread).isFile());
}

TEST(WebLinks, GivenHelpPageOrWebAddressWhenOpenedThenOpenerGetsExactlyThatAddressOnceAndItsAnswerIsReturned)
{
    const TempFolder temp;
    temp.write("docs/publish.htm", "<html></html>");
    temp.write("docs/mictest.htm", "<html></html>");
    RecordingOpener opener;

    EXPECT_TRUE(weblinks::openHelpPage(opener, temp.path(), weblinks::PublishPage));
    EXPECT_TRUE(weblinks::openHelpPage(opener, temp.path(), weblinks::MicrophonePage));
    EXPECT_TRUE(weblinks::openWebAddress(opener, weblinks::updateCheckAddress(Base)));
    EXPECT_TRUE(weblinks::openWebAddress(opener, weblinks::storyPageAddress(QStringLiteral("https://p.example"), 5)));
    ASSERT_EQ(opener.opened.size(), 4) << "one handler start per address opened";
    EXPECT_EQ(opener.opened.at(0).toLocalFile(), temp.file("docs/publish.htm"));
    EXPECT_EQ(opener.opened.at(1).toLocalFile(), temp.file("docs/mictest.htm"));
    EXPECT_EQ(encoded(opener.opened.at(2)), "http://127.0.0.1:8642/?page=check&ver=1.0");
    EXPECT_EQ(encoded(opener.opened.at(3)), "https://p.example/?page=detail&cid=5");

    opener.answer = false;
    EXPECT_FALSE(weblinks::openHelpPage(opener, temp.path(), weblinks::PublishPage)) << "no handler started";
    EXPECT_FALSE(weblinks::openWebAddress(opener, weblinks::signUpAddress(Base)));
}

TEST(WebLinks, GivenMissingHelpPageOrAFolderInItsPlaceWhenOpenedThenNothingIsStartedAndTheUserIsToldWhichPage)
{
    const TempFolder temp;
    temp.write("docs/introduction.htm", "<html></html>");
    QDir().mkpath(temp.file("docs/mictest.htm"));
    RecordingOpener opener;
    QStringList told;
    const auto tell = [&told](const QString& text) { told << text; };
    {
        const WarningLog log;
        EXPECT_TRUE(weblinks::openHelpPage(opener, temp.path(), weblinks::IntroductionPage, tell));
        EXPECT_TRUE(log.messages().isEmpty()) << "a present page logs nothing";
        EXPECT_TRUE(told.isEmpty()) << "a present page needs no message";
    }
    const WarningLog log;

    EXPECT_FALSE(weblinks::openHelpPage(opener, temp.path(), weblinks::SettingsPage, tell));
    EXPECT_FALSE(weblinks::openHelpPage(opener, temp.path(), weblinks::PublishPage)) << "no one to tell: still false";
    EXPECT_FALSE(weblinks::openHelpPage(opener, temp.path(), weblinks::MicrophonePage, tell)) << "a folder is no page";

    ASSERT_EQ(opener.opened.size(), 1) << "a missing page is never handed to the desktop";
    ASSERT_EQ(told.size(), 2);
    EXPECT_EQ(told.at(0), weblinks::missingHelpPageText(temp.path(), weblinks::SettingsPage));
    EXPECT_TRUE(told.at(0).contains("docs/psettings.htm")) << told.at(0).toStdString();
    EXPECT_TRUE(told.at(0).contains(temp.path())) << told.at(0).toStdString();
    EXPECT_EQ(told.at(1), weblinks::missingHelpPageText(temp.path(), weblinks::MicrophonePage));
    ASSERT_EQ(log.messages().size(), 3);
    EXPECT_TRUE(log.messages().at(0).contains(temp.file("docs/psettings.htm"))) << log.messages().at(0).toStdString();
}

TEST(WebLinks, GivenSomethingOtherThanAWebAddressWhenOpenedAsOneThenNothingIsStartedAndItIsLogged)
{
    RecordingOpener opener;
    const WarningLog log;

    EXPECT_FALSE(weblinks::openWebAddress(opener, weblinks::signUpAddress(QString()))) << "no base configured";
    EXPECT_FALSE(weblinks::openWebAddress(opener, QUrl()));
    EXPECT_FALSE(weblinks::openWebAddress(opener, QUrl(QStringLiteral("file:///etc/passwd"))));
    EXPECT_FALSE(weblinks::openWebAddress(opener, QUrl(QStringLiteral("javascript:alert(1)"))));
    EXPECT_FALSE(weblinks::openWebAddress(opener, weblinks::signUpAddress(QStringLiteral("http://"))));

    EXPECT_TRUE(opener.opened.isEmpty());
    EXPECT_EQ(log.messages().size(), 5);
}

namespace {

// Stands in for the desktop's handler of one scheme.
class SchemeCatcher : public QObject
{
    Q_OBJECT

public:
    QList<QUrl> received;

public slots:
    void open(const QUrl& address) { received.append(address); }
};

} // namespace

TEST(DesktopBrowserOpener, GivenDesktopHandlersWhenPagesAreOpenedThenTheyReceiveTheAddressesUnchanged)
{
    SchemeCatcher files;
    SchemeCatcher web;
    QDesktopServices::setUrlHandler(QStringLiteral("file"), &files, "open");
    QDesktopServices::setUrlHandler(QStringLiteral("http"), &web, "open");
    const TempFolder temp;
    const QString folder = temp.path() + AwkwardFolderName + QStringLiteral("/");
    temp.write(AwkwardFolderName + QStringLiteral("/docs/introduction.htm"), "<html></html>");
    DesktopBrowserOpener opener;

    const bool pageStarted = weblinks::openHelpPage(opener, folder, weblinks::IntroductionPage);
    const bool webStarted = weblinks::openWebAddress(opener, weblinks::signUpAddress(Base));
    QDesktopServices::unsetUrlHandler(QStringLiteral("file"));
    QDesktopServices::unsetUrlHandler(QStringLiteral("http"));

    EXPECT_TRUE(pageStarted);
    EXPECT_TRUE(webStarted);
    ASSERT_EQ(files.received.size(), 1);
    EXPECT_EQ(files.received.at(0).toLocalFile(), folder + "docs/introduction.htm");
    ASSERT_EQ(web.received.size(), 1);
    EXPECT_EQ(encoded(web.received.at(0)), "http://127.0.0.1:8642/?page=login");
}

namespace {

struct PageLinks
{
    QStringList targets; // every href and src value
    QSet<QString> ids;   // every id="..." of the page
};

PageLinks linksOf(const QString& html)
{
    PageLinks links;
    static const QRegularExpression reference(QStringLiteral("\\b(?:href|src)\\s*=\\s*\"([^\"]*)\""),
                                              QRegularExpression::CaseInsensitiveOption);
    static const QRegularExpression anchor(QStringLiteral("\\bid\\s*=\\s*\"([^\"]*)\""));
    for (auto it = reference.globalMatch(html); it.hasNext();)
        links.targets.append(it.next().captured(1));
    for (auto it = anchor.globalMatch(html); it.hasNext();)
        links.ids.insert(it.next().captured(1));
    return links;
}

QString pageName(QLatin1String relativePage)
{
    return QString(relativePage).section(QLatin1Char('/'), -1);
}

QString shippedText(const QString& name, bool* validUtf8)
{
    QStringDecoder decoder(QStringDecoder::Utf8);
    const QString text = decoder(TempFolder::read(SourceDocs + "docs/" + name));
    *validUtf8 = !decoder.hasError();
    return text;
}

} // namespace

TEST(ShippedHelpPages, GivenEveryPageTheProgramOpensThenItIsUtf8Html5WithATitleAndNoScript)
{
    static const QRegularExpression title(QStringLiteral("<title>([^<]*)</title>"));
    for (const QLatin1String page : ShippedPages) {
        SCOPED_TRACE(page.data());
        bool validUtf8 = false;
        const QString html = shippedText(pageName(page), &validUtf8);
        ASSERT_FALSE(html.isEmpty()) << "page missing or empty";
        EXPECT_TRUE(validUtf8);
        EXPECT_TRUE(html.startsWith("<!DOCTYPE html>", Qt::CaseInsensitive));
        EXPECT_TRUE(html.contains("<meta charset=\"utf-8\">", Qt::CaseInsensitive));
        EXPECT_TRUE(html.trimmed().endsWith("</html>", Qt::CaseInsensitive));
        EXPECT_FALSE(title.match(html).captured(1).trimmed().isEmpty()) << "no <title>";
        EXPECT_FALSE(html.contains("<script", Qt::CaseInsensitive));
        EXPECT_FALSE(html.contains("javascript:", Qt::CaseInsensitive));
    }
}

TEST(ShippedHelpPages, GivenEveryLinkBetweenThePagesThenItsPageAndAnchorExistAndNothingIsFetchedFromOutside)
{
    QHash<QString, PageLinks> pages;
    for (const QLatin1String page : ShippedPages) {
        bool validUtf8 = false;
        pages.insert(pageName(page), linksOf(shippedText(pageName(page), &validUtf8)));
    }
    for (auto page = pages.cbegin(); page != pages.cend(); ++page) {
        SCOPED_TRACE(page.key().toStdString());
        QSet<QString> reached;
        for (const QString& target : page.value().targets) {
            const QUrl link(target);
            ASSERT_TRUE(link.isRelative() && link.host().isEmpty() && !target.startsWith("//")) << target.toStdString();
            const QString file = link.path().isEmpty() ? page.key() : link.path();
            ASSERT_TRUE(pages.contains(file)) << "link to a page that is not shipped: " << target.toStdString();
            if (link.hasFragment()) {
                EXPECT_TRUE(pages.value(file).ids.contains(link.fragment()))
                    << "no such anchor: " << target.toStdString();
            }
            reached.insert(file);
        }
        for (auto other = pages.cbegin(); other != pages.cend(); ++other)
            EXPECT_TRUE(reached.contains(other.key())) << "no link to " << other.key().toStdString();
    }
}

TEST(ShippedHelpPages, GivenABuildThenThePagesLieInTheDocsFolderBesideTheExecutables)
{
    const QString builtDocs = QCoreApplication::applicationDirPath() + QStringLiteral("/docs/");
    for (const QLatin1String page : ShippedPages) {
        SCOPED_TRACE(page.data());
        const QByteArray built = TempFolder::read(builtDocs + pageName(page));
        EXPECT_FALSE(built.isEmpty());
        EXPECT_EQ(built, TempFolder::read(SourceDocs + "docs/" + pageName(page)));
    }
}

#include "weblinks_test.moc"
