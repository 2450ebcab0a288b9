#include "story/storytypes.h"

QString storyTypeName(int type)
{
    switch (type) {
    case 1:
        return QStringLiteral("Pictorelle");
    case 2:
        return QStringLiteral("Podcast");
    case 3:
        return QStringLiteral("Slide");
    case 4:
        return QStringLiteral("Pictorelle 2");
    default:
        return {};
    }
}

int longestNarration(SlideKind kind)
{
    switch (kind) {
    case SlideKind::Picture:
        return 60;
    case SlideKind::Segment:
    case SlideKind::Legacy:
        return 900;
    }
    return 0;
}
