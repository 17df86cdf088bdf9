#pragma once
// Two lists, "available" and "selected", with buttons that move items between them and
// order the selected ones; embedded by editor pages that choose a subset in order.
#include "chart/editors/TTeeForm.h"
#include "platform/TPersistent.h"

class TSelectListForm : public TTeeForm {
    Q_OBJECT
public:
    Q_INVOKABLE explicit TSelectListForm(QWidget* Owner = nullptr);
    ~TSelectListForm() override;

    QListWidget* FromList = nullptr;
    QListWidget* ToList = nullptr;
    QToolButton* BMoveUP = nullptr;
    QToolButton* BMoveDown = nullptr;
    QPushButton* BRightOne = nullptr;
    QPushButton* BRightAll = nullptr;
    QPushButton* BLeftOne = nullptr;
    QPushButton* BLeftAll = nullptr;
    QWidget* Panel1 = nullptr;

    // After every change of the selection or order.
    TNotifyEvent OnChange;

    void FormShow() override;
    void FromListDblClick();
    void ToListDblClick();
    void ToListClick();
    void BRightOneClick();
    void BRightAllClick();
    void BLeftOneClick();
    void BLeftAllClick();
    void BMoveUPClick(QObject* Sender);
    void EnableButtons();

private:
    void Changed();
};
