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
constexpr TCursor crArrow = -2;
constexpr TCursor crCross = -3;
constexpr TCursor crSizeNS = -7;
constexpr TCursor crSizeWE = -9;
constexpr TCursor crHSplit = -14;
constexpr TCursor crVSplit = -15;
constexpr TCursor crHandPoint = -21;
constexpr TCursor crSizeAll = -22;
Qt::CursorShape CursorToQt(TCursor Cursor);
