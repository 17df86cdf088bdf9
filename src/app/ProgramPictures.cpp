#include "app/ProgramPictures.h"

#include <QFont>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QPolygonF>
#include <QRadialGradient>
#include <string_view>

#include "app/ProgramStartup.h"
#include "platform/TextLines.h"

namespace {

const QColor Navy(0x12, 0x2B, 0x45);
const QColor Mist(0xC8, 0xD7, 0xDE);
const QColor Snow(0xF4, 0xF6, 0xF7);
const QColor Signal(0xD9, 0x4F, 0x2B);
const QColor Water(0x2E, 0x86, 0xC1);
const QColor Ink(0x2B, 0x3A, 0x4A);

// ---- tool pictures, drawn on a 24 x 24 grid

void Pen(QPainter& p, const QColor& colour, double width = 1.2)
{
    p.setPen(QPen(colour, width, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
}

// A small window: white client, blue title bar, dark frame.
void Window(QPainter& p, const QRectF& r)
{
    Pen(p, Ink, 1.0);
    p.setBrush(Qt::white);
    p.drawRect(r);
    p.fillRect(QRectF(r.left() + 0.5, r.top() + 0.5, r.width() - 1, 3.5), QColor(0x3D, 0x6F, 0xB6));
}

void Page(QPainter& p, const QRectF& r)
{
    Pen(p, Ink, 1.0);
    p.setBrush(Qt::white);
    p.drawRect(r);
    Pen(p, QColor(0x8A, 0x99, 0xA8), 1.0);
    for (double y = r.top() + 3; y < r.bottom() - 1.5; y += 2.5)
        p.drawLine(QPointF(r.left() + 2, y), QPointF(r.right() - 2, y));
}

void Magnifier(QPainter& p)
{
    Pen(p, Ink, 3.0);
    p.drawLine(QPointF(14.5, 14.5), QPointF(21, 21));
    Pen(p, Ink, 1.6);
    p.setBrush(QColor(0xE3, 0xF1, 0xFA));
    p.drawEllipse(QPointF(9.5, 9.5), 7, 7);
}

// Axes of a small chart: a vertical axis at X with ticks, and the base line.
void Axes(QPainter& p, double x, bool ticksLeft)
{
    Pen(p, Ink, 1.4);
    p.drawLine(QPointF(x, 3), QPointF(x, 21));
    p.drawLine(QPointF(3, 21), QPointF(21, 21));
    Pen(p, Ink, 1.0);
    for (double y = 5; y < 20; y += 4) p.drawLine(QPointF(x, y), QPointF(ticksLeft ? x - 2 : x + 2, y));
}

void DoubleArrow(QPainter& p, double x, const QColor& colour)
{
    Pen(p, colour, 1.6);
    p.drawLine(QPointF(x, 5), QPointF(x, 17));
    p.setBrush(colour);
    p.setPen(Qt::NoPen);
    p.drawPolygon(QPolygonF({QPointF(x - 3, 7), QPointF(x, 3), QPointF(x + 3, 7)}));
    p.drawPolygon(QPolygonF({QPointF(x - 3, 15), QPointF(x, 19), QPointF(x + 3, 15)}));
}

void DrawTool(QPainter& p, TToolPicture which)
{
    switch (which) {
        case TToolPicture::Open: {
            Pen(p, QColor(0x8A, 0x64, 0x20), 1.0);
            p.setBrush(QColor(0xE8, 0xB8, 0x4A));
            p.drawPolygon(QPolygonF(
                {QPointF(2, 5), QPointF(8, 5), QPointF(10, 7), QPointF(19, 7), QPointF(19, 19), QPointF(2, 19)}));
            p.setBrush(QColor(0xF6, 0xD2, 0x7A));
            p.drawPolygon(QPolygonF({QPointF(2, 19), QPointF(6, 11), QPointF(23, 11), QPointF(19, 19)}));
            break;
        }
        case TToolPicture::Save: {
            Pen(p, QColor(0x1F, 0x3A, 0x63), 1.0);
            p.setBrush(QColor(0x3D, 0x6F, 0xB6));
            p.drawPolygon(QPolygonF({QPointF(3, 3), QPointF(18, 3), QPointF(21, 6), QPointF(21, 21), QPointF(3, 21)}));
            p.setBrush(Qt::white);
            p.drawRect(QRectF(6, 3, 11, 7));
            p.setBrush(QColor(0xC9, 0xD3, 0xDE));
            p.drawRect(QRectF(7, 14, 10, 7));
            p.fillRect(QRectF(13, 4.5, 2.5, 4), QColor(0x3D, 0x6F, 0xB6));
            break;
        }
        case TToolPicture::Cut: {
            Pen(p, QColor(0x5B, 0x66, 0x70), 1.8);
            p.drawLine(QPointF(7, 2), QPointF(14.5, 15));
            p.drawLine(QPointF(17, 2), QPointF(9.5, 15));
            Pen(p, QColor(0xC0, 0x39, 0x2B), 1.8);
            p.setBrush(Qt::NoBrush);
            p.drawEllipse(QPointF(7, 18), 3.3, 3.3);
            p.drawEllipse(QPointF(17, 18), 3.3, 3.3);
            break;
        }
        case TToolPicture::Copy:
            Page(p, QRectF(3, 2, 12, 15));
            Page(p, QRectF(9, 7, 12, 15));
            break;
        case TToolPicture::Paste: {
            Pen(p, QColor(0x6E, 0x4A, 0x22), 1.0);
            p.setBrush(QColor(0xB0, 0x7A, 0x3B));
            p.drawRoundedRect(QRectF(3, 4, 14, 18), 1.5, 1.5);
            p.setBrush(QColor(0xA8, 0xB2, 0xBC));
            p.drawRoundedRect(QRectF(7, 2, 6, 4), 1, 1);
            Page(p, QRectF(10, 9, 11, 13));
            break;
        }
        case TToolPicture::Cascade:
            Window(p, QRectF(2, 2, 13, 10));
            Window(p, QRectF(5.5, 6.5, 13, 10));
            Window(p, QRectF(9, 11, 13, 10));
            break;
        case TToolPicture::TileHorizontally:
            Window(p, QRectF(3, 2, 18, 9));
            Window(p, QRectF(3, 13, 18, 9));
            break;
        case TToolPicture::TileVertically:
            Window(p, QRectF(2, 3, 9, 18));
            Window(p, QRectF(13, 3, 9, 18));
            break;
        case TToolPicture::Overview:
            Magnifier(p);
            Pen(p, Ink, 1.8);
            p.drawLine(QPointF(6.5, 9.5), QPointF(12.5, 9.5));
            break;
        case TToolPicture::ZoomLimit:
            Magnifier(p);
            Pen(p, Signal, 1.6);
            p.drawLine(QPointF(6, 7.5), QPointF(13, 7.5));
            p.drawLine(QPointF(6, 11.5), QPointF(13, 11.5));
            break;
        case TToolPicture::ArrangeLeftAxis:
        case TToolPicture::ArrangeRightAxis: {
            const bool left = which == TToolPicture::ArrangeLeftAxis;
            Axes(p, left ? 9 : 15, left);
            DoubleArrow(p, left ? 4 : 20, left ? Water : Signal);
            QPainterPath curve;
            const double from = left ? 10 : 3, to = left ? 21 : 14;
            curve.moveTo(from, 16);
            curve.cubicTo(from + 4, 4, to - 4, 20, to, 8);
            Pen(p, left ? Water : Signal, 1.5);
            p.setBrush(Qt::NoBrush);
            p.drawPath(curve);
            break;
        }
        case TToolPicture::AutomaticStart: {
            Pen(p, Ink, 1.0);
            p.setBrush(Qt::white);
            p.drawRect(QRectF(2.5, 4, 17, 17));
            p.fillRect(QRectF(3, 4.5, 16, 4), QColor(0xC0, 0x39, 0x2B));
            Pen(p, Ink, 1.4);
            p.drawLine(QPointF(7, 2), QPointF(7, 6));
            p.drawLine(QPointF(15, 2), QPointF(15, 6));
            for (int row = 0; row < 3; ++row)
                for (int col = 0; col < 4; ++col)
                    p.fillRect(QRectF(4.5 + col * 3.5, 10.5 + row * 3.3, 2, 2), QColor(0x8A, 0x99, 0xA8));
            p.setPen(QPen(Qt::white, 1.0));
            p.setBrush(QColor(0x27, 0x9A, 0x3E));
            p.drawEllipse(QPointF(18, 18), 5, 5);
            p.setPen(Qt::NoPen);
            p.setBrush(Qt::white);
            p.drawPolygon(QPolygonF({QPointF(16.5, 15.5), QPointF(20.5, 18), QPointF(16.5, 20.5)}));
            break;
        }
        case TToolPicture::Ramp: {
            Pen(p, Ink, 1.4);
            p.drawLine(QPointF(3, 3), QPointF(3, 21));
            p.drawLine(QPointF(3, 21), QPointF(22, 21));
            Pen(p, Signal, 2.2);
            p.setBrush(Qt::NoBrush);
            p.drawPolyline(QPolygonF({QPointF(4, 17), QPointF(9, 17), QPointF(16, 6), QPointF(21, 6)}));
            p.setPen(Qt::NoPen);
            p.setBrush(Signal);
            p.drawEllipse(QPointF(16, 6), 2, 2);
            break;
        }
    }
}

}  // namespace

void DrawEmblem(QPainter& Painter, const QPointF& Centre, double Radius)
{
    QPainter& p = Painter;
    p.save();
    p.setRenderHint(QPainter::Antialiasing);
    p.translate(Centre);
    p.scale(Radius / 86.0, Radius / 86.0);

    QRadialGradient glow(QPointF(0, 0), 92);
    glow.setColorAt(0, QColor(0x3B, 0x8E, 0xA5));
    glow.setColorAt(1, Navy);
    p.setPen(QPen(Mist, 6));
    p.setBrush(glow);
    p.drawEllipse(QPointF(0, 0), 86, 86);
    p.setPen(Qt::NoPen);
    p.setBrush(Water);
    p.drawChord(QRectF(-83, -83, 166, 166), -20 * 16, -140 * 16);
    p.setPen(QPen(QColor(0xE8, 0xF4, 0xF8), 3));
    p.setBrush(Qt::NoBrush);
    for (int wave = 0; wave < 2; ++wave) {
        QPainterPath path;
        const double y = 36 + wave * 14;
        path.moveTo(-60, y);
        for (int k = 0; k < 4; ++k) path.quadTo(-45 + k * 30, y + (k % 2 ? 7 : -7), -30 + k * 30, y);
        p.drawPath(path);
    }
    p.setPen(QPen(Navy, 3));
    p.setBrush(Snow);
    p.drawRoundedRect(QRectF(-11, -68, 22, 100), 11, 11);
    p.drawEllipse(QPointF(0, 40), 20, 20);
    p.setPen(Qt::NoPen);
    p.setBrush(Signal);
    p.drawEllipse(QPointF(0, 40), 14, 14);
    p.drawRect(QRectF(-5, -30, 10, 66));
    p.setPen(QPen(Navy, 2));
    for (int tick = 0; tick < 5; ++tick) {
        const double y = -52 + tick * 18;
        p.drawLine(QPointF(11, y), QPointF(20, y));
    }
    p.restore();
}

QPixmap BigBackGroundPicture(const QSize& Size)
{
    QPixmap picture(Size);
    picture.fill(Qt::transparent);
    QPainter p(&picture);
    p.setRenderHint(QPainter::Antialiasing);
    // Drawn on the design's grid, whatever the size.
    const double k = double(Size.width()) / BigBackGroundPictureSize.width();
    p.scale(k, double(Size.height()) / BigBackGroundPictureSize.height());

    // A faint temperature curve across the lower part: heating, holding, cooling.
    QPainterPath curve;
    curve.moveTo(40, 600);
    curve.cubicTo(220, 600, 260, 430, 400, 430);
    curve.lineTo(640, 430);
    curve.cubicTo(760, 430, 800, 560, 984, 560);
    p.setPen(QPen(QColor(255, 255, 255, 60), 10, Qt::SolidLine, Qt::RoundCap));
    p.drawPath(curve);
    p.setPen(QPen(QColor(0xD9, 0x4F, 0x2B, 90), 4, Qt::SolidLine, Qt::RoundCap));
    p.drawPath(curve);

    p.setOpacity(0.55);
    DrawEmblem(p, QPointF(512, 280), 150);
    p.setOpacity(0.8);
    QFont name("DejaVu Sans");
    name.setPixelSize(46);
    name.setBold(true);
    p.setFont(name);
    p.setPen(QColor(0xF4, 0xF6, 0xF7));
    p.drawText(QRectF(0, 452, 1024, 60), Qt::AlignCenter, Q(startup::ApplicationTitle));
    return picture;
}

QIcon ApplicationSymbol()
{
    QIcon icon;
    for (int size : {16, 32, 48}) {
        QPixmap symbol(size, size);
        symbol.fill(Qt::transparent);
        QPainter p(&symbol);
        // The ring's pen reaches 3 units beyond its radius.
        DrawEmblem(p, QPointF(size / 2.0, size / 2.0), size / 2.0 * 86.0 / 89.0);
        p.end();
        icon.addPixmap(symbol);
    }
    return icon;
}

QIcon ToolPicture(TToolPicture Which)
{
    QIcon icon;
    for (int size : {24, 48}) {
        QPixmap picture(size, size);
        picture.fill(Qt::transparent);
        QPainter p(&picture);
        p.setRenderHint(QPainter::Antialiasing);
        p.scale(size / 24.0, size / 24.0);
        DrawTool(p, Which);
        p.end();
        icon.addPixmap(picture);
    }
    return icon;
}
