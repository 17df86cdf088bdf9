#pragma once
// Enumerations of the chart panel stored in chart files, the events the panel broadcasts
// and its list of listeners.
#include <QObject>
#include <vector>

#include "chart/engine/TeeUnits.h"
#include "platform/MouseTypes.h"

class TCustomTeePanel;

namespace teepanel {
Q_NAMESPACE
enum TPanningMode { pmNone, pmHorizontal, pmVertical, pmBoth };
Q_ENUM_NS(TPanningMode)
enum TTeeZoomDirection { tzdHorizontal, tzdVertical, tzdBoth };
Q_ENUM_NS(TTeeZoomDirection)
enum TTeeBackImageMode { pbmStretch, pbmTile, pbmCenter, pbmCustom };
Q_ENUM_NS(TTeeBackImageMode)
enum TChartObjectShapeStyle { fosRectangle, fosRoundRectangle };
Q_ENUM_NS(TChartObjectShapeStyle)
enum TTextFormat { ttfNormal, ttfHtml };
Q_ENUM_NS(TTextFormat)
}  // namespace teepanel
using teepanel::TChartObjectShapeStyle;
using teepanel::TPanningMode;
using teepanel::TTeeBackImageMode;
using teepanel::TTeeZoomDirection;
using teepanel::TTextFormat;
using enum teepanel::TPanningMode;
using enum teepanel::TTeeZoomDirection;
using enum teepanel::TTeeBackImageMode;
using enum teepanel::TChartObjectShapeStyle;
using enum teepanel::TTextFormat;

// Events are plain objects made for one broadcast.
class TTeeEvent {
public:
    virtual ~TTeeEvent() = default;
    TCustomTeePanel* Sender = nullptr;
};

enum TTeeMouseEventKind { meDown, meUp, meMove };

class TTeeMouseEvent : public TTeeEvent {
public:
    TTeeMouseEventKind Event = meDown;
    TMouseButton Button = mbLeft;
    TShiftState Shift = 0;
    int X = 0;
    int Y = 0;
};

// Sent when the panel's View3D changes.
class TTeeView3DEvent : public TTeeEvent {};

class ITeeEventListener {
public:
    virtual ~ITeeEventListener() = default;
    virtual void TeeEvent(TTeeEvent* Event) = 0;
};

// The listeners of a panel, in the order they registered. The list does not own them: a
// listener removes itself before it goes away.
class TTeeEventListeners {
public:
    // The index of Listener, appended when it is not yet in the list.
    int Add(ITeeEventListener* Listener);
    // The former index of Listener, or -1 when it was not in the list.
    int Remove(ITeeEventListener* Listener);
    int IndexOf(const ITeeEventListener* Listener) const;
    ITeeEventListener* Get(int Index) const { return FItems.at(std::size_t(Index)); }
    int Count() const { return int(FItems.size()); }
    const std::vector<ITeeEventListener*>& Items() const { return FItems; }

private:
    std::vector<ITeeEventListener*> FItems;
};
