#pragma once
// Owner-drawn rows of list boxes and combo boxes: the form's drawing function paints each
// row on a platform canvas (into an image of the row's size, so the row rectangle starts
// at the origin), as the class library's owner-draw events did.
#include <QStyledItemDelegate>
#include <functional>

#include "platform/GraphicsTypes.h"

class QComboBox;
class QListWidget;
class TCanvas;

// Draws row Index into Rect; Selected tells whether the row is highlighted.
using TTeeDrawItem = std::function<void(TCanvas* Canvas, int Index, const TRect& Rect, bool Selected)>;

class TTeeOwnerDraw : public QStyledItemDelegate {
    Q_OBJECT
public:
    TTeeOwnerDraw(int ItemHeight, TTeeDrawItem Draw, QObject* Parent);
    void paint(QPainter* Painter, const QStyleOptionViewItem& Option, const QModelIndex& Index) const override;
    QSize sizeHint(const QStyleOptionViewItem& Option, const QModelIndex& Index) const override;

private:
    int FItemHeight;
    TTeeDrawItem FDraw;
};

// Makes the rows of a combo box or list owner-drawn with a fixed height.
void TeeOwnerDrawCombo(QComboBox* Combo, int ItemHeight, TTeeDrawItem Draw);
void TeeOwnerDrawList(QListWidget* List, int ItemHeight, TTeeDrawItem Draw);

// The colours of a row's background and text: the highlight colours when selected.
TColor TeeRowBackColor(bool Selected);
TColor TeeRowTextColor(bool Selected);
