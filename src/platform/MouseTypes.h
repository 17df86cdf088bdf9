#pragma once
// Mouse buttons, shift states and cursors as the class library names them.
#include <Qt>

enum TMouseButton { mbLeft, mbRight, mbMiddle };

// Shift state: a set of the bits below.
using TShiftState = int;
constexpr TShiftState ssShift = 1;
constexpr TShiftState ssAlt = 2;
constexpr TShiftState ssCtrl = 4;
constexpr TShiftState ssLeft = 8;
constexpr TShiftState ssRight = 16;
constexpr TShiftState ssMiddle = 32;
constexpr TShiftState ssDouble = 64;

// The keys and buttons of a Qt event as a shift state.
TShiftState ShiftStateOf(Qt::KeyboardModifiers Modifiers, Qt::MouseButtons Buttons);
// The button of a Qt event; false for buttons the class library does not know.
bool MouseButtonOf(Qt::MouseButton Button, TMouseButton& Result);

// Cursor identifiers.
using TCursor = int;
constexpr TCursor crDefault = 0;
constexpr TCursor crNone = -1;
constexpr TCursor crArrow = -2;
constexpr TCursor crCross = -3;
constexpr TCursor crIBeam = -4;
constexpr TCursor crSizeNESW = -6;
constexpr TCursor crSizeNS = -7;
constexpr TCursor crSizeNWSE = -8;
constexpr TCursor crSizeWE = -9;
constexpr TCursor crUpArrow = -10;
constexpr TCursor crHourGlass = -11;
constexpr TCursor crDrag = -12;
constexpr TCursor crNoDrop = -13;
constexpr TCursor crHSplit = -14;
constexpr TCursor crVSplit = -15;
constexpr TCursor crMultiDrag = -16;
constexpr TCursor crSQLWait = -17;
constexpr TCursor crNo = -18;
constexpr TCursor crAppStart = -19;
constexpr TCursor crHelp = -20;
constexpr TCursor crHandPoint = -21;
constexpr TCursor crSizeAll = -22;
Qt::CursorShape CursorToQt(TCursor Cursor);

// The platform's cursor identifiers ("crDefault" ... "crSizeAll"), in the order of their
// values from crDefault down.
struct TCursorIdent {
    TCursor Cursor;
    const char* Ident;
};
const TCursorIdent* CursorIdents(int& Count);
// The identifier of a platform cursor; false for other values.
bool CursorToIdent(TCursor Cursor, const char*& Ident);
// The cursor of a platform identifier (case-insensitive); false for other names.
bool IdentToCursor(const char* Ident, TCursor& Cursor);
