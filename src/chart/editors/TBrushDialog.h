#pragma once
// The brush editor: a list of 27 fills (the eight brush styles, twelve small patterns and
// seven textures), the brush colour and a picture of the user's own. The brush changes in
// place; Cancel puts it back.
#include <array>
#include <memory>

#include "chart/editors/TTeeForm.h"
#include "platform/GraphicsTypes.h"

class TBitmap;
class TCanvas;
class TChartBrush;
class TPicture;

class TBrushDialog : public TTeeForm {
    Q_OBJECT
public:
    Q_INVOKABLE explicit TBrushDialog(QWidget* Owner = nullptr);
    ~TBrushDialog() override;

    QPushButton* Button2 = nullptr;  // OK
    TButtonColor* BColor = nullptr;
    QPushButton* Button3 = nullptr;  // Cancel
    QLabel* Image1 = nullptr;
    QPushButton* Button1 = nullptr;  // browse for a picture, or clear it
    QListWidget* LStyle = nullptr;
    // The texture pictures of the rows "Metal" ... "Snow".
    std::array<std::unique_ptr<TBitmap>, 7> Textures;
    TBitmap* ImageMetal() const { return Textures[0].get(); }
    TBitmap* ImageSnow() const { return Textures[6].get(); }

    TChartBrush* EditedBrush = nullptr;

    void FormShow() override;
    void FormClose() override;
    void LStyleClick();
    void LStyleDrawItem(TCanvas* Canvas, int Index, const TRect& Rect, bool Selected);
    void Button1Click();
    void Button3Click();

    static constexpr int RowCount = 27;

private:
    bool HasImage() const;
    void CheckImageButton();
    void CheckColorButton();
    // The picture of rows 8..26 (a pattern or a texture) into Bitmap.
    void RowBitmap(int Row, TBitmap* Bitmap) const;

    std::unique_ptr<TChartBrush> BackupBrush;
};

// Loads brush pattern Index (0..11) into Bitmap.
void GetTeeBrush(int Index, TBitmap* Bitmap);
// Edits Brush in the brush dialog; true when the user pressed OK.
bool EditChartBrush(QObject* AOwner, TChartBrush* Brush);
// Asks for a picture file; the chosen name, or empty.
AnsiString TeeGetPictureFileName(QObject* AOwner);
// Clears Picture when it holds a graphic; else asks for a file and loads it.
void TeeLoadClearImage(QObject* AOwner, TPicture* Picture);
