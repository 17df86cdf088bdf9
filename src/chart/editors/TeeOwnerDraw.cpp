#include "chart/editors/TeeOwnerDraw.h"

#include <QComboBox>
#include <QListWidget>
#include <QPainter>

#include "chart/editors/TTeeForm.h"
#include "platform/TBitmap.h"
#include "platform/TCanvas.h"

TTeeOwnerDraw::TTeeOwnerDraw(int ItemHeight, TTeeDrawItem Draw, QObject* Parent)
    : QStyledItemDelegate(Parent), FItemHeight(ItemHeight), FDraw(std::move(Draw))
{}

void TTeeOwnerDraw::paint(QPainter* Painter, const QStyleOptionViewItem& Option, const QModelIndex& Index) const
{
    const QRect r = Option.rect;
    if (r.width() <= 0 || r.height() <= 0 || !FDraw) return;
    TBitmap bitmap;
    bitmap.SetSize(r.width(), r.height());
    TCanvas* canvas = bitmap.Canvas();
    const bool selected = Option.state & QStyle::State_Selected;
    canvas->Brush()->SetColor(TeeRowBackColor(selected));
    canvas->Font()->SetName("Arial");
    canvas->Font()->SetHeight(-11);
    canvas->Font()->SetColor(TeeRowTextColor(selected));
    canvas->SetBkMode(TRANSPARENT);
    TTeeForm::Guard([&] { FDraw(canvas, Index.row(), TRect{0, 0, r.width(), r.height()}, selected); });
    Painter->drawImage(r.topLeft(), bitmap.Image());
}

QSize TTeeOwnerDraw::sizeHint(const QStyleOptionViewItem& Option, const QModelIndex& Index) const
{
    QSize s = QStyledItemDelegate::sizeHint(Option, Index);
    s.setHeight(FItemHeight);
    return s;
}

void TeeOwnerDrawCombo(QComboBox* Combo, int ItemHeight, TTeeDrawItem Draw)
{
    Combo->setItemDelegate(new TTeeOwnerDraw(ItemHeight, std::move(Draw), Combo));
}

void TeeOwnerDrawList(QListWidget* List, int ItemHeight, TTeeDrawItem Draw)
{
    List->setItemDelegate(new TTeeOwnerDraw(ItemHeight, std::move(Draw), List));
    List->setUniformItemSizes(true);
}

TColor TeeRowBackColor(bool Selected)
{
    return ColorToRGB(Selected ? clHighlight : clWindow);
}

TColor TeeRowTextColor(bool Selected)
{
    return ColorToRGB(Selected ? clHighlightText : clWindowText);
}
