#pragma once
// The gallery of chart tool types: "Series", "Axis" and "Other" tabs over a list of the
// registered tool types; the user picks one to add.
#include "chart/editors/TTeeForm.h"
#include "chart/engine/TeeSeriesTypes.h"
#include "platform/GraphicsTypes.h"

class TCanvas;
class TTeeCustomTool;

class TTeeToolsGallery : public TTeeForm {
    Q_OBJECT
public:
    Q_INVOKABLE explicit TTeeToolsGallery(QWidget* Owner = nullptr);
    ~TTeeToolsGallery() override;

    QPushButton* BOk = nullptr;
    QTabBar* TabControl1 = nullptr;
    QListWidget* LBTool = nullptr;

    // The tool class of the selected row, or null.
    TTeeCustomToolClass SelectedTool() const;
    TTeeCustomToolClass ToolAtIndex(int Index) const;

    void FormShow() override;
    void TabControl1Change();
    void LBToolDrawItem(TCanvas* Canvas, int Index, const TRect& Rect, bool Selected);
    void LBToolDblClick();
    void FillTools();
};

// A new tool of Class (owned by Owner), or null when the class cannot be made.
TTeeCustomTool* TeeCreateTool(TTeeCustomToolClass Class, QObject* Owner = nullptr);
// The text a tool type is listed with.
AnsiString TeeToolDescription(TTeeCustomToolClass Class);
// Draws one tool row: its picture and its text.
void TeeDrawTool(TCanvas* Canvas, const AnsiString& Text, const TRect& Rect, bool Selected, TTeeCustomTool* Tool);
