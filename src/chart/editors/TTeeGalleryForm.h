#pragma once
// The alternate series gallery: the series types listed on the left, the chosen type's
// variants as cells on the right.
#include <memory>

#include "chart/editors/TTeeForm.h"
#include "chart/engine/TeeSeriesTypes.h"

class TChart;
class TChartGalleryPanel;
class TChartListBox;

class TTeeGalleryForm : public TTeeForm {
    Q_OBJECT
public:
    Q_INVOKABLE explicit TTeeGalleryForm(QWidget* Owner = nullptr);
    ~TTeeGalleryForm() override;

    TChartGalleryPanel* ChartGalleryPanel1 = nullptr;
    TChartListBox* ChartListBox1 = nullptr;
    QWidget* Panel1 = nullptr;
    QComboBox* CBPage = nullptr;
    QCheckBox* CB3D = nullptr;
    QCheckBox* CBSmooth = nullptr;
    QPushButton* BOK = nullptr;
    QPushButton* BCancel = nullptr;

    // The hidden chart holding one series per listed type.
    TChart* Types() const { return FChart.get(); }

    void FormShow() override;
    void CBPageChange();
    void ChartListBox1Click();

protected:
    void keyPressEvent(QKeyEvent* Event) override;

private:
    std::unique_ptr<TChart> FChart;
    TChartSeriesClass FShownClass = nullptr;
};
