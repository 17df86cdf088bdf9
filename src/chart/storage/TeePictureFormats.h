#pragma once
// The picture export formats: bitmap, recorded picture (metafile), JPEG and GIF. Each reads
// its settings from its options form, which it creates on demand and owns.
#include <memory>

#include "chart/storage/TGIFImage.h"
#include "chart/storage/TJPEGImage.h"
#include "chart/storage/TeeExport.h"
#include "chart/storage/TeePictureOptions.h"
#include "platform/TMetafile.h"

class TBMPExportFormat : public TTeeExportFormat {
public:
    static const TTeeExportFormatClassInfo Class;
    ~TBMPExportFormat() override;
    void DoCopyToClipboard() override;
    AnsiString Description() override;
    AnsiString FileExtension() override { return "bmp"; }
    AnsiString FileFilter() override;
    TGraphicClass GraphicClass() override;
    void SaveToStream(TStream* Stream) override;
    QWidget* Options(bool Check = true) override;
    // A new bitmap of Width x Height with the panel drawn into it.
    std::unique_ptr<TBitmap> Bitmap();

private:
    std::unique_ptr<TBMPOptions> FProperties;
};

class TEMFExportFormat : public TTeeExportFormat {
public:
    static const TTeeExportFormatClassInfo Class;
    ~TEMFExportFormat() override;
    void DoCopyToClipboard() override;
    // Answers the stored index when enhanced, the next one otherwise.
    int FileFilterIndex() override;
    // Takes two filter entries: enhanced, then old-style.
    void IncFileFilterIndex(int& Index) override;
    // The first entry switches the format to enhanced pictures, the second to old-style ones.
    bool WantsFilterIndex(int Index) override;
    // "emf" and "wmf" both belong to the format and choose enhanced or old-style pictures.
    bool WantsFileExtension(const AnsiString& Extension) override;
    AnsiString Description() override;
    AnsiString FileExtension() override { return GetEnhanced() ? "emf" : "wmf"; }
    AnsiString FileFilter() override;
    TGraphicClass GraphicClass() override;
    void SaveToStream(TStream* Stream) override;
    QWidget* Options(bool Check = true) override;
    std::unique_ptr<TMetafile> Metafile();
    // Enhanced while no options form exists.
    bool GetEnhanced() const;
    void SetEnhanced(bool Value);

private:
    std::unique_ptr<TEMFOptions> FProperties;
};

class TJPEGExportFormat : public TTeeExportFormat {
public:
    static const TTeeExportFormatClassInfo Class;
    ~TJPEGExportFormat() override;
    void DoCopyToClipboard() override;
    AnsiString Description() override;
    AnsiString FileExtension() override { return "jpg"; }
    AnsiString FileFilter() override;
    TGraphicClass GraphicClass() override;
    void SaveToStream(TStream* Stream) override;
    QWidget* Options(bool Check = true) override;
    std::unique_ptr<TJPEGImage> Jpeg();
    int GetQuality();
    void SetQuality(int Value);

private:
    TTeeJPEGOptions* Form();
    std::unique_ptr<TTeeJPEGOptions> FProperties;
};

class TGIFExportFormat : public TTeeExportFormat {
public:
    static const TTeeExportFormatClassInfo Class;
    ~TGIFExportFormat() override;
    void DoCopyToClipboard() override;
    AnsiString Description() override;
    AnsiString FileExtension() override { return "gif"; }
    AnsiString FileFilter() override;
    TGraphicClass GraphicClass() override;
    void SaveToStream(TStream* Stream) override;
    QWidget* Options(bool Check = true) override;
    std::unique_ptr<TGIFImage> GIF();

private:
    std::unique_ptr<TTeeGIFOptions> FProperties;
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
