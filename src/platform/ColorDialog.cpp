#include "platform/ColorDialog.h"

#include <QColorDialog>

namespace platform {
namespace {

bool RunQtColorDialog(QWidget* owner, ColorDialogRequest& request)
{
    QColorDialog dialog(owner);
    dialog.setCurrentColor(TColorToQColor(request.Color));
    // Qt keeps one set of custom colours for the whole program; load ours into it.
    const int slotCount = QColorDialog::customCount();
    for (int i = 0; i < slotCount; ++i) {
        const TColor c = i < static_cast<int>(request.CustomColors.size()) ? request.CustomColors[i] : clWhite;
        QColorDialog::setCustomColor(i, TColorToQColor(c));
    }
    if (dialog.exec() != QDialog::Accepted) return false;
    request.Color = QColorToTColor(dialog.selectedColor());
    request.CustomColors.clear();
    for (int i = 0; i < slotCount; ++i) request.CustomColors.push_back(QColorToTColor(QColorDialog::customColor(i)));
    return true;
}

ColorDialogRunner& Runner()
{
    static ColorDialogRunner runner;
    return runner;
}

}  // namespace

bool RunColorDialog(QWidget* Owner, ColorDialogRequest& Request)
{
    if (Runner()) return Runner()(Owner, Request);
    return RunQtColorDialog(Owner, Request);
}

void SetColorDialogRunner(ColorDialogRunner runner)
{
    Runner() = std::move(runner);
}

}  // namespace platform
