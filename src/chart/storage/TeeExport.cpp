#include "chart/storage/TeeExport.h"

#include <QCoreApplication>
#include <algorithm>

#include "chart/engine/TCustomTeePanel.h"
#include "chart/engine/TeeConst.h"
#include "chart/engine/TeeHtml.h"
#include "chart/storage/TeePictureFormats.h"
#include "platform/FileSave.h"

TTeeExportFormats* TeeExportFormats = nullptr;

// ---- TTeeExportFormat

void TTeeExportFormat::IncFileFilterIndex(int& Index)
{
    ++Index;
    FFileFilterIndex = Index;
}

QWidget* TTeeExportFormat::Options(bool)
{
    return nullptr;
}

void TTeeExportFormat::CheckPanel() const
{
    if (!Panel) throw Exception(TeeMsg_ExportPanelNotSet);
}

void TTeeExportFormat::CheckSize()
{
    if (Width == 0) Width = Panel->Width();
    if (Height == 0) Height = Panel->Height();
}

void TTeeExportFormat::CopyToClipboard()
{
    CheckPanel();
    Options(true);
    CheckSize();
    DoCopyToClipboard();
}

void TTeeExportFormat::SaveToFile(const AnsiString& FileName)
{
    CheckPanel();
    Options(true);
    CheckSize();
    // The picture is built completely in memory before the file is touched, so neither a
    // failing picture nor a failing disk leaves a damaged or emptied file behind.
    TMemoryStream stream;
    SaveToStream(&stream);
    const auto& bytes = stream.Bytes();
    std::string error;
    if (!platform::SaveFileAtomic(FileName, std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()),
                                  &error))
        throw EFOpenError("Cannot create file \"" + FileName + "\". " + error);
}

// ---- registry

TTeeExportFormatClass TTeeExportFormats::Get(int Index) const
{
    if (Index < 0 || Index >= Count()) throw EListError("List index out of bounds (" + IntToStr(Index) + ")");
    return FItems[std::size_t(Index)];
}

void TTeeExportFormats::Remove(TTeeExportFormatClass Class)
{
    auto it = std::find(FItems.begin(), FItems.end(), Class);
    if (it != FItems.end()) FItems.erase(it);
}

void RegisterTeeExportFormat(TTeeExportFormatClass Class)
{
    if (!TeeExportFormats) TeeExportFormats = new TTeeExportFormats;
    TeeExportFormats->Add(Class);
}

void UnRegisterTeeExportFormat(TTeeExportFormatClass Class)
{
    if (TeeExportFormats) TeeExportFormats->Remove(Class);
}

std::unique_ptr<TGraphic> WithFileExtension(const AnsiString& Extension)
{
    if (!TeeExportFormats) return nullptr;
    for (int i = 0; i < TeeExportFormats->Count(); ++i) {
        auto format = TeeExportFormats->Get(i)->Create();
        if (SameText("." + format->FileExtension(), Extension)) {
            const TGraphicClass graphic = format->GraphicClass();
            return graphic ? graphic() : nullptr;
        }
    }
    return nullptr;
}

void TeeFillPictureDialog(platform::FileDialogRequest* Dialog, TCustomTeePanel* Panel, TTeeExportFormatItems* Items)
{
    if (!TeeExportFormats || TeeExportFormats->Count() == 0) return;
    // The running index starts after the entries the filter already holds (pairs of
    // description and pattern), however many there are.
    int index = 0;
    if (!Dialog->filter.empty()) index = int((std::count(Dialog->filter.begin(), Dialog->filter.end(), '|') + 1) / 2);
    for (int i = 0; i < TeeExportFormats->Count(); ++i) {
        auto format = TeeExportFormats->Get(i)->Create();
        format->Panel = Panel;
        format->IncFileFilterIndex(index);
        if (!Dialog->filter.empty()) Dialog->filter += "|";
        Dialog->filter += format->FileFilter();
        if (Items) {
            AnsiString text = format->Description();
            text.erase(std::remove(text.begin(), text.end(), '&'), text.end());
            Items->push_back({std::move(text), std::move(format)});
        }
    }
}

void TeeSavePanel(TTeeExportFormatClass Class, TCustomTeePanel* Panel)
{
    auto format = Class->Create();
    format->Panel = Panel;
    platform::FileDialogRequest dialog;
    dialog.save = true;
    dialog.filter = format->FileFilter();
    dialog.defaultExt = format->FileExtension();
    dialog.overwritePrompt = true;
    if (platform::dialogs().FileDialog(dialog)) format->SaveToFile(dialog.fileName);
}

// ---- start-up: the picture formats in the order of the export dialog, and the chart
// engine's way to a picture object for a file extension.

namespace {

struct PictureFormatsRegistration {
    PictureFormatsRegistration()
    {
        RegisterTeeExportFormat(&TBMPExportFormat::Class);
        RegisterTeeExportFormat(&TEMFExportFormat::Class);
        RegisterTeeExportFormat(&TGIFExportFormat::Class);
        RegisterTeeExportFormat(&TJPEGExportFormat::Class);
    }
    // The hook stays: with no format left it answers no picture.
    ~PictureFormatsRegistration()
    {
        UnRegisterTeeExportFormat(&TJPEGExportFormat::Class);
        UnRegisterTeeExportFormat(&TGIFExportFormat::Class);
        UnRegisterTeeExportFormat(&TEMFExportFormat::Class);
        UnRegisterTeeExportFormat(&TBMPExportFormat::Class);
        delete TeeExportFormats;
        TeeExportFormats = nullptr;
    }
};

const PictureFormatsRegistration registration;

// The hook is a variable of another library whose own initialisation may run after ours
// and would empty it again, so it is installed once the application object exists.
void InstallGraphicFileExtension()
{
    GraphicFileExtension = [](const AnsiString& Extension) { return WithFileExtension(Extension); };
}

}  // namespace

Q_COREAPP_STARTUP_FUNCTION(InstallGraphicFileExtension)
