#pragma once
// The "Tools" page of the chart editor: the chart's tools in their drawing order (tools
// for internal use left out), adding one from the tools gallery, deleting, switching on
// and off, moving up and down, and the selected tool's own editor embedded beside the list.
#include <functional>

#include "chart/editors/TTeeForm.h"

class TCustomChart;
class TTeeCustomTool;

class TFormTeeTools : public TTeeForm {
    Q_OBJECT
public:
    Q_INVOKABLE explicit TFormTeeTools(QWidget* Owner = nullptr);
    QPushButton* BAdd = nullptr;
    QPushButton* BDelete = nullptr;
    QCheckBox* CBActive = nullptr;
    QToolButton* BMoveUp = nullptr;
    QToolButton* BMoveDown = nullptr;
    QListWidget* LBTools = nullptr;
    QWidget* PanelToolEditor = nullptr;
    QLabel* PBottom = nullptr;

    // The chart edited (the page's Tag).
    TCustomChart* Chart() const;
    // Set by the chart editor.
    std::function<void(TFormTeeTools* Sender, TTeeCustomTool* Tool)> OnAddTool;
    std::function<void(TFormTeeTools* Sender, TTeeCustomTool* Tool)> OnDeleteTool;

    TTeeCustomTool* CurrentTool() const;
    TTeeCustomTool* RowTool(int Row) const;
    // The tool editor embedded in PanelToolEditor, or null.
    TTeeForm* ToolEditor() const;
    // Selects the row of Tool (when listed) and shows it.
    void SelectTool(TTeeCustomTool* Tool);

    void FillTools();
    void FillAndSet();
    void Reload();
    void DeleteForm();
    void SwapTool(int A, int B);
    void EnableButtons();

    void FormShow() override;
    void LBToolsClick();
    void BAddClick();
    void BDeleteClick();
    void CBActiveClick();
    void BMoveUpClick();
    void BMoveDownClick();

private:
    TTeeCustomTool* FShownTool = nullptr;
};
