#include "desktop/windows/mainlayout.h"

#include <algorithm>

namespace {

constexpr int PictureStory = 1;
constexpr int Podcast = 2;
// The slide panel's heading sits H − 210 down; from this client height on it clears the story
// panel's last row (461 + 16) by three pixels.
constexpr int RoomyHeight = 690;

} // namespace

MainLayout computeMainLayout(int width, int height, int storyType)
{
    const int w = width;
    const int h = height;
    MainLayout layout;
    for (int k = 0; k < 4; ++k)
        layout.toolButtons[k] = QRect(7 + 89 * k, 7, 81, 26);
    layout.logo = QRect(w - 180, 7, 172, 34);
    layout.strip = QRect(7, 50, w - 15, 150);
    layout.pictureArea = QRect(300, 217, w - 308, h - 297);
    layout.storyHeading = QRect(7, 218, 202, 26);
    layout.editStory = QRect(210, 218, 66, 26);

    struct Row
    {
        int y;
        int height;
    };
    constexpr Row rows[6] = {{252, 32}, {288, 32}, {324, 64}, {390, 48}, {442, 16}, {461, 16}};
    for (int i = 0; i < 6; ++i) {
        layout.storyLabels[i] = QRect(0, rows[i].y, 82, 16);
        layout.storyValues[i] = QRect(90, rows[i].y, 210, rows[i].height);
    }

    layout.previousSlide = QRect(308, h - 72, 47, 26);
    layout.nextSlide = QRect(363, h - 72, 47, 26);
    layout.slidePosition = QRect(308, h - 38, 102, 32);

    // Integer division truncates towards zero, also for windows narrower than 473.
    const int c = (w - 473) / 2;
    layout.record = QRect(c + 260, h - 45, 47, 26);
    layout.play = QRect(c + 315, h - 54, 41, 41);
    layout.stop = QRect(c + 364, h - 45, 47, 26);
    layout.cueCards = QRect(c + 419, h - 45, 47, 26);
    layout.importNarration = QRect(c + 474, h - 45, 47, 26);
    layout.audioLabel = QRect(c + 467, h - 72, 60, 16);
    layout.timeDisplay = QRect(c + 534, h - 72, 82, 32);
    layout.levelMeter = QRect(c + 534, h - 36, 82, 10);
    layout.progressBar = QPoint(c + 260, h - 76);

    if (storyType == PictureStory) {
        // Shorter clients (a small screen) move the slide panel down into the free corner
        // under it, as far as keeps its last row six pixels above the bottom: it is placed as
        // in a client panelH tall.
        const int panelH = h + std::clamp(RoomyHeight - h, 0, RoomyHeight - MainLayoutMinimum.height());
        SlidePanelPlaces panel;
        panel.heading = QRect(7, panelH - 210, 202, 26);
        panel.editSlide = QRect(210, panelH - 210, 66, 26);
        panel.labels = {QRect(0, panelH - 172, 82, 16), QRect(0, panelH - 112, 82, 16), QRect(0, panelH - 88, 82, 16)};
        panel.values = {QRect(90, panelH - 172, 210, 48), QRect(90, panelH - 112, 210, 32),
                        QRect(90, panelH - 88, 210, 16)};
        layout.slidePanel = panel;
    } else if (storyType == Podcast) {
        SlidePanelPlaces panel;
        panel.editSlide = QRect(-100, -100, 0, 0);
        layout.slidePanel = panel;
    }

    const QRect& area = layout.pictureArea;
    if (storyType == Podcast) {
        layout.slideView = QRect(area.x(), area.y(), 0, 0);
        layout.transcriptHeading = QRect(area.x() + 21, area.y(), area.width() - 21, 32);
        layout.transcriptCheck = QRect(area.x() + 21, area.y() + 32, area.width() - 21, 16);
        layout.transcriptBox = QRect(area.x(), area.y() + 55, area.width(), area.height() - 55);
    } else {
        layout.slideView = area;
    }
    return layout;
}
