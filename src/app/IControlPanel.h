#pragma once
// The control panel as the main window sees it: the device commands of its menu, its
// visibility and place, and its ten channel panels.
#include "platform/AnsiString.h"

class IControlPanel {
public:
    virtual ~IControlPanel() = default;

    // The device commands on the active channel. The menu is the sender, so the panel asks
    // its confirmation texts.
    virtual void cmdKelvorStartCirculationClick(bool fromMenu) = 0;
    virtual void cmdKelvorStartClick(bool fromMenu) = 0;
    virtual void cmdKelvorStopClick(bool fromMenu) = 0;
    virtual void cmdDataToKelvorClick(bool fromMenu) = 0;

    virtual bool Visible() const = 0;
    virtual void SetVisible(bool visible) = 0;
    virtual void BringToFront() = 0;
    virtual int Width() const = 0;
    virtual int Height() const = 0;
    virtual void Move(int left, int top) = 0;

    // German (0) or English (1) captions and hints; the main window passes its language on.
    virtual void SetLanguage(int language) = 0;

    // Caption and Tag of channel panel 1..10 (Tag 1: panel in use).
    virtual void SetChannelPanel(int channel, const AnsiString& caption, int tag) = 0;
};
