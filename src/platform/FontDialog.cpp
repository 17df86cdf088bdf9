#include "platform/FontDialog.h"

#include <QFontDialog>

#include "platform/GraphicsObjects.h"

namespace platform {
namespace {

bool RunQtFontDialog(QWidget* owner, TFont& font)
{
    QFont initial = font.ToQFont();
    // The dialog works in points; the font's pixel height converts at its resolution.
    initial.setPointSize(font.GetSize() > 0 ? font.GetSize() : 8);
    QFontDialog dialog(initial, owner);
    if (dialog.exec() != QDialog::Accepted) return false;
    const QFont chosen = dialog.selectedFont();
    font.SetName(chosen.family().toStdString());
    if (chosen.pointSize() > 0) font.SetSize(chosen.pointSize());
    TFontStyles style;
    if (chosen.bold()) style |= fsBold;
    if (chosen.italic()) style |= fsItalic;
    if (chosen.underline()) style |= fsUnderline;
    if (chosen.strikeOut()) style |= fsStrikeOut;
    font.SetStyle(style);
    return true;
}

FontDialogRunner& Runner()
{
    static FontDialogRunner runner;
    return runner;
}

}  // namespace

bool RunFontDialog(QWidget* Owner, TFont& Font)
{
    if (Runner()) return Runner()(Owner, Font);
    return RunQtFontDialog(Owner, Font);
}

void SetFontDialogRunner(FontDialogRunner runner)
{
    Runner() = std::move(runner);
}

}  // namespace platform
