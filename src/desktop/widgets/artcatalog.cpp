#include "desktop/widgets/artcatalog.h"

#include <algorithm>
#include <array>

namespace {

constexpr QSize toolFace(81, 26);
constexpr QSize editFace(66, 26);
constexpr QSize smallFace(47, 26);
constexpr QSize playFace(41, 41);
constexpr QSize playerFace(31, 21);
constexpr QSize thumbnail(75, 75);
constexpr QSize logo(123, 25);
// Icons show at 16 to 256 pixels; the catalogue size is the window icon's.
constexpr QSize appIcon(32, 32);
// Small icons are drawn without their detail below this edge length.
constexpr int smallIconEdge = 24;

constexpr ArtKind I = ArtKind::Icon;
constexpr ArtKind B = ArtKind::Bitmap;

const std::array catalogue{
    ArtEntry{I, 100, "icon-app.svg", appIcon, "icon-app-small.svg"},
    ArtEntry{I, 120, "icon-weblink.svg", QSize(189, 20)},
    ArtEntry{I, 513, "icon-prompt.svg", QSize(32, 32)},
    ArtEntry{I, 900, "logo.svg", logo},
    ArtEntry{I, 1000, "publish-normal.svg", toolFace},
    ArtEntry{I, 1001, "publish-hover.svg", toolFace},
    ArtEntry{I, 1002, "publish-pressed.svg", toolFace},
    ArtEntry{I, 1100, "edit-normal.svg", editFace},
    ArtEntry{I, 1101, "edit-hover.svg", editFace},
    ArtEntry{I, 1102, "edit-pressed.svg", editFace},
    ArtEntry{I, 1200, "prevslide-normal.svg", smallFace},
    ArtEntry{I, 1201, "prevslide-hover.svg", smallFace},
    ArtEntry{I, 1202, "prevslide-pressed.svg", smallFace},
    ArtEntry{I, 1300, "nextslide-normal.svg", smallFace},
    ArtEntry{I, 1301, "nextslide-hover.svg", smallFace},
    ArtEntry{I, 1302, "nextslide-pressed.svg", smallFace},
    ArtEntry{I, 1400, "rotateleft-normal.svg", smallFace},
    ArtEntry{I, 1401, "rotateleft-hover.svg", smallFace},
    ArtEntry{I, 1402, "rotateleft-pressed.svg", smallFace},
    ArtEntry{I, 1500, "rotateright-normal.svg", smallFace},
    ArtEntry{I, 1501, "rotateright-hover.svg", smallFace},
    ArtEntry{I, 1502, "rotateright-pressed.svg", smallFace},
    ArtEntry{I, 1600, "record-normal.svg", smallFace},
    ArtEntry{I, 1601, "record-hover.svg", smallFace},
    ArtEntry{I, 1602, "record-pressed.svg", smallFace},
    ArtEntry{I, 1603, "recordpaused-normal.svg", smallFace},
    ArtEntry{I, 1604, "recordpaused-hover.svg", smallFace},
    ArtEntry{I, 1605, "recordpaused-pressed.svg", smallFace},
    ArtEntry{I, 1700, "play-normal.svg", playFace},
    ArtEntry{I, 1701, "play-hover.svg", playFace},
    ArtEntry{I, 1702, "play-pressed.svg", playFace},
    ArtEntry{I, 1800, "stop-normal.svg", smallFace},
    ArtEntry{I, 1801, "stop-hover.svg", smallFace},
    ArtEntry{I, 1802, "stop-pressed.svg", smallFace},
    ArtEntry{I, 1900, "cuecards-normal.svg", smallFace},
    ArtEntry{I, 1901, "cuecards-hover.svg", smallFace},
    ArtEntry{I, 1902, "cuecards-pressed.svg", smallFace},
    ArtEntry{I, 1950, "import-normal.svg", smallFace},
    ArtEntry{I, 1951, "import-hover.svg", smallFace},
    ArtEntry{I, 1952, "import-pressed.svg", smallFace},
    ArtEntry{I, 2000, "preview-normal.svg", toolFace},
    ArtEntry{I, 2001, "preview-hover.svg", toolFace},
    ArtEntry{I, 2002, "preview-pressed.svg", toolFace},
    ArtEntry{I, 3000, "addslide-normal.svg", toolFace},
    ArtEntry{I, 3001, "addslide-hover.svg", toolFace},
    ArtEntry{I, 3002, "addslide-pressed.svg", toolFace},
    ArtEntry{I, 4000, "settings-normal.svg", toolFace},
    ArtEntry{I, 4001, "settings-hover.svg", toolFace},
    ArtEntry{I, 4002, "settings-pressed.svg", toolFace},
    ArtEntry{B, 100, "podcast.svg", thumbnail},
    ArtEntry{B, 102, "overlay.svg", QSize(17, 69)},
    ArtEntry{B, 103, "placeholder.svg", thumbnail},
    ArtEntry{B, 104, "backdrop.svg", QSize(81, 81)},
    ArtEntry{B, 200, "player-rewind-normal.svg", playerFace},
    ArtEntry{B, 201, "player-rewind-pressed.svg", playerFace},
    ArtEntry{B, 202, "player-play-normal.svg", playerFace},
    ArtEntry{B, 203, "player-play-pressed.svg", playerFace},
    ArtEntry{B, 204, "player-previous-normal.svg", playerFace},
    ArtEntry{B, 205, "player-previous-pressed.svg", playerFace},
    ArtEntry{B, 206, "player-next-normal.svg", playerFace},
    ArtEntry{B, 207, "player-next-pressed.svg", playerFace},
    ArtEntry{B, 208, "player-stop-normal.svg", playerFace},
    ArtEntry{B, 209, "player-stop-pressed.svg", playerFace},
    ArtEntry{B, 900, "logo.svg", logo},
};

} // namespace

namespace artcatalog {

std::span<const ArtEntry> entries()
{
    return catalogue;
}

const ArtEntry* find(ArtKind kind, int id)
{
    const auto it = std::find_if(catalogue.begin(), catalogue.end(),
                                 [&](const ArtEntry& e) { return e.kind == kind && e.id == id; });
    return it == catalogue.end() ? nullptr : &*it;
}

QString resourcePath(const ArtEntry& entry, QSize size)
{
    const bool small = entry.smallFile && qMax(size.width(), size.height()) <= smallIconEdge;
    return QStringLiteral(":/art/") + QLatin1String(small ? entry.smallFile : entry.file);
}

} // namespace artcatalog
