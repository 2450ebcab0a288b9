// pictorelle-artsheet: draws every picture of the program into one PNG for review, on the
// light window colour and on black, or writes the program icon's PNG sizes for installing.
//   pictorelle-artsheet [--zoom N] [OUTPUT.png]     (default artsheet.png, zoom 1)
//   pictorelle-artsheet --icons FOLDER              (pictorelle-16.png … pictorelle-256.png)

#include "desktop/widgets/artcatalog.h"
#include "desktop/widgets/skinresources.h"

#include <QDir>
#include <QGuiApplication>
#include <QPainter>

#include <cstdio>
#include <vector>

namespace {

struct FaceRow
{
    const char* name;
    int normal;
    int hover;
    int pressed;
    QSize size;
};

const std::vector<FaceRow> toolRows{
    {"Publish", 1000, 1001, 1002, {81, 26}},      {"Preview", 2000, 2001, 2002, {81, 26}},
    {"Add Slide", 3000, 3001, 3002, {81, 26}},    {"Settings", 4000, 4001, 4002, {81, 26}},
    {"Edit", 1100, 1101, 1102, {66, 26}},         {"Prev Slide", 1200, 1201, 1202, {47, 26}},
    {"Next Slide", 1300, 1301, 1302, {47, 26}},   {"Rotate Left", 1400, 1401, 1402, {47, 26}},
    {"Rotate Right", 1500, 1501, 1502, {47, 26}}, {"Record", 1600, 1601, 1602, {47, 26}},
    {"Rec. paused", 1603, 1604, 1605, {47, 26}},  {"Play", 1700, 1701, 1702, {41, 41}},
    {"Stop", 1800, 1801, 1802, {47, 26}},         {"Cue Cards", 1900, 1901, 1902, {47, 26}},
};

const std::vector<FaceRow> playerRows{
    {"Rewind", 200, 201, 201, {31, 21}},   {"Play", 202, 203, 203, {31, 21}},
    {"Previous", 204, 205, 205, {31, 21}}, {"Next", 206, 207, 207, {31, 21}},
    {"Stop", 208, 209, 209, {31, 21}},
};

constexpr int panelWidth = 560;
constexpr int margin = 12;

class Sheet
{
public:
    Sheet(QPainter& painter, const SkinResources& skin, QColor ink)
        : m_p(painter), m_skin(skin), m_ink(ink)
    {
    }

    int draw(int left)
    {
        m_left = left;
        m_y = margin;
        heading("Tool buttons: normal, hover, pressed");
        for (const FaceRow& row : toolRows)
            faceRow(row);
        heading("Preview player: normal, hover = pressed");
        for (const FaceRow& row : playerRows)
            faceRow(row);
        heading("Bitmaps 100, 102, 103, 104 (with a thumbnail), logo 900");
        bitmaps();
        heading("Logo on its button (149 × 31 in 172 × 34)");
        logoButton();
        heading("Icons 100 (16, 32, 48), 513 (32, 48), 120, 100 (256)");
        icons();
        return m_y;
    }

private:
    void heading(const char* text)
    {
        m_y += 6;
        m_p.setPen(m_ink);
        m_p.setFont(SkinResources::fontFromStyle(SkinResources::Bold));
        m_p.drawText(m_left, m_y + 14, QString::fromUtf8(text));
        m_y += 22;
    }

    void label(int x, int y, int height, const QString& text)
    {
        m_p.setPen(m_ink);
        m_p.setFont(SkinResources::fontFromStyle(SkinResources::Small));
        m_p.drawText(QRect(x, y, 120, height), Qt::AlignVCenter | Qt::AlignLeft, text);
    }

    void faceRow(const FaceRow& row)
    {
        label(m_left, m_y, row.size.height(), QString::fromUtf8(row.name));
        int x = m_left + 110;
        for (const int id : {row.normal, row.hover, row.pressed}) {
            m_p.drawPixmap(x, m_y, m_skin.face(id, row.size));
            x += row.size.width() + 14;
        }
        label(x + 6, m_y, row.size.height(), QStringLiteral("%1–%2").arg(row.normal).arg(row.pressed));
        m_y += row.size.height() + 8;
    }

    void bitmaps()
    {
        int x = m_left;
        for (const int id : {100, 102, 103, 104}) {
            const QPixmap pixmap = m_skin.bitmap(id);
            m_p.drawPixmap(x, m_y, pixmap);
            x += pixmap.width() + 16;
        }
        // The strip draws the backdrop one pixel up and left of the thumbnail.
        const QPixmap backdrop = m_skin.thumbnailBackdrop();
        m_p.fillRect(x - 4, m_y - 4, backdrop.width() + 8, backdrop.height() + 8, Qt::white);
        m_p.drawPixmap(x, m_y, backdrop);
        m_p.drawPixmap(x + 1, m_y + 1, m_skin.placeholderThumbnail());
        x += backdrop.width() + 16;
        m_p.drawPixmap(x, m_y, m_skin.logo());
        m_y += 81 + 8;
    }

    void logoButton()
    {
        m_p.drawPixmap(m_left, m_y, m_skin.face(900, QSize(149, 31)));
        m_p.setPen(QColor(128, 128, 128, 90));
        m_p.setBrush(Qt::NoBrush);
        m_p.drawRect(m_left, m_y, 171, 33);
        m_y += 34 + 8;
    }

    void icons()
    {
        int x = m_left;
        for (const int edge : {16, 32, 48}) {
            m_p.drawPixmap(x, m_y, m_skin.face(100, QSize(edge, edge)));
            x += edge + 12;
        }
        for (const int edge : {32, 48}) {
            m_p.drawPixmap(x, m_y, m_skin.face(513, QSize(edge, edge)));
            x += edge + 12;
        }
        m_p.drawPixmap(x, m_y, m_skin.face(120, QSize(189, 20)));
        m_y += 48 + 12;
        m_p.drawPixmap(m_left, m_y, m_skin.face(100, QSize(256, 256)));
        m_y += 256 + margin;
    }

    QPainter& m_p;
    const SkinResources& m_skin;
    QColor m_ink;
    int m_left = 0;
    int m_y = 0;
};

int writeIcons(const QString& folder, const SkinResources& skin)
{
    QDir().mkpath(folder);
    for (const int edge : {16, 32, 48, 256}) {
        const QString path = QDir(folder).filePath(QStringLiteral("pictorelle-%1.png").arg(edge));
        if (!skin.face(100, QSize(edge, edge)).save(path)) {
            std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
            return 1;
        }
    }
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    const SkinResources skin;
    QStringList args = app.arguments().mid(1);
    if (args.size() == 2 && args[0] == QLatin1String("--icons"))
        return writeIcons(args[1], skin);
    int zoom = 1;
    if (args.size() >= 2 && args[0] == QLatin1String("--zoom")) {
        zoom = qBound(1, args[1].toInt(), 8);
        args = args.mid(2);
    }
    const QString output = args.value(0, QStringLiteral("artsheet.png"));

    const int height = 1180;
    QImage sheet(2 * panelWidth, height, QImage::Format_RGB32);
    const QColor light(239, 239, 239);
    const QColor dark(0, 0, 0);
    QPainter painter(&sheet);
    painter.setRenderHint(QPainter::TextAntialiasing);
    painter.fillRect(0, 0, panelWidth, height, light);
    painter.fillRect(panelWidth, 0, panelWidth, height, dark);
    Sheet lightSheet(painter, skin, QColor(40, 40, 40));
    Sheet darkSheet(painter, skin, QColor(220, 220, 220));
    const int used = qMax(lightSheet.draw(margin), darkSheet.draw(panelWidth + margin));
    painter.end();
    QImage result = sheet.copy(0, 0, sheet.width(), qMin(height, used));
    if (zoom > 1)
        result = result.scaled(result.size() * zoom, Qt::IgnoreAspectRatio, Qt::FastTransformation);
    if (!result.save(output)) {
        std::fprintf(stderr, "cannot write %s\n", qPrintable(output));
        return 1;
    }
    std::printf("%s\n", qPrintable(output));
    return 0;
}
