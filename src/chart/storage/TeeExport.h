#pragma once
// Picture export formats: one object renders one chart panel into one picture format and
// delivers it as a stream, a file or a clipboard entry. The formats are registered as
// classes in one process-wide list, from which the export dialog builds its picture list
// and the save dialog its filter.
#include <memory>
#include <vector>

#include "platform/AnsiString.h"
#include "platform/Dialogs.h"
#include "platform/TBitmap.h"
#include "platform/TStream.h"

class QWidget;
class TCustomTeePanel;
class TTeeExportFormat;

// A picture class: makes a new, empty picture of its type.
using TGraphicClass = std::unique_ptr<TGraphic> (*)();

// A format class as the registry keeps it: its name and how to make an instance.
struct TTeeExportFormatClassInfo {
    const char* ClassName;
    std::unique_ptr<TTeeExportFormat> (*Create)();
};
using TTeeExportFormatClass = const TTeeExportFormatClassInfo*;

class TTeeExportFormat {
public:
    TTeeExportFormat() = default;
    virtual ~TTeeExportFormat() = default;
    TTeeExportFormat(const TTeeExportFormat&) = delete;
    TTeeExportFormat& operator=(const TTeeExportFormat&) = delete;

    // ---- virtual operations, in their order
    virtual void DoCopyToClipboard() = 0;
    // The 1-based position of this format's first entry in a save dialog's filter list.
    virtual int FileFilterIndex() { return FFileFilterIndex; }
    // Index + 1 becomes this format's filter index; formats with more entries go further.
    virtual void IncFileFilterIndex(int& Index);
    virtual bool WantsFilterIndex(int Index) { return Index == FileFilterIndex(); }
    // The text of the export dialog's picture list.
    virtual AnsiString Description() = 0;
    // Lower case, without the dot.
    virtual AnsiString FileExtension() = 0;
    // Pairs of description and pattern separated by "|".
    virtual AnsiString FileFilter() = 0;
    // Null when the format has no picture class.
    virtual TGraphicClass GraphicClass() { return nullptr; }
    virtual void SaveToStream(TStream* Stream) = 0;
    // The options form (owned by the format): with Check it is created when missing,
    // without Check it is only answered when it exists.
    virtual QWidget* Options(bool Check = true);

    // Whether a file with Extension (without the dot, any case) is this format's; a format
    // with variants switches to the one the extension names.
    virtual bool WantsFileExtension(const AnsiString& Extension) { return SameText(Extension, FileExtension()); }

    // Both raise "Panel property is not set in Export format" without a panel.
    void CopyToClipboard();
    // Writes the picture to FileName as it is (no extension added). The old file is
    // replaced only by a complete picture: a failure leaves it as it was and raises.
    void SaveToFile(const AnsiString& FileName);
    // A width or height of 0 becomes the panel's.
    void CheckSize();

    int Height = 0;
    TCustomTeePanel* Panel = nullptr;
    int Width = 0;

protected:
    void CheckPanel() const;
    int FFileFilterIndex = 0;
};

// The registered format classes, in registration order.
class TTeeExportFormats {
public:
    int Count() const { return int(FItems.size()); }
    TTeeExportFormatClass Get(int Index) const;
    void Add(TTeeExportFormatClass Class) { FItems.push_back(Class); }
    void Remove(TTeeExportFormatClass Class);

private:
    std::vector<TTeeExportFormatClass> FItems;
};

// Null until the first registration.
extern TTeeExportFormats* TeeExportFormats;

void RegisterTeeExportFormat(TTeeExportFormatClass Class);
void UnRegisterTeeExportFormat(TTeeExportFormatClass Class);

// A new, empty picture for a file extension with its leading dot (".jpg", any case) from
// the first registered format with that extension; null when none has one.
std::unique_ptr<TGraphic> WithFileExtension(const AnsiString& Extension);

// One entry of the export dialog's picture list: the description without "&" and the
// format instance, owned by the entry.
struct TTeeExportFormatItem {
    AnsiString Text;
    std::unique_ptr<TTeeExportFormat> Format;
};
using TTeeExportFormatItems = std::vector<TTeeExportFormatItem>;

// Appends every registered format's filter to the dialog's filter and gives each format
// its filter index, counting on from the entries the filter already holds; with Items, the
// format instances are kept there.
void TeeFillPictureDialog(platform::FileDialogRequest* Dialog, TCustomTeePanel* Panel, TTeeExportFormatItems* Items);

// Asks for a file name with the format's filter and saves the panel there.
void TeeSavePanel(TTeeExportFormatClass Class, TCustomTeePanel* Panel);
inline void TeeExportSavePanel(TTeeExportFormatClass Class, TCustomTeePanel* Panel)
{
    TeeSavePanel(Class, Panel);
}
