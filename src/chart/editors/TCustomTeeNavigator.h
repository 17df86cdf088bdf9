#pragma once
// A bar of nine small flat buttons (first, prior, next, last, insert, delete, edit, post,
// cancel) in the manner of a record navigator. It lays the buttons out, moves the keyboard
// focus among them, repeats a held button and reports clicks; derived navigators decide
// what the buttons do and which are shown.
#include <QPointer>
#include <QStringList>
#include <QToolButton>
#include <array>
#include <functional>
#include <memory>

#include "chart/engine/TeePanelTypes.h"
#include "platform/TCustomPanel.h"

class TCustomTeePanel;
class TCustomTeeNavigator;

enum TTeeNavigateBtn { nbFirst, nbPrior, nbNext, nbLast, nbInsert, nbDelete, nbEdit, nbPost, nbCancel };
using TTeeButtonSet = unsigned;  // bit (1 << button)
using TNotifyButtonClickedEvent = std::function<void(QObject* Sender, TTeeNavigateBtn Index)>;

// The repeat timer of a held button; tests give the navigator one they fire by hand.
class TTeeTimer {
public:
    virtual ~TTeeTimer() = default;
    // (Re)starts with Interval milliseconds.
    virtual void Start(int Interval) = 0;
    virtual void Stop() = 0;
    virtual int Interval() const = 0;
    virtual bool Active() const = 0;
    std::function<void()> OnTimer;
};
using TTeeTimerFactory = std::function<std::unique_ptr<TTeeTimer>()>;

class TTeeNavButton : public QToolButton {
    Q_OBJECT
public:
    TTeeNavButton(TCustomTeeNavigator* Navigator, TTeeNavigateBtn Index);
    TTeeNavigateBtn Index;
    TTeeTimer* RepeatTimer() const { return FRepeatTimer.get(); }
    bool Held() const { return FHeld; }
    // A press and a release of the mouse button on it.
    void Press();
    void Release();

protected:
    void mousePressEvent(QMouseEvent* Event) override;
    void mouseReleaseEvent(QMouseEvent* Event) override;
    void paintEvent(QPaintEvent* Event) override;

private:
    void TimerExpired();
    TCustomTeeNavigator* FNavigator;
    std::unique_ptr<TTeeTimer> FRepeatTimer;
    bool FHeld = false;
};

class TCustomTeeNavigator : public TCustomPanel, public ITeeEventListener {
    Q_OBJECT
public:
    explicit TCustomTeeNavigator(QWidget* Parent = nullptr);
    ~TCustomTeeNavigator() override;

    // ---- virtual operations, in their order
    virtual void InitButtons();
    virtual void DoTeeEvent(TTeeEvent*) {}
    virtual void SetPanel(TCustomTeePanel* Value);
    virtual void EnableButtons() {}
    virtual int PageCount() { return 1; }
    virtual void Print() {}
    // A button was pressed: EnableButtons, then OnButtonClicked.
    virtual void BtnClick(TTeeNavigateBtn Index);

    TTeeNavButton* Button(TTeeNavigateBtn Index) const { return FButtons[Index]; }
    TCustomTeePanel* Panel() const { return FPanel; }
    TTeeNavigateBtn FocusedButton() const { return FFocusedButton; }
    // Lines replacing the default hints of the buttons in order (empty lines keep them).
    const QStringList& Hints() const { return FHints; }
    void SetHints(const QStringList& Value);
    TNotifyButtonClickedEvent OnButtonClicked;
    // The navigator fills a side of its parent: its width is given, not rounded down.
    bool Aligned = false;
    // Makes the repeat timers of the buttons (a Qt timer by default).
    TTeeTimerFactory TimerFactory;

    // Lays out the buttons for a requested size (the size may grow, or shrink to whole
    // buttons when not aligned).
    void SetSize(int Width, int Height);
    void KeyDown(int Key);
    void Loaded() override;

    void TeeEvent(TTeeEvent* Event) override;

protected:
    void resizeEvent(QResizeEvent* Event) override;
    void paintEvent(QPaintEvent* Event) override;
    void keyPressEvent(QKeyEvent* Event) override;
    void focusInEvent(QFocusEvent* Event) override;
    void focusOutEvent(QFocusEvent* Event) override;
    void changeEvent(QEvent* Event) override;

private:
    friend class TTeeNavButton;
    void ApplyHints();
    void ButtonMouseDown(TTeeNavButton* Button);
    void SetFocusedButton(TTeeNavigateBtn Index);
    // The nearest visible button before (Step -1) or after (Step 1) the focused one takes the focus.
    void FocusVisibleButton(int Step);

    std::array<TTeeNavButton*, 9> FButtons{};
    TTeeNavigateBtn FFocusedButton = nbFirst;
    QStringList FHints;
    QStringList FDefaultHints;
    TCustomTeePanel* FPanel = nullptr;
    bool FSizing = false;
};

constexpr int TeeNavMinButtonWidth = 20;
constexpr int TeeNavMinButtonHeight = 18;
