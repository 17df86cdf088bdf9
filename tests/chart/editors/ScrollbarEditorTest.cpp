// The scroll bar tool's editor: found by the name the tool gives, shows the tool's values
// and changes the tool, and opens the pen, brush and gradient dialogs on the right parts.
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QComboBox>
#include <QPushButton>
#include <QSpinBox>

#include "EditorTestSupport.h"
#include "chart/editors/TBrushDialog.h"
#include "chart/editors/TButtonPen.h"
#include "chart/editors/TScrollbarEditor.h"
#include "chart/editors/TTeeGradientEditor.h"
#include "chart/editors/TeeEditorClasses.h"
#include "chart/editors/TeeEditors.h"
#include "chart/engine/TCustomChart.h"
#include "chart/series/TeeLegendScrollBar.h"

namespace {

TEST(ScrollbarEditor, EditsTheLegendScrollBarItIsOpenedFor)
{
    RegisterTeeEditors();
    TChart chart;
    auto* tool = new TLegendScrollBar(&chart);
    tool->SetParentChart(&chart);
    tool->SetSize(12);
    tool->SetBevel(bvLowered);
    tool->AutoRepeat = false;

    const std::unique_ptr<TTeeForm> form(CreateTeeEditorFor(tool, nullptr));
    auto* edit = qobject_cast<TScrollbarEditor*>(form.get());
    ASSERT_NE(edit, nullptr);
    EXPECT_EQ(edit->windowTitle(), "ScrollbarEditor");
    edit->SetTag(tool);
    edit->FormShow();
    EXPECT_EQ(edit->ESize->value(), 12);
    EXPECT_EQ(edit->CBBevel->currentIndex(), 1);
    EXPECT_EQ(edit->EDelay->value(), 250);
    EXPECT_FALSE(edit->CBAutoRepeat->isChecked());
    EXPECT_EQ(edit->BBorder->GetPen(), tool->Pen());

    edit->ESize->setValue(300);
    edit->ESize->setValue(301);  // beyond the range: stays at 300
    EXPECT_EQ(tool->GetSize(), 300);
    edit->CBBevel->activated(0);
    EXPECT_EQ(tool->GetBevel(), bvNone);
    edit->EDelay->setValue(500);
    EXPECT_EQ(tool->InitialDelay, 500);
    edit->CBAutoRepeat->setChecked(true);
    EXPECT_TRUE(tool->AutoRepeat);

    // Each button opens its dialog on its own part of the tool.
    QObject* edited = nullptr;
    ModalScript script([&](TTeeForm& dialog) {
        if (auto* b = qobject_cast<TBrushDialog*>(&dialog)) edited = b->EditedBrush;
        if (auto* g = qobject_cast<TTeeGradientEditor*>(&dialog)) edited = g->EditedGradient;
        dialog.SetModalResult(mrCancel);
    });
    const std::pair<QPushButton*, QObject*> parts[] = {{edit->BThumb, tool->GetThumbBrush()},
                                                       {edit->BBack, tool->Brush()},
                                                       {edit->BArrows, tool->GetArrowBrush()},
                                                       {edit->BGradient, tool->GetGradient()}};
    for (const auto& [button, part] : parts) {
        edited = nullptr;
        button->click();
        EXPECT_EQ(edited, part) << button->text().toStdString();
    }
    EXPECT_EQ(script.Shown, 4);
}

}  // namespace
