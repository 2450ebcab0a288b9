#include "shell/settingsfile.h"

#include "shell/programsettings.h"
#include "shell/textscan.h"
#include "shell/useraccount.h"

#include <QFile>
#include <QSaveFile>

#include <optional>

namespace {

// A read takes 1023 characters: a line of up to 1022 characters plus its line feed.
constexpr qsizetype ReadLimit = 1023;
constexpr char16_t EncodedMark = 0x0001;
constexpr char Hex[] = "0123456789ABCDEF";

enum class Key {
    UserName,
    Password,
    LanguageText,
    LanguageId,
    RememberPassword,
    X,
    Y,
    Width,
    Height,
    HideClearAudio,
    HideRecordOverAudio,
    CueX,
    CueY,
    AddPhotoPath,
    InputDevice,
    EvenLoudness,
    RecentStory,
};

struct KeyName
{
    QLatin1String text;
    Key key;
};

// Matched in this order; the first key the line starts with wins.
constexpr KeyName Keys[] = {
    {QLatin1String("USERNAME="), Key::UserName},
    {QLatin1String("PASSWORD="), Key::Password},
    {QLatin1String("LANGUAGETEXT="), Key::LanguageText},
    {QLatin1String("LANGUAGEID="), Key::LanguageId},
    {QLatin1String("REMEMBER_PASSWORD="), Key::RememberPassword},
    {QLatin1String("X="), Key::X},
    {QLatin1String("Y="), Key::Y},
    {QLatin1String("WIDTH="), Key::Width},
    {QLatin1String("HEIGHT="), Key::Height},
    {QLatin1String("HIDE_CLEAR_AUDIO="), Key::HideClearAudio},
    {QLatin1String("HIDE_RECORD_OVER_AUDIO="), Key::HideRecordOverAudio},
    {QLatin1String("X_CUE="), Key::CueX},
    {QLatin1String("Y_CUE="), Key::CueY},
    {QLatin1String("ADD_PHOTO_PATH="), Key::AddPhotoPath},
    {QLatin1String("INPUT_DEVICE="), Key::InputDevice},
    {QLatin1String("EVEN_LOUDNESS="), Key::EvenLoudness},
    {QLatin1String("RECENT_STORY="), Key::RecentStory},
};

bool needsEncoding(QLatin1String key, const QString& value)
{
    if (value.startsWith(QChar(EncodedMark)) || key.size() + value.size() > ReadLimit - 1)
        return true;
    for (const QChar c : value) {
        if (c.unicode() > 0xFF || c == QLatin1Char('\r') || c == QLatin1Char('\n'))
            return true;
    }
    return false;
}

QByteArray encodeValue(QLatin1String key, const QString& value)
{
    if (!needsEncoding(key, value))
        return value.toLatin1();
    QByteArray out(1, char(EncodedMark));
    for (const char byte : value.toUtf8()) {
        const uchar b = uchar(byte);
        if (b < 0x21 || b == '%' || b == 0x7F) {
            out += '%';
            out += Hex[b >> 4];
            out += Hex[b & 0xF];
        } else {
            out += byte;
        }
    }
    return out;
}

QString decodeValue(QStringView value)
{
    if (value.isEmpty() || value.front() != QChar(EncodedMark))
        return value.toString();
    return QString::fromUtf8(QByteArray::fromPercentEncoding(value.mid(1).toLatin1()));
}

// "KEY=" directly followed by the mark: written by encodeValue, so read as one line.
bool isEncodedLine(QStringView line)
{
    const qsizetype equals = line.indexOf(QLatin1Char('='));
    if (equals <= 0 || equals + 1 >= line.size() || line[equals + 1] != QChar(EncodedMark))
        return false;
    for (qsizetype i = 0; i < equals; ++i) {
        const QChar c = line[i];
        if (!(c.unicode() >= 'A' && c.unicode() <= 'Z') && c != QLatin1Char('_'))
            return false;
    }
    return true;
}

//! recent collects the RECENT_STORY lines, in the file's order.
void applyLine(QStringView line, ProgramSettings& settings, UserAccount& account, QStringList& recent)
{
    for (const KeyName& name : Keys) {
        if (!line.startsWith(name.text))
            continue;
        const QStringView value = line.mid(name.text.size());
        // A number that does not parse leaves its field as it was.
        const std::optional<int> number = textscan::leadingInt(value);
        switch (name.key) {
        case Key::UserName:
            account.setUserName(decodeValue(value));
            break;
        case Key::Password:
            account.setPassword(decodeValue(value));
            break;
        case Key::LanguageText:
            account.setLanguageText(decodeValue(value));
            break;
        case Key::AddPhotoPath:
            settings.setAddPhotoFolder(decodeValue(value));
            break;
        case Key::InputDevice:
            settings.setInputDevice(decodeValue(value));
            break;
        case Key::RecentStory:
            recent.append(decodeValue(value));
            break;
        case Key::EvenLoudness:
            if (number)
                settings.setEvenLoudness(*number != 0);
            break;
        case Key::LanguageId:
            if (number)
                account.setLanguageId(*number);
            break;
        case Key::RememberPassword:
            if (number)
                account.setRememberPassword(*number != 0);
            break;
        case Key::X:
            if (number)
                settings.setWindowX(*number);
            break;
        case Key::Y:
            if (number)
                settings.setWindowY(*number);
            break;
        case Key::Width:
            if (number)
                settings.setWindowWidth(*number);
            break;
        case Key::Height:
            if (number)
                settings.setWindowHeight(*number);
            break;
        case Key::HideClearAudio:
            if (number)
                settings.setHideClearAudio(*number);
            break;
        case Key::HideRecordOverAudio:
            if (number)
                settings.setHideRecordOverAudio(*number);
            break;
        case Key::CueX:
            if (number)
                settings.setCueX(*number);
            break;
        case Key::CueY:
            if (number)
                settings.setCueY(*number);
            break;
        }
        return;
    }
}

} // namespace

bool SettingsFile::load(const QString& path, ProgramSettings& settings, UserAccount& account)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return false;
    QString text = QString::fromLatin1(file.readAll());
    text.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    const QStringView all(text);
    qsizetype pos = 0;
    QStringList recent;
    while (pos < all.size()) {
        qsizetype end = all.indexOf(QLatin1Char('\n'), pos);
        if (end < 0)
            end = all.size();
        const QStringView line = all.mid(pos, end - pos);
        // An over-long plain line is cut where a 1023-character read ends; its rest would
        // arrive as lines of their own that match no key, so it is skipped.
        const bool whole = line.size() < ReadLimit || isEncodedLine(line);
        applyLine(whole ? line : line.left(ReadLimit - 1), settings, account, recent);
        pos = end + 1;
    }
    // A file without the list (an older one) leaves it as it was.
    if (!recent.isEmpty())
        settings.setRecentStories(recent);
    return true;
}

bool SettingsFile::save(const QString& path, const ProgramSettings& settings, const UserAccount& account)
{
    QByteArray out;
    const auto textLine = [&out](const char* key, const QString& value) {
        out += key;
        out += encodeValue(QLatin1String(key), value);
        out += "\r\n";
    };
    const auto numberLine = [&out](const char* key, int value) {
        out += key;
        out += QByteArray::number(value);
        out += "\r\n";
    };
    textLine("USERNAME=", account.userName());
    textLine("PASSWORD=", account.password());
    numberLine("LANGUAGEID=", account.languageId());
    textLine("LANGUAGETEXT=", account.languageText());
    numberLine("REMEMBER_PASSWORD=", account.rememberPassword() ? 1 : 0);
    numberLine("X=", settings.windowX());
    numberLine("Y=", settings.windowY());
    numberLine("WIDTH=", settings.windowWidth());
    numberLine("HEIGHT=", settings.windowHeight());
    textLine("LANGUAGE=", account.languageText());
    numberLine("HIDE_CLEAR_AUDIO=", settings.hideClearAudio());
    numberLine("HIDE_RECORD_OVER_AUDIO=", settings.hideRecordOverAudio());
    numberLine("X_CUE=", settings.cueX());
    numberLine("Y_CUE=", settings.cueY());
    textLine("ADD_PHOTO_PATH=", settings.addPhotoFolder());
    textLine("INPUT_DEVICE=", settings.inputDevice());
    numberLine("EVEN_LOUDNESS=", settings.evenLoudness() ? 1 : 0);
    // One line per recent story, newest first.
    for (const QString& path : settings.recentStories())
        textLine("RECENT_STORY=", path);

    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    if (!file.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner) || file.write(out) != out.size()) {
        file.cancelWriting();
        return false;
    }
    return file.commit();
}
