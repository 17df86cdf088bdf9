#pragma once
// The small box that the file reading and the data import show while they work.
#include <QDialog>

class QLabel;

class TfrmWait : public QDialog {
    Q_OBJECT
public:
    explicit TfrmWait(QWidget* owner = nullptr);
    ~TfrmWait() override;
    // Shows the box with the text, grown to hold all of it in the box's font.
    void ShowText(const QString& text);
    QLabel* txtWait = nullptr;
};

extern TfrmWait* frmWait;
