#pragma once
// The title window: the product picture with the program title, shown for three seconds at
// start-up and as the information box of the help menu.
#include <QWidget>

class QFrame;
class QLabel;

class TfrmTitleControl : public QWidget {
    Q_OBJECT
public:
    // Registers itself with the main window (when there is one).
    explicit TfrmTitleControl(QWidget* owner = nullptr);
    ~TfrmTitleControl() override;

    QFrame* TitlePanel = nullptr;
    QLabel* TitleImage = nullptr;
    QLabel* txtTitle = nullptr;

    // The single border of the panel (the information box with channel windows open).
    void SetPanelBorder(bool single);
    bool PanelBorder() const;
};

extern TfrmTitleControl* frmTitleControl;
