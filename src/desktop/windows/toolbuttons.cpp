#include "desktop/windows/toolbuttons.h"

#include "desktop/widgets/skinnedbutton.h"
#include "desktop/widgets/skinresources.h"

namespace {

struct ButtonSpec
{
    const char* text;
    int id;
    QSize size;
    int normal;
    int hover;
    int pressed;
};

constexpr int LogoId = 20005;
constexpr int RecordId = 21007;

constexpr ButtonSpec buttonSpecs[] = {
    {"Publish to PictorelleWeb", 107, {81, 26}, 1000, 1001, 1002},
    {"Preview", 106, {81, 26}, 2000, 2001, 2002},
    {"Add Slide", 115, {81, 26}, 3000, 3001, 3002},
    {"Program Settings", 111, {81, 26}, 4000, 4001, 4002},
    {"Pictorelle", LogoId, {172, 34}, 900, 900, 900},
    {"Edit Pictorelle", 21000, {66, 26}, 1100, 1101, 1102},
    {"Edit Slide", 21001, {66, 26}, 1100, 1101, 1102},
    {"Prev Slide", 21002, {47, 26}, 1200, 1201, 1202},
    {"Next Slide", 21003, {47, 26}, 1300, 1301, 1302},
    {"Play", 21006, {41, 41}, 1700, 1701, 1702},
    {"Record", RecordId, {47, 26}, 1600, 1601, 1602},
    {"Stop", 21008, {47, 26}, 1800, 1801, 1802},
    {"Cue Cards", 21010, {47, 26}, 1900, 1901, 1902},
    {"Import Narration", 21011, {47, 26}, 1950, 1951, 1952},
};

} // namespace

SkinnedButton* createToolButton(QWidget* canvas, const SkinResources& skin, int commandId)
{
    for (const ButtonSpec& spec : buttonSpecs) {
        if (spec.id != commandId)
            continue;
        auto* button = new SkinnedButton(canvas, QRect(QPoint(0, 0), spec.size), spec.id, QString::fromUtf8(spec.text));
        // The logo's word mark is drawn smaller than its button.
        const QSize faceSize = spec.id == LogoId ? QSize(149, 31) : spec.size;
        button->setFaceRenderer(skin.faceRenderer(spec.normal, spec.hover, spec.pressed, faceSize));
        // The logo does nothing: Tab passes it by.
        if (spec.id == LogoId)
            button->setFocusPolicy(Qt::NoFocus);
        // The paused recording's faces.
        if (spec.id == RecordId)
            button->setFaceRenderer(skin.faceRenderer(1603, 1604, 1605, spec.size), SkinnedButton::FaceSet::Second);
        return button;
    }
    return nullptr;
}
