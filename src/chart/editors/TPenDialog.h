#pragma once
// The pen editor: visibility, width, style, colour and end style of a pen, changed in
// place; Cancel puts back what the dialog changed.
#include <memory>

#include "chart/editors/TTeeForm.h"
#include "platform/GraphicsTypes.h"

class TCanvas;
class TChartPen;
class TPen;

class TPenDialog : public TTeeForm {
    Q_OBJECT
public:
    Q_INVOKABLE explicit TPenDialog(QWidget* Owner = nullptr);
    ~TPenDialog() override;

    QCheckBox* CBVisible = nullptr;
    // The width edit and its up-down are one spin box (minimum 1).
    QSpinBox* SEWidth = nullptr;
    QPushButton* BOk = nullptr;
    QPushButton* BCancel = nullptr;
    TComboFlat* CBStyle = nullptr;
    TButtonColor* BColor = nullptr;
    TComboFlat* CBEndStyle = nullptr;

    // The pen being edited (not owned); may be null.
    TPen* EditedPen = nullptr;
    bool Modified() const { return FModified; }

    void FormShow() override;
    void FormClose() override;
    void CBVisibleClick();
    void SEWidthChange();
    void CBStyleChange();
    void CBStyleDrawItem(TCanvas* Canvas, int Index, const TRect& Rect, bool Selected);
    void BColorClick();
    void CBEndStyleChange();
    void BCancelClick();

private:
    void EnablePenStyle();
    TChartPen* EditedChartPen() const;
    bool IsSmallDotsItem(int Index) const;

    std::unique_ptr<TChartPen> BackupPen;
    bool FModified = false;
};
