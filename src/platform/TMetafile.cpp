#include "platform/TMetafile.h"

#include <QPainter>

#include "platform/Exception.h"

TMetafile::TMetafile(QObject* parent) : TGraphic(parent) {}

void TMetafile::Assign(TPersistent* Source)
{
    if (auto* m = qobject_cast<TMetafile*>(Source)) {
        FPicture = m->FPicture;
        FWidth = m->FWidth;
        FHeight = m->FHeight;
        FEnhanced = m->FEnhanced;
        Changed();
        return;
    }
    TGraphic::Assign(Source);
}

void TMetafile::SetWidth(int value)
{
    FWidth = value;
    FPicture.setBoundingRect(QRect(0, 0, FWidth, FHeight));
}

void TMetafile::SetHeight(int value)
{
    FHeight = value;
    FPicture.setBoundingRect(QRect(0, 0, FWidth, FHeight));
}

void TMetafile::Draw(TCanvas* ACanvas, const TRect& r)
{
    if (!ACanvas || FWidth <= 0 || FHeight <= 0) return;
    QPainter* p = ACanvas->Painter();
    if (!p) return;
    p->save();
    p->translate(r.Left, r.Top);
    p->scale(double(r.Width()) / FWidth, double(r.Height()) / FHeight);
    p->drawPicture(0, 0, FPicture);
    p->restore();
}

QImage TMetafile::ToImage() const
{
    QImage img(std::max(FWidth, 1), std::max(FHeight, 1), QImage::Format_RGB32);
    img.fill(Qt::white);
    QPainter p(&img);
    p.drawPicture(0, 0, FPicture);
    return img;
}

void TMetafile::LoadFromFile(const AnsiString& FileName)
{
    QPicture pic;
    if (!pic.load(QString::fromStdString(FileName))) throw EInOutError("Cannot read file " + FileName);
    FPicture = pic;
    const QRect b = pic.boundingRect();
    FWidth = b.right() + 1;
    FHeight = b.bottom() + 1;
    Changed();
}

void TMetafile::SaveToFile(const AnsiString& FileName)
{
    if (!FPicture.save(QString::fromStdString(FileName))) throw EInOutError("Cannot write file " + FileName);
}

TMetafileCanvas::TMetafileCanvas(TMetafile* AMetafile) : FMetafile(AMetafile)
{
    SetDevice(&FMetafile->Picture());
}

TMetafileCanvas::~TMetafileCanvas()
{
    Release();
    // Recording sets the bounds to what was drawn; the frame stays the metafile's.
    FMetafile->Picture().setBoundingRect(QRect(0, 0, FMetafile->GetWidth(), FMetafile->GetHeight()));
}
