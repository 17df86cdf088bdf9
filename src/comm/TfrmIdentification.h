#pragma once
// The small stay-on-top dialog that shows the progress and the outcome of a device
// identification. The user can only press OK once the identification has ended.
#include <QDialog>
#include <cstdint>

#include "platform/AnsiString.h"

class QPlainTextEdit;
class QProgressBar;
class QPushButton;

class TfrmIdentification : public QDialog {
public:
    explicit TfrmIdentification(QWidget* owner = nullptr);

    // Result and OK flag belong to this window, so two identifications never mix them.
    void SetResult(std::uint8_t result) { result_ = result; }
    std::uint8_t GetResult() const { return result_; }
    std::uint8_t GetOkPressed() const { return okPressed_; }
    void bitOKClick();

    // What the identification does with the window.
    void SetCaption(const AnsiString& text);
    void MemoClear();
    void MemoAdd(const AnsiString& line);
    AnsiString MemoLines() const;  // lines joined with '\n'
    // Scrolls the memo back to its first line (the verdict of a failure).
    void ShowFirstLine();
    int FirstVisibleLine() const;
    // Background and font colour of the memo (0x00BBGGRR).
    void SetMemoColors(std::uint32_t background, std::uint32_t font);
    std::uint32_t MemoColor() const { return memoColor_; }
    std::uint32_t MemoFontColor() const { return memoFontColor_; }
    void StepIt();
    void SetPosition(int position);
    int Position() const;
    int Max() const;
    void SetOkEnabled(bool enabled);
    bool OkEnabled() const;
    void FocusOk();

    QProgressBar* proIdentification;
    QPlainTextEdit* memIdentification;
    QPushButton* bitOK;
    int Tag = 0;
    int Beeps = 0;  // times the window called the user back

protected:
    void changeEvent(QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void reject() override;

private:
    std::uint8_t result_ = 0;
    std::uint8_t okPressed_ = 0;
    std::uint32_t memoColor_ = 0xFFFFFF;
    std::uint32_t memoFontColor_ = 0;
};
