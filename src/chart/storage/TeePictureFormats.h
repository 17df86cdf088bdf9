#pragma once
// The picture export formats: bitmap, recorded picture (metafile), JPEG and GIF. Each reads
// its settings from its options form, which it creates on demand and owns.
#include <memory>

#include "chart/storage/TGIFImage.h"
#include "chart/storage/TJPEGImage.h"
#include "chart/storage/TeeExport.h"
#include "chart/storage/TeePictureOptions.h"
#include "platform/TMetafile.h"

// A format whose settings live on an options form of type TForm, made on first use, and
// whose pictures are of class TPicture. Its texts are read when asked for, so they follow
// the language in use.
template <typename TForm, typename TPicture>
class TPictureExportFormat : public TTeeExportFormat {
public:
    TPictureExportFormat(const AnsiString& ADescription, const AnsiString& AFileFilter)
        : FDescription(&ADescription), FFileFilter(&AFileFilter)
    {}
    AnsiString Description() override { return *FDescription; }
    AnsiString FileFilter() override { return *FFileFilter; }
    TGraphicClass GraphicClass() override
    {
        return [] { return std::unique_ptr<TGraphic>(std::make_unique<TPicture>()); };
    }
    QWidget* Options(bool Check = true) override
    {
        if (!FProperties && Check) {
            FProperties = std::make_unique<TForm>();
            FormCreated();
        }
        return FProperties.get();
    }

protected:
    // The options form, made when missing.
    TForm* Form()
    {
        Options(true);
        return FProperties.get();
    }
    // Called once the options form exists.
    virtual void FormCreated() {}
    std::unique_ptr<TForm> FProperties;

private:
    const AnsiString* FDescription;
    const AnsiString* FFileFilter;
};

class TBMPExportFormat : public TPictureExportFormat<TBMPOptions, TBitmap> {
public:
    TBMPExportFormat();
    static const TTeeExportFormatClassInfo Class;
    void DoCopyToClipboard() override;
    AnsiString FileExtension() override { return "bmp"; }
    void SaveToStream(TStream* Stream) override;
    // A new bitmap of Width x Height with the panel drawn into it.
    std::unique_ptr<TBitmap> Bitmap();
};

class TEMFExportFormat : public TPictureExportFormat<TEMFOptions, TMetafile> {
public:
    TEMFExportFormat();
    static const TTeeExportFormatClassInfo Class;
    void DoCopyToClipboard() override;
    // Answers the stored index when enhanced, the next one otherwise.
    int FileFilterIndex() override;
    // Takes two filter entries: enhanced, then old-style.
    void IncFileFilterIndex(int& Index) override;
    // The first entry switches the format to enhanced pictures, the second to old-style ones.
    bool WantsFilterIndex(int Index) override;
    // "emf" and "wmf" both belong to the format and choose enhanced or old-style pictures.
    bool WantsFileExtension(const AnsiString& Extension) override;
    AnsiString FileExtension() override { return GetEnhanced() ? "emf" : "wmf"; }
    void SaveToStream(TStream* Stream) override;
    std::unique_ptr<TMetafile> Metafile();
    // Enhanced while no options form exists.
    bool GetEnhanced() const;
    void SetEnhanced(bool Value);
};

class TJPEGExportFormat : public TPictureExportFormat<TTeeJPEGOptions, TJPEGImage> {
public:
    TJPEGExportFormat();
    static const TTeeExportFormatClassInfo Class;
    void DoCopyToClipboard() override;
    AnsiString FileExtension() override { return "jpg"; }
    void SaveToStream(TStream* Stream) override;
    std::unique_ptr<TJPEGImage> Jpeg();
    int GetQuality();
    void SetQuality(int Value);
};

class TGIFExportFormat : public TPictureExportFormat<TTeeGIFOptions, TGIFImage> {
public:
    TGIFExportFormat();
    static const TTeeExportFormatClassInfo Class;
    void DoCopyToClipboard() override;
    AnsiString FileExtension() override { return "gif"; }
    void SaveToStream(TStream* Stream) override;
    std::unique_ptr<TGIFImage> GIF();

protected:
    void FormCreated() override;
};

// The panel's R area as a bitmap file.
void TeeSaveToBitmap(TCustomTeePanel* Panel, const AnsiString& FileName, const TRect& R);
// A new JPEG picture of the panel's area (Left, Top, Width x Height) with Params.
std::unique_ptr<TJPEGImage> TeeGetJPEGImageParams(TCustomTeePanel* Panel, const TJPEGDefaults& Params, int Left,
                                                  int Top, int Width, int Height);
// ".jpg" is added to a name without extension; a size of 0 or less is the panel's.
void TeeSaveToJPEGFile(TCustomTeePanel* Panel, const AnsiString& FileName, bool Gray, TJPEGPerformance Performance,
                       int Quality, int Width, int Height);
// Colour, best quality, quality 100.
void TeeSaveToJPEG(TCustomTeePanel* Panel, const AnsiString& FileName, int Width, int Height);
