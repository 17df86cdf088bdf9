#include "platform/MouseTypes.h"

#include <iterator>

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
        case crNone: return Qt::BlankCursor;
        case crCross: return Qt::CrossCursor;
        case crIBeam: return Qt::IBeamCursor;
        case crSizeNESW: return Qt::SizeBDiagCursor;
        case crSizeNS: return Qt::SizeVerCursor;
        case crSizeNWSE: return Qt::SizeFDiagCursor;
        case crSizeWE: return Qt::SizeHorCursor;
        case crUpArrow: return Qt::UpArrowCursor;
        case crHourGlass:
        case crSQLWait: return Qt::WaitCursor;
        case crDrag:
        case crMultiDrag: return Qt::DragCopyCursor;
        case crNoDrop:
        case crNo: return Qt::ForbiddenCursor;
        case crHSplit: return Qt::SplitHCursor;
        case crVSplit: return Qt::SplitVCursor;
        case crAppStart: return Qt::BusyCursor;
        case crHelp: return Qt::WhatsThisCursor;
        case crHandPoint: return Qt::PointingHandCursor;
        case crSizeAll: return Qt::SizeAllCursor;
        default: return Qt::ArrowCursor;
    }
}

namespace {

constexpr TCursorIdent Idents[] = {
    {crDefault, "crDefault"},     {crNone, "crNone"},           {crArrow, "crArrow"},
    {crCross, "crCross"},         {crIBeam, "crIBeam"},         {crSizeNESW, "crSizeNESW"},
    {crSizeNS, "crSizeNS"},       {crSizeNWSE, "crSizeNWSE"},   {crSizeWE, "crSizeWE"},
    {crUpArrow, "crUpArrow"},     {crHourGlass, "crHourGlass"}, {crDrag, "crDrag"},
    {crNoDrop, "crNoDrop"},       {crHSplit, "crHSplit"},       {crVSplit, "crVSplit"},
    {crMultiDrag, "crMultiDrag"}, {crSQLWait, "crSQLWait"},     {crNo, "crNo"},
    {crAppStart, "crAppStart"},   {crHelp, "crHelp"},           {crHandPoint, "crHandPoint"},
    {crSizeAll, "crSizeAll"},
};

bool SameIdent(const char* a, const char* b)
{
    for (; *a && *b; ++a, ++b) {
        const char ca = (*a >= 'A' && *a <= 'Z') ? char(*a - 'A' + 'a') : *a;
        const char cb = (*b >= 'A' && *b <= 'Z') ? char(*b - 'A' + 'a') : *b;
        if (ca != cb) return false;
    }
    return *a == *b;
}

}  // namespace

const TCursorIdent* CursorIdents(int& Count)
{
    Count = int(std::size(Idents));
    return Idents;
}

bool CursorToIdent(TCursor Cursor, const char*& Ident)
{
    for (const TCursorIdent& c : Idents)
        if (c.Cursor == Cursor) {
            Ident = c.Ident;
            return true;
        }
    return false;
}

bool IdentToCursor(const char* Ident, TCursor& Cursor)
{
    if (!Ident) return false;
    for (const TCursorIdent& c : Idents)
        if (SameIdent(c.Ident, Ident)) {
            Cursor = c.Cursor;
            return true;
        }
    return false;
}
