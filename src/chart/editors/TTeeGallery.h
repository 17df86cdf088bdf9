#pragma once
// The tabbed series gallery: a "Series" and a "Functions" tab, below them one tab per
// gallery page, and the page's cells.
#include "chart/editors/TTeeForm.h"

class TChartGalleryPanel;

class TTeeGallery : public TTeeForm {
    Q_OBJECT
public:
    Q_INVOKABLE explicit TTeeGallery(QWidget* Owner = nullptr);
    ~TTeeGallery() override;

    QWidget* P1 = nullptr;
    QPushButton* BOk = nullptr;
    QPushButton* BCancel = nullptr;
    QCheckBox* CB3D = nullptr;
    QCheckBox* CBSmooth = nullptr;
    QTabBar* TabTypes = nullptr;
    QTabBar* TabPages = nullptr;
    TChartGalleryPanel* ChartGalleryPanel1 = nullptr;

    void FormShow() override;
    void TabTypesChange();
    void TabPagesChange();
    void CB3DClick();
    void CBSmoothClick();
    // Offers plain series types only.
    void HideFunctions();
    void HideButtons();

private:
    bool FunctionsTabActive() const;
};
