#pragma once
// The program's own pictures, drawn here: the emblem (a thermometer standing in a bath,
// inside a ring), the main window's background picture, the application symbol and the
// pictures of the tool bar's buttons.
#include <QIcon>
#include <QPixmap>
#include <QSize>

class QPainter;
class QPointF;

// The emblem centred on Centre, its ring of radius Radius.
void DrawEmblem(QPainter& Painter, const QPointF& Centre, double Radius);

// The background picture keeps these proportions whatever size it is drawn at.
constexpr QSize BigBackGroundPictureSize(1024, 717);
// The background picture at Size (transparent where the work space shows through).
QPixmap BigBackGroundPicture(const QSize& Size);

// The application's symbol (16, 32 and 48 pixels).
QIcon ApplicationSymbol();

enum class TToolPicture {
    Open,
    Save,
    Cut,
    Copy,
    Paste,
    Cascade,
    TileHorizontally,
    TileVertically,
    Overview,
    ArrangeLeftAxis,
    ArrangeRightAxis,
    ZoomLimit,
    AutomaticStart,
    Ramp,
};
// A tool button's picture (24 pixels, and 48 for dense screens).
QIcon ToolPicture(TToolPicture Which);
