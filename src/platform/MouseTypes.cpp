#include "platform/MouseTypes.h"

TShiftState ShiftStateOf(Qt::KeyboardModifiers Modifiers, Qt::MouseButtons Buttons)
{
    TShiftState s = 0;
    if (Modifiers & Qt::ShiftModifier) s |= ssShift;
    if (Modifiers & Qt::AltModifier) s |= ssAlt;
    if (Modifiers & Qt::ControlModifier) s |= ssCtrl;
    if (Buttons & Qt::LeftButton) s |= ssLeft;
    if (Buttons & Qt::RightButton) s |= ssRight;
    if (Buttons & Qt::MiddleButton) s |= ssMiddle;
    return s;
}

bool MouseButtonOf(Qt::MouseButton Button, TMouseButton& Result)
{
    switch (Button) {
        case Qt::LeftButton: Result = mbLeft; return true;
        case Qt::RightButton: Result = mbRight; return true;
        case Qt::MiddleButton: Result = mbMiddle; return true;
        default: return false;
    }
}

Qt::CursorShape CursorToQt(TCursor Cursor)
{
    switch (Cursor) {
        case crCross: return Qt::CrossCursor;
        case crSizeNS: return Qt::SizeVerCursor;
        case crSizeWE: return Qt::SizeHorCursor;
        case crHSplit: return Qt::SplitHCursor;
        case crVSplit: return Qt::SplitVCursor;
        case crHandPoint: return Qt::PointingHandCursor;
        case crSizeAll: return Qt::SizeAllCursor;
        default: return Qt::ArrowCursor;
    }
}
