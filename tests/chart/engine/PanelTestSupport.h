#pragma once
// Panels for tests: count invalidations and draw what the test asks for inside the frame.
#include <functional>
#include <string>
#include <vector>

#include "chart/engine/TCustomTeePanelExtended.h"
#include "support/RecordingCanvas.h"

template <typename Base>
class TCountingPanel : public Base {
public:
    using Base::Base;
    void Invalidate() override
    {
        if (this->AutoRepaint) ++Invalidates;
        Base::Invalidate();
    }
    void InternalDraw(const TRect& R) override
    {
        Base::InternalDraw(R);
        if (OnInternalDraw) OnInternalDraw(R);
    }
    // Installs a recording canvas (the panel owns it) and returns it.
    support::TRecordingCanvas* UseRecordingCanvas()
    {
        auto* c = new support::TRecordingCanvas;
        this->SetInternalCanvas(c);
        c->Clear();
        return c;
    }
    int Invalidates = 0;
    std::function<void(const TRect&)> OnInternalDraw;
};

using TTestPanel = TCountingPanel<TCustomTeePanel>;
using TTestPanelExtended = TCountingPanel<TCustomTeePanelExtended>;

// A listener that logs what reaches it and may cancel mouse handling.
class TLoggingListener : public ITeeEventListener {
public:
    TLoggingListener(std::vector<std::string>& Log, std::string Name) : FLog(Log), FName(std::move(Name)) {}
    void TeeEvent(TTeeEvent* Event) override
    {
        std::string kind = "event";
        if (auto* m = dynamic_cast<TTeeMouseEvent*>(Event))
            kind = std::string(m->Event == meDown ? "down"
                               : m->Event == meUp ? "up"
                                                  : "move") +
                   "(" + std::to_string(m->X) + "," + std::to_string(m->Y) + ")";
        else if (dynamic_cast<TTeeView3DEvent*>(Event))
            kind = "view3d";
        FLog.push_back(FName + ":" + kind);
        if (Cancel && Event->Sender) Event->Sender->CancelMouse = true;
        if (OnEvent) OnEvent(Event);
    }
    bool Cancel = false;
    std::function<void(TTeeEvent*)> OnEvent;

private:
    std::vector<std::string>& FLog;
    std::string FName;
};

#include <QCoreApplication>
#include <QMouseEvent>

// Sends a mouse event through the widget's own event handling.
inline void SendMouse(QWidget* w, QEvent::Type type, int x, int y, Qt::MouseButton button, Qt::MouseButtons buttons,
                      Qt::KeyboardModifiers mods = Qt::NoModifier)
{
    const QPointF local(x, y);
    QMouseEvent ev(type, local, w->mapToGlobal(local), button, buttons, mods);
    QCoreApplication::sendEvent(w, &ev);
}
