#include "samplescenes.h"

#include <QDir>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>
#include <QRandomGenerator>

#include <algorithm>
#include <cmath>
#include <functional>

namespace samplescenes {

namespace {

using Paint = std::function<void(QPainter&, double, double)>;

struct Scene
{
    QSize size;
    const char* caption;
    Paint paint;
};

QLinearGradient vertical(double top, double bottom, std::initializer_list<std::pair<double, QColor>> stops)
{
    QLinearGradient gradient(0, top, 0, bottom);
    for (const auto& [at, colour] : stops)
        gradient.setColorAt(at, colour);
    return gradient;
}

// A ridge line through the points (x as a fraction of w, y as a fraction of h), closed along the bottom.
QPainterPath ridge(double w, double h, std::initializer_list<QPointF> points, double bottom)
{
    QPainterPath path(QPointF(0, bottom));
    for (const QPointF& p : points)
        path.lineTo(p.x() * w, p.y() * h);
    path.lineTo(w, bottom);
    path.closeSubpath();
    return path;
}

// Soft rolling hills: a smooth curve through the points.
QPainterPath hills(double w, double h, std::initializer_list<QPointF> points, double bottom)
{
    QPainterPath path(QPointF(0, bottom));
    QPointF previous(0, points.begin()->y() * h);
    path.lineTo(previous);
    for (const QPointF& p : points) {
        const QPointF next(p.x() * w, p.y() * h);
        const double midX = (previous.x() + next.x()) / 2;
        path.cubicTo(QPointF(midX, previous.y()), QPointF(midX, next.y()), next);
        previous = next;
    }
    path.lineTo(w, previous.y());
    path.lineTo(w, bottom);
    path.closeSubpath();
    return path;
}

void glow(QPainter& p, QPointF centre, double radius, QColor core, QColor edge)
{
    QRadialGradient gradient(centre, radius);
    gradient.setColorAt(0, core);
    gradient.setColorAt(0.35, edge);
    QColor clear = edge;
    clear.setAlpha(0);
    gradient.setColorAt(1, clear);
    p.setPen(Qt::NoPen);
    p.setBrush(gradient);
    p.drawEllipse(centre, radius, radius);
}

void harbourSunset(QPainter& p, double w, double h)
{
    const double horizon = 0.62 * h;
    p.fillRect(QRectF(0, 0, w, horizon),
               vertical(0, horizon, {{0, QColor(43, 29, 79)}, {0.55, QColor(200, 80, 122)}, {1, QColor(255, 180, 94)}}));
    glow(p, QPointF(0.63 * w, horizon - 0.05 * h), 0.22 * w, QColor(255, 243, 196), QColor(255, 170, 80, 150));
    p.setBrush(QColor(255, 236, 180));
    p.drawEllipse(QPointF(0.63 * w, horizon - 0.05 * h), 0.05 * w, 0.05 * w);
    p.setBrush(QColor(58, 37, 80));
    p.drawPath(hills(w, h, {{0.2, 0.6}, {0.45, 0.58}, {0.8, 0.605}, {1.0, 0.59}}, horizon + 1));
    p.fillRect(QRectF(0, horizon, w, h - horizon),
               vertical(horizon, h, {{0, QColor(120, 70, 110)}, {1, QColor(29, 35, 64)}}));
    QRandomGenerator rng(7);
    for (int i = 0; i < 90; ++i) {
        const double y = horizon + 6 + rng.bounded(0.3 * h);
        const double spread = 0.02 * w + (y - horizon) * 0.25;
        const double x = 0.63 * w + (rng.bounded(2.0) - 1) * spread;
        const double len = 0.01 * w + rng.bounded(0.05 * w);
        p.fillRect(QRectF(x - len / 2, y, len, 3 + rng.bounded(4)), QColor(255, 200, 130, 120 + rng.bounded(100)));
    }
    // A sailing boat in silhouette.
    const QPointF boat(0.26 * w, 0.72 * h);
    p.setBrush(QColor(25, 18, 35));
    QPainterPath hull(boat + QPointF(-0.07 * w, 0));
    hull.lineTo(boat + QPointF(0.07 * w, 0));
    hull.lineTo(boat + QPointF(0.05 * w, 0.025 * h));
    hull.lineTo(boat + QPointF(-0.055 * w, 0.025 * h));
    hull.closeSubpath();
    p.drawPath(hull);
    QPainterPath sail(boat + QPointF(0, -0.01 * h));
    sail.lineTo(boat + QPointF(0, -0.25 * h));
    sail.lineTo(boat + QPointF(0.06 * w, -0.02 * h));
    sail.closeSubpath();
    sail.moveTo(boat + QPointF(-0.008 * w, -0.02 * h));
    sail.lineTo(boat + QPointF(-0.008 * w, -0.2 * h));
    sail.lineTo(boat + QPointF(-0.05 * w, -0.02 * h));
    sail.closeSubpath();
    p.drawPath(sail);
}

void alpineLake(QPainter& p, double w, double h)
{
    const double shore = 0.66 * h;
    p.fillRect(QRectF(0, 0, w, shore), vertical(0, shore, {{0, QColor(74, 144, 214)}, {1, QColor(214, 236, 250)}}));
    const QPainterPath far = ridge(w, h,
                                   {{0, 0.45}, {0.12, 0.3}, {0.22, 0.38}, {0.35, 0.18}, {0.47, 0.36},
                                    {0.6, 0.25}, {0.72, 0.4}, {0.86, 0.22}, {1, 0.42}},
                                   shore);
    const QPainterPath near = ridge(w, h, {{0, 0.55}, {0.18, 0.42}, {0.3, 0.58}, {0.55, 0.46}, {0.78, 0.6}, {1, 0.5}},
                                    shore);
    p.setPen(Qt::NoPen);
    p.setBrush(vertical(0.18 * h, shore, {{0, QColor(150, 160, 190)}, {1, QColor(98, 112, 146)}}));
    p.drawPath(far);
    // Snow on the high peaks: the ridge clipped to a band near the top.
    p.save();
    p.setClipPath(far);
    p.setBrush(QColor(246, 249, 255));
    p.drawPath(hills(w, h, {{0.1, 0.33}, {0.3, 0.25}, {0.5, 0.31}, {0.7, 0.3}, {0.9, 0.27}, {1, 0.35}}, 0));
    p.restore();
    p.setBrush(vertical(0.42 * h, shore, {{0, QColor(70, 95, 120)}, {1, QColor(40, 60, 70)}}));
    p.drawPath(near);
    // The lake mirrors the mountains, darker.
    p.fillRect(QRectF(0, shore, w, h - shore), vertical(shore, h, {{0, QColor(70, 120, 150)}, {1, QColor(22, 52, 70)}}));
    p.save();
    p.setClipRect(QRectF(0, shore, w, h - shore));
    p.setOpacity(0.3);
    p.translate(0, 2 * shore);
    p.scale(1, -1);
    p.setBrush(QColor(120, 130, 160));
    p.drawPath(far);
    p.setBrush(QColor(40, 60, 70));
    p.drawPath(near);
    p.restore();
    // Pines along the near shore.
    QRandomGenerator rng(11);
    for (double x = -10; x < w; x += 14 + rng.bounded(30)) {
        const double tall = 0.05 * h + rng.bounded(0.09 * h);
        const double base = shore + 0.01 * h + rng.bounded(0.02 * h);
        QPainterPath tree(QPointF(x, base - tall));
        tree.lineTo(x + tall * 0.22, base);
        tree.lineTo(x - tall * 0.22, base);
        tree.closeSubpath();
        p.setBrush(QColor(20 + rng.bounded(20), 60 + rng.bounded(30), 35 + rng.bounded(20)));
        p.drawPath(tree);
    }
}

void lighthouse(QPainter& p, double w, double h)
{
    const double sea = 0.66 * h;
    p.fillRect(QRectF(0, 0, w, sea),
               vertical(0, sea, {{0, QColor(96, 160, 220)}, {0.7, QColor(200, 222, 236)}, {1, QColor(250, 226, 200)}}));
    p.fillRect(QRectF(0, sea, w, h - sea), vertical(sea, h, {{0, QColor(47, 127, 168)}, {1, QColor(18, 70, 100)}}));
    QRandomGenerator rng(3);
    p.setPen(QPen(QColor(255, 255, 255, 140), 3));
    for (int i = 0; i < 70; ++i) {
        const double y = sea + 8 + rng.bounded(h - sea);
        const double x = rng.bounded(w);
        p.drawLine(QPointF(x, y), QPointF(x + 20 + rng.bounded(60.0), y));
    }
    p.setPen(Qt::NoPen);
    // The cliff, grass on top.
    p.setBrush(QColor(122, 106, 85));
    p.drawPath(ridge(w, h, {{0, 0.55}, {0.35, 0.56}, {0.52, 0.6}, {0.6, 0.78}, {0.72, 1.0}}, h));
    p.setBrush(QColor(108, 154, 74));
    p.drawPolygon(QPolygonF({QPointF(0, 0.545 * h), QPointF(0.35 * w, 0.555 * h), QPointF(0.52 * w, 0.595 * h),
                             QPointF(0.53 * w, 0.62 * h), QPointF(0.35 * w, 0.575 * h), QPointF(0, 0.57 * h)}));
    // The tower, striped, with its light and beam.
    const double base = 0.57 * h;
    const double top = 0.2 * h;
    const double cx = 0.3 * w;
    QPainterPath tower(QPointF(cx - 0.08 * w, base));
    tower.lineTo(cx + 0.08 * w, base);
    tower.lineTo(cx + 0.05 * w, top);
    tower.lineTo(cx - 0.05 * w, top);
    tower.closeSubpath();
    p.save();
    p.setClipPath(tower);
    const int bands = 5;
    for (int i = 0; i < bands; ++i) {
        const double y0 = top + (base - top) * i / bands;
        p.fillRect(QRectF(0, y0, w, (base - top) / bands + 1), i % 2 ? QColor(245, 245, 240) : QColor(200, 40, 45));
    }
    p.restore();
    p.setBrush(QColor(255, 240, 170, 90));
    QPainterPath beam(QPointF(cx, top - 0.04 * h));
    beam.lineTo(w, top - 0.15 * h);
    beam.lineTo(w, top + 0.05 * h);
    beam.closeSubpath();
    p.drawPath(beam);
    p.setBrush(QColor(40, 40, 48));
    p.drawRect(QRectF(cx - 0.065 * w, top - 0.012 * h, 0.13 * w, 0.014 * h));
    glow(p, QPointF(cx, top - 0.04 * h), 0.09 * w, QColor(255, 250, 200), QColor(255, 220, 120, 160));
    p.setBrush(QColor(40, 40, 48));
    p.drawPolygon(QPolygonF({QPointF(cx - 0.045 * w, top - 0.07 * h), QPointF(cx, top - 0.1 * h),
                             QPointF(cx + 0.045 * w, top - 0.07 * h)}));
    // Gulls.
    p.setPen(QPen(QColor(50, 50, 60), 4, Qt::SolidLine, Qt::RoundCap));
    p.setBrush(Qt::NoBrush);
    for (const QPointF& g : {QPointF(0.62, 0.3), QPointF(0.7, 0.24), QPointF(0.8, 0.33)}) {
        const QPointF c(g.x() * w, g.y() * h);
        QPainterPath bird(c - QPointF(28, 6));
        bird.quadTo(c - QPointF(14, 18), c);
        bird.quadTo(c + QPointF(14, -18), c + QPointF(28, -6));
        p.drawPath(bird);
    }
}

void poppyMeadow(QPainter& p, double w, double h)
{
    p.fillRect(QRectF(0, 0, w, h), vertical(0, 0.6 * h, {{0, QColor(70, 140, 220)}, {1, QColor(200, 228, 248)}}));
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(255, 255, 255, 210));
    for (const QRectF& cloud : {QRectF(0.1, 0.1, 0.18, 0.07), QRectF(0.2, 0.07, 0.14, 0.08), QRectF(0.6, 0.16, 0.22, 0.06),
                                QRectF(0.7, 0.12, 0.12, 0.08)})
        p.drawEllipse(QRectF(cloud.x() * w, cloud.y() * h, cloud.width() * w, cloud.height() * h));
    p.setBrush(QColor(127, 181, 106));
    p.drawPath(hills(w, h, {{0.25, 0.45}, {0.55, 0.5}, {0.8, 0.42}, {1, 0.47}}, h));
    p.setBrush(QColor(94, 158, 74));
    p.drawPath(hills(w, h, {{0.3, 0.58}, {0.6, 0.52}, {1, 0.6}}, h));
    p.setBrush(vertical(0.62 * h, h, {{0, QColor(76, 138, 58)}, {1, QColor(40, 100, 34)}}));
    p.drawPath(hills(w, h, {{0.4, 0.66}, {0.75, 0.63}, {1, 0.68}}, h));
    // Poppies, larger towards the viewer.
    QRandomGenerator rng(5);
    for (int i = 0; i < 420; ++i) {
        const double depth = std::pow(rng.bounded(1.0), 0.7);
        const double y = 0.64 * h + depth * 0.36 * h;
        const double x = rng.bounded(w);
        const double r = 3 + depth * depth * 26;
        p.setPen(QPen(QColor(40, 90, 30), std::max(1.0, r / 6)));
        p.drawLine(QPointF(x, y), QPointF(x + r * 0.2, y + r * 1.6));
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(210 + rng.bounded(40), 30 + rng.bounded(40), 30));
        p.drawEllipse(QPointF(x, y), r, r * 0.85);
        p.setBrush(QColor(40, 20, 20));
        p.drawEllipse(QPointF(x, y), r * 0.25, r * 0.25);
    }
}

void desertDunes(QPainter& p, double w, double h)
{
    p.fillRect(QRectF(0, 0, w, h),
               vertical(0, 0.6 * h, {{0, QColor(120, 170, 220)}, {0.6, QColor(247, 217, 168)}, {1, QColor(240, 180, 120)}}));
    glow(p, QPointF(0.78 * w, 0.2 * h), 0.12 * w, QColor(255, 255, 240), QColor(255, 240, 200, 120));
    p.setPen(Qt::NoPen);
    const struct
    {
        std::initializer_list<QPointF> crest;
        QColor light;
        QColor dark;
    } dunes[] = {
        {{{0.2, 0.5}, {0.5, 0.44}, {0.8, 0.52}, {1, 0.48}}, QColor(236, 176, 110), QColor(200, 130, 80)},
        {{{0.3, 0.62}, {0.6, 0.55}, {1, 0.64}}, QColor(229, 164, 92), QColor(184, 106, 50)},
        {{{0.15, 0.78}, {0.45, 0.7}, {0.85, 0.82}, {1, 0.78}}, QColor(240, 180, 100), QColor(176, 96, 44)},
    };
    for (const auto& dune : dunes) {
        const QPainterPath shape = hills(w, h, dune.crest, h);
        p.setBrush(vertical(0.4 * h, h, {{0, dune.light}, {1, dune.dark}}));
        p.drawPath(shape);
        // The lee side in shadow: the same dune shifted right and clipped to itself.
        p.save();
        p.setClipPath(shape);
        QColor shade = dune.dark;
        shade.setAlpha(120);
        p.setBrush(shade);
        p.drawPath(shape.translated(0.08 * w, 0.03 * h));
        p.restore();
    }
    // A caravan on the far crest.
    p.setBrush(QColor(70, 40, 25));
    for (int i = 0; i < 4; ++i) {
        const QPointF c(0.42 * w + i * 0.035 * w, 0.445 * h);
        p.drawEllipse(QRectF(c.x() - 14, c.y() - 18, 28, 12));
        p.drawRect(QRectF(c.x() - 10, c.y() - 8, 3, 12));
        p.drawRect(QRectF(c.x() + 7, c.y() - 8, 3, 12));
        p.drawRect(QRectF(c.x() + 11, c.y() - 26, 4, 12));
    }
}

void starryNight(QPainter& p, double w, double h)
{
    p.fillRect(QRectF(0, 0, w, h),
               vertical(0, h, {{0, QColor(5, 10, 31)}, {0.6, QColor(27, 42, 85)}, {1, QColor(58, 63, 122)}}));
    p.save();
    p.translate(0.5 * w, 0.4 * h);
    p.rotate(-25);
    glow(p, QPointF(0, 0), 0.45 * w, QColor(120, 120, 170, 70), QColor(90, 90, 150, 40));
    p.restore();
    QRandomGenerator rng(13);
    p.setPen(Qt::NoPen);
    for (int i = 0; i < 700; ++i) {
        const double r = 0.6 + std::pow(rng.bounded(1.0), 6) * 3.5;
        p.setBrush(QColor(255, 250 - rng.bounded(30), 220 + rng.bounded(35), 120 + rng.bounded(135)));
        p.drawEllipse(QPointF(rng.bounded(w), rng.bounded(0.8 * h)), r, r);
    }
    glow(p, QPointF(0.22 * w, 0.2 * h), 0.12 * w, QColor(250, 246, 220, 200), QColor(200, 200, 240, 60));
    p.setBrush(QColor(245, 241, 214));
    p.drawEllipse(QPointF(0.22 * w, 0.2 * h), 0.045 * w, 0.045 * w);
    p.setBrush(QColor(222, 216, 190));
    p.drawEllipse(QPointF(0.21 * w, 0.19 * h), 0.01 * w, 0.01 * w);
    p.drawEllipse(QPointF(0.235 * w, 0.215 * h), 0.006 * w, 0.006 * w);
    p.setBrush(QColor(10, 15, 30));
    p.drawPath(hills(w, h, {{0.3, 0.78}, {0.6, 0.72}, {0.85, 0.8}, {1, 0.76}}, h));
    // A lit tent on the hill.
    const QPointF tent(0.62 * w, 0.735 * h);
    glow(p, tent + QPointF(0, -0.02 * h), 0.07 * w, QColor(255, 200, 110, 200), QColor(255, 150, 60, 80));
    p.setBrush(QColor(230, 140, 60));
    p.drawPolygon(QPolygonF({tent + QPointF(-0.04 * w, 0), tent + QPointF(0, -0.06 * h), tent + QPointF(0.04 * w, 0)}));
    p.setBrush(QColor(255, 220, 140));
    p.drawPolygon(QPolygonF({tent + QPointF(-0.01 * w, 0), tent + QPointF(0, -0.03 * h), tent + QPointF(0.01 * w, 0)}));
}

void balloon(QPainter& p, QPointF centre, double r, QColor a, QColor b)
{
    QPainterPath envelope(centre + QPointF(0, 1.35 * r));
    envelope.cubicTo(centre + QPointF(-0.6 * r, 0.9 * r), centre + QPointF(-1.1 * r, 0.5 * r), centre + QPointF(-r, 0));
    envelope.arcTo(QRectF(centre.x() - r, centre.y() - r, 2 * r, 2 * r), 180, -180);
    envelope.cubicTo(centre + QPointF(1.1 * r, 0.5 * r), centre + QPointF(0.6 * r, 0.9 * r),
                     centre + QPointF(0, 1.35 * r));
    p.save();
    p.setClipPath(envelope);
    const int stripes = 8;
    for (int i = 0; i < stripes; ++i)
        p.fillRect(QRectF(centre.x() - r + 2 * r * i / stripes, centre.y() - r, 2 * r / stripes + 1, 2.4 * r),
                   i % 2 ? a : b);
    QRadialGradient shade(centre + QPointF(-0.4 * r, -0.4 * r), 2 * r);
    shade.setColorAt(0, QColor(255, 255, 255, 70));
    shade.setColorAt(1, QColor(0, 0, 0, 90));
    p.fillRect(QRectF(centre.x() - r, centre.y() - r, 2 * r, 2.4 * r), shade);
    p.restore();
    p.setPen(QPen(QColor(60, 40, 30), std::max(1.0, r / 40)));
    const QPointF basket = centre + QPointF(0, 1.6 * r);
    p.drawLine(centre + QPointF(-0.18 * r, 1.3 * r), basket + QPointF(-0.12 * r, 0));
    p.drawLine(centre + QPointF(0.18 * r, 1.3 * r), basket + QPointF(0.12 * r, 0));
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(120, 80, 45));
    p.drawRect(QRectF(basket.x() - 0.14 * r, basket.y(), 0.28 * r, 0.2 * r));
}

void balloons(QPainter& p, double w, double h)
{
    p.fillRect(QRectF(0, 0, w, h), vertical(0, h, {{0, QColor(90, 160, 225)}, {0.75, QColor(255, 215, 168)}}));
    p.setPen(Qt::NoPen);
    const QColor fields[] = {QColor(120, 150, 70), QColor(190, 170, 80), QColor(90, 130, 60), QColor(160, 140, 60)};
    for (int i = 0; i < 4; ++i) {
        p.setBrush(fields[i]);
        p.drawPath(hills(w, h, {{0.3, 0.82 + 0.04 * i}, {0.7, 0.8 + 0.045 * i}, {1, 0.84 + 0.04 * i}}, h));
    }
    balloon(p, QPointF(0.14 * w, 0.62 * h), 0.05 * w, QColor(60, 90, 200), QColor(250, 250, 250));
    balloon(p, QPointF(0.82 * w, 0.48 * h), 0.07 * w, QColor(40, 160, 110), QColor(250, 210, 60));
    balloon(p, QPointF(0.66 * w, 0.66 * h), 0.035 * w, QColor(150, 60, 160), QColor(240, 130, 40));
    balloon(p, QPointF(0.4 * w, 0.3 * h), 0.2 * w, QColor(220, 50, 50), QColor(250, 190, 40));
}

void cityDusk(QPainter& p, double w, double h)
{
    const double river = 0.8 * h;
    p.fillRect(QRectF(0, 0, w, river),
               vertical(0, river, {{0, QColor(29, 43, 90)}, {0.55, QColor(130, 90, 140)}, {1, QColor(232, 135, 90)}}));
    QRandomGenerator rng(17);
    p.setPen(Qt::NoPen);
    QList<QRectF> lit;
    for (double x = 0; x < w;) {
        const double bw = 0.04 * w + rng.bounded(0.07 * w);
        const double bh = 0.15 * h + rng.bounded(0.45 * h);
        const QRectF building(x, river - bh, bw, bh);
        const int shade = 22 + rng.bounded(25);
        p.setBrush(QColor(shade, shade + 4, shade + 22));
        p.drawRect(building);
        for (double wy = building.top() + 12; wy < river - 14; wy += 22)
            for (double wx = building.left() + 8; wx < building.right() - 12; wx += 18)
                if (rng.bounded(100) < 38)
                    lit << QRectF(wx, wy, 8, 11);
        x += bw + rng.bounded(6.0);
    }
    p.setBrush(QColor(255, 214, 120));
    for (const QRectF& window : lit)
        p.drawRect(window);
    p.fillRect(QRectF(0, river, w, h - river), vertical(river, h, {{0, QColor(60, 50, 80)}, {1, QColor(18, 20, 40)}}));
    for (const QRectF& window : lit) {
        if (window.bottom() < river - 0.12 * h)
            continue;
        p.setBrush(QColor(255, 214, 120, 70));
        p.drawRect(QRectF(window.x() - 2, 2 * river - window.bottom() + rng.bounded(6.0), 12, 3));
    }
}

const Scene scenes[] = {
    {{1600, 1200}, "Evening in the old harbour", harbourSunset},
    {{1920, 1280}, "The lake below the pass", alpineLake},
    {{1200, 1600}, "Lighthouse on the point", lighthouse},
    {{1600, 1200}, "Poppies beside the path", poppyMeadow},
    {{2000, 1333}, "Dunes at noon", desertDunes},
    {{1600, 1200}, "Camp under the stars", starryNight},
    {{1200, 1800}, "Balloons at dawn", balloons},
    {{1800, 1200}, "Back in the city", cityDusk},
};

const Scene& scene(int index)
{
    return scenes[std::clamp(index, 0, int(std::size(scenes)) - 1)];
}

} // namespace

int count()
{
    return int(std::size(scenes));
}

QSize size(int index)
{
    return scene(index).size;
}

QString caption(int index)
{
    return QString::fromUtf8(scene(index).caption);
}

QStringList writeAll(const QString& folder)
{
    QStringList paths;
    for (int i = 0; i < count(); ++i) {
        const Scene& s = scene(i);
        QImage image(s.size, QImage::Format_RGB32);
        image.fill(Qt::black);
        {
            QPainter painter(&image);
            painter.setRenderHint(QPainter::Antialiasing);
            s.paint(painter, s.size.width(), s.size.height());
        }
        const QString path = QDir(folder).filePath(QStringLiteral("scene-%1.jpg").arg(i + 1));
        if (!image.save(path, "JPEG", 90))
            return {};
        paths << path;
    }
    return paths;
}

} // namespace samplescenes
