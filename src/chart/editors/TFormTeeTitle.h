#pragma once
// The Titles page of the chart editor: one of the chart's four titles at a time (title,
// subtitle, subfoot, foot), its text, visibility, frame adjustment, alignment and custom
// position, with the shape editor's tabs for its frame, font, gradient and shadow.
#include "chart/editors/TTeeForm.h"

class TChartTitle;
class TCustomChart;
class TFormTeeShape;

class TFormTeeTitle : public TTeeForm {
    Q_OBJECT
public:
    Q_INVOKABLE explicit TFormTeeTitle(QWidget* Owner = nullptr) : TFormTeeTitle(Owner, nullptr, nullptr) {}
    TFormTeeTitle(QWidget* Owner, TCustomChart* AChart, TChartTitle* ATitle);

    QComboBox* CBTitles = nullptr;
    QTabWidget* PageControlTitle = nullptr;
    QPlainTextEdit* MText = nullptr;
    QCheckBox* CBVisible = nullptr;
    QCheckBox* CBAdjust = nullptr;
    QComboBox* CBAlign = nullptr;
    QCheckBox* CBCustPos = nullptr;
    QSpinBox* ECustLeft = nullptr;
    QSpinBox* ECustTop = nullptr;

    TCustomChart* Chart = nullptr;
    TChartTitle* Title = nullptr;
    TFormTeeShape* ShapeEditor = nullptr;

    // Shows another title (the tree and the embedded editor use it).
    void SelectTitle(TChartTitle* ATitle);
    void FormShow() override;
    void CBTitlesChange();
    void SetTitleControls();
    void EnableCustomPosition();
    bool CanChangeCust() const;
    void MTextChange();

private:
    TChartTitle* TitleOfRow(int Row) const;
    int RowOfTitle(const TChartTitle* ATitle) const;
    // Puts the title's position into the spin boxes without writing it back.
    void ShowPosition();
    bool FSettingMemo = false;
    bool FSettingPosition = true;
};
