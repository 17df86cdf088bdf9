#include "chart/editors/TBrushDialog.h"

#include <QGroupBox>
#include <QLabel>
#include <QListWidget>
#include <QPixmap>
#include <QPushButton>

#include "chart/editors/TeeEditorBitmaps.h"
#include "chart/editors/TeeOwnerDraw.h"
#include "chart/editors/TeePenDlg.h"
#include "chart/engine/TChartBrush.h"
#include "chart/engine/TeeColorButton.h"
#include "chart/engine/TeeConst.h"
#include "chart/engine/TeeProcs.h"
#include "platform/Dialogs.h"
#include "platform/TBitmap.h"
#include "platform/TCanvas.h"

namespace {

const char* const RowTexts[TBrushDialog::RowCount] = {"Solid",
                                                      "None",
                                                      "Horizontal",
                                                      "Vertical",
                                                      "Diagonal",
                                                      "Back Diagonal",
                                                      "Cross",
                                                      "Diagonal Cross",
                                                      "Fill 80%",
                                                      "Fill 60%",
                                                      "Fill 40%",
                                                      "Fill 20%",
                                                      "Fill 10%",
                                                      "Zig zag",
                                                      "Vertical small",
                                                      "Horiz. small",
                                                      "Diag. small",
                                                      "Back Diag. small",
                                                      "Cross small",
                                                      "Diag. Cross small",
                                                      "Metal",
                                                      "Wood",
                                                      "Stone",
                                                      "Clouds",
                                                      "Grass",
                                                      "Fire",
                                                      "Snow"};

constexpr int FirstPatternRow = 8;
constexpr int FirstTextureRow = 20;

}  // namespace

void GetTeeBrush(int Index, TBitmap* Bitmap)
{
    TeeDrawBrushPattern(Bitmap, Index + 1);
}

TBrushDialog::TBrushDialog(QWidget* Owner) : TTeeForm(Owner)
{
    setObjectName("BrushDialog");
    setWindowTitle("Pattern Color Editor");
    SetClientSize(325, 158);

    LStyle = TeePlace(new QListWidget(this), 8, 8, 145, 142);
    for (const char* text : RowTexts) LStyle->addItem(text);
    TeeOwnerDrawList(LStyle, 16, [this](TCanvas* c, int i, const TRect& r, bool s) { LStyleDrawItem(c, i, r, s); });
    BColor = TeeAddButton<TButtonColor>(this, "&Color...", 162, 8, 75);
    auto* imageGroup = TeePlace(new QGroupBox("Image:", this), 162, 40, 155, 80);
    Image1 = TeePlace(new QLabel(imageGroup), 8, 18, 56, 54);
    Image1->setScaledContents(true);
    Image1->setFrameShape(QFrame::Box);
    Button1 = TeePlace(new QPushButton("&Image...", imageGroup), 72, 32, 75, 25);
    Button2 = TeePlace(new QPushButton("OK", this), 162, 126, 75, 25);
    Button3 = TeePlace(new QPushButton("Cancel", this), 242, 126, 75, 25);
    for (std::size_t i = 0; i < Textures.size(); ++i) {
        Textures[i] = std::make_unique<TBitmap>();
        TeeDrawTexture(Textures[i].get(), int(i));
    }

    BindOkCancel(Button2, Button3, [this] { Button3Click(); });
    Bind(LStyle, &QListWidget::currentRowChanged, [this] { LStyleClick(); });
    Bind(Button1, &QPushButton::clicked, [this] { Button1Click(); });
    BColor->OnClick = [this](QObject*) { LStyle->viewport()->update(); };
    SetBorderStyle(fbsDialog);
}

TBrushDialog::~TBrushDialog() = default;

bool TBrushDialog::HasImage() const
{
    return EditedBrush && EditedBrush->StoredImage() && EditedBrush->StoredImage()->GetGraphic();
}

void TBrushDialog::FormShow()
{
    TFilling filling(this);
    BackupBrush = std::make_unique<TChartBrush>();
    if (EditedBrush) {
        BackupBrush->Assign(EditedBrush);
        LStyle->setCurrentRow(HasImage() ? -1 : int(EditedBrush->GetStyle()));
        BColor->LinkProperty(EditedBrush, "Color");
    }
    CheckImageButton();
    CheckColorButton();
    TeeTranslateControl(this);
}

void TBrushDialog::FormClose()
{
    BackupBrush.reset();
}

void TBrushDialog::CheckImageButton()
{
    if (!HasImage()) {
        Button1->setProperty("Tag", 0);
        Button1->setText(QString::fromStdString(TeeMsg_BrowseImage));
        Image1->clear();
    } else {
        Button1->setProperty("Tag", 1);
        Button1->setText(QString::fromStdString(TeeMsg_ClearImage));
        Image1->setPixmap(QPixmap::fromImage(EditedBrush->StoredImage()->GetGraphic()->ToImage()));
    }
}

void TBrushDialog::CheckColorButton()
{
    BColor->setEnabled(!EditedBrush || EditedBrush->GetStyle() != bsClear);
}

void TBrushDialog::RowBitmap(int Row, TBitmap* Bitmap) const
{
    if (Row >= FirstTextureRow)
        Bitmap->Assign(Textures[std::size_t(Row - FirstTextureRow)].get());
    else
        GetTeeBrush(Row - FirstPatternRow, Bitmap);
}

void TBrushDialog::LStyleClick()
{
    const int row = LStyle->currentRow();
    if (!EditedBrush || row < 0) return;
    if (row < FirstPatternRow) {
        EditedBrush->SetStyle(TBrushStyle(row));
        if (HasImage()) EditedBrush->SetImage(nullptr);
    } else {
        TBitmap bitmap;
        RowBitmap(row, &bitmap);
        EditedBrush->GetImage()->SetGraphic(&bitmap);
    }
    CheckImageButton();
    CheckColorButton();
}

void TBrushDialog::Button1Click()
{
    if (!EditedBrush) return;
    {
        TFilling filling(this);
        LStyle->setCurrentRow(int(EditedBrush->GetStyle()));
    }
    if (Button1->property("Tag").toInt() == 1) {
        EditedBrush->SetImage(nullptr);
    } else {
        const AnsiString file = TeeGetPictureFileName(this);
        if (!file.empty()) {
            TPicture* picture = EditedBrush->GetImage();
            picture->LoadFromFile(file);
            TGraphic* graphic = picture->GetGraphic();
            if (graphic && !qobject_cast<TBitmap*>(graphic)) {
                // Brushes fill with bitmaps: other pictures are drawn into one.
                TBitmap bitmap;
                bitmap.SetSize(graphic->GetWidth(), graphic->GetHeight());
                bitmap.Canvas()->Draw(0, 0, graphic);
                picture->SetGraphic(&bitmap);
            }
        }
    }
    CheckImageButton();
}

void TBrushDialog::Button3Click()
{
    if (EditedBrush && BackupBrush) EditedBrush->Assign(BackupBrush.get());
}

void TBrushDialog::LStyleDrawItem(TCanvas* Canvas, int Index, const TRect& Rect, bool)
{
    Canvas->FillRect(Rect);
    if (Index != 1) {
        const TColor oldText = Canvas->GetTextColor();
        Canvas->SetBkColor(clWhite);
        Canvas->SetBkMode(TRANSPARENT);
        Canvas->SetTextColor(clBlack);
        const TRect sample{Rect.Left + 2, Rect.Top + 2, Rect.Left + 16, Rect.Bottom - 2};
        const TColor oldBrushColor = Canvas->Brush()->GetColor();
        if (Index < FirstPatternRow) {
            Canvas->Brush()->SetColor(clBlack);
            Canvas->Brush()->SetStyle(TBrushStyle(Index));
            Canvas->FillRect(sample);
            Canvas->Brush()->SetStyle(bsSolid);
        } else {
            TBitmap bitmap;
            RowBitmap(Index, &bitmap);
            Canvas->StretchDraw(sample, &bitmap);
        }
        Canvas->Brush()->SetColor(oldBrushColor);
        Canvas->SetTextColor(oldText);
    }
    Canvas->Brush()->SetStyle(bsClear);
    Canvas->TextOut(Rect.Left + 20, Rect.Top + 1, RowTexts[Index]);
}

bool EditChartBrush(QObject* AOwner, TChartBrush* Brush)
{
    auto dialog = TeeCreateForm<TBrushDialog>(AOwner);
    dialog->EditedBrush = Brush;
    TeeTranslateControl(dialog.get());
    return dialog->ShowModal() == mrOk;
}

AnsiString TeeGetPictureFileName(QObject*)
{
    platform::FileDialogRequest request;
    request.title = "Open";
    request.filter = "Pictures (*.bmp;*.png;*.jpg;*.jpeg;*.gif)|*.bmp;*.png;*.jpg;*.jpeg;*.gif|All files (*.*)|*.*";
    return platform::dialogs().FileDialog(request) ? request.fileName : AnsiString();
}

void TeeLoadClearImage(QObject* AOwner, TPicture* Picture)
{
    if (!Picture) return;
    if (Picture->GetGraphic()) {
        Picture->SetGraphic(nullptr);
        return;
    }
    const AnsiString file = TeeGetPictureFileName(AOwner);
    if (!file.empty()) Picture->LoadFromFile(file);
}
