#include "programmer/ProgramFileCommands.h"

#include <exception>
#include <string>
#include <utility>
#include <vector>

#include "app/CLanguage.h"
#include "app/FileSaveWait.h"
#include "platform/Dialogs.h"
#include "platform/FileFolders.h"
#include "platform/FileSave.h"
#include "platform/TTreeNode.h"
#include "programmer/CProgrammer.h"
#include "resources/TextRows.h"

using namespace resources;

namespace {

void Warn(int row, const AnsiString& detail = AnsiString())
{
    AnsiString text = CurrentText(row);
    if (!detail.empty()) text += "\n" + detail;
    platform::dialogs().MessageBox(text, CurrentText(RowWarning), MB_OK | MB_ICONWARNING);
}

bool HasTpExtension(const AnsiString& path)
{
    const AnsiString name = ExtractFileName(path);
    return name.size() > 3 && SameText(std::string_view(name).substr(name.size() - 3), ".tp");
}

// The file the user picks in the program file dialog; empty when cancelled.
AnsiString AskProgramFile(bool save, int titleRow)
{
    platform::FileDialogRequest req;
    req.save = save;
    req.title = CurrentText(titleRow);
    req.filter = CurrentText(RowProgramFilter);
    req.defaultExt = "tp";
    req.overwritePrompt = save;
    if (!platform::ChooseFile(req, platform::TFileKind::Program)) return AnsiString();
    return req.fileName;
}

}  // namespace

bool SaveSelectedProgram(IProgramFileWindow& window, bool* leftUnsaved)
{
    if (leftUnsaved) *leftUnsaved = false;
    CProgrammer* programmer = window.Programmer();
    TTreeNode* node = window.SelectedProgramNode();
    if (!programmer || !node) return false;
    if (node->Parent()) {
        node = node->Parent();
        window.SelectProgramNode(node);
    }
    const int slot = CProgrammer::GetProgramIndex(node);
    if (programmer->GetProgramNode(slot) != node) return false;  // the tree and the slots disagree
    if (CProgrammer::GetSegmentCount(node) == 0 || !programmer->GetProgramHead(slot)->next) {
        Warn(RowNoSegments);
        return false;
    }
    const TProgramFileSettings settings = window.ProgramControls();
    // A start temperature the reader would refuse must not go into a file that looks saved.
    if (!programfile::ValidStartTemperature(settings.StartTemperature)) {
        Warn(RowInputMaskError);
        return false;
    }

    AnsiString path = AskProgramFile(true, RowSaveProgram);
    if (path.empty()) return false;
    if (!HasTpExtension(path)) path += ".tp";

    // The file is made here, where the program lives, and written on the background saver:
    // a drive that does not answer holds up neither the windows nor the recordings. The
    // wait for its result keeps the event loop running.
    AnsiString error;
    std::vector<platform::TDeferredSave> files;
    try {
        platform::TDeferredSaves deferred;
        if (!programfile::Write(path, programfile::FromProgrammer(*programmer, slot, settings), &error)) {
            Warn(RowMakingFileFailed, error);
            return false;
        }
        files = deferred.Take();
    } catch (const std::exception& e) {
        Warn(RowSavingFailed, e.what());
        return false;
    }
    std::string reason;
    switch (SaveAndWait(std::move(files), CLanguage::Instance()->CurrentLanguage(), &reason)) {
        case TSaveResult::Saved: break;
        case TSaveResult::Failed: Warn(RowMakingFileFailed, reason); return false;
        case TSaveResult::LeftUnsaved:
            if (leftUnsaved) *leftUnsaved = true;
            return false;
    }
    programmer->SetProgramSaved(slot);
    return true;
}

int ReadProgramFile(IProgramFileWindow& window, int slot)
{
    CProgrammer* programmer = window.Programmer();
    if (!programmer) return 0;
    if (!programmer->IsSlotFree(slot)) {
        Warn(RowMaxProgramsShown);
        return 0;
    }

    const AnsiString path = AskProgramFile(false, RowOpenProgram);
    if (path.empty()) return 0;

    if (!programmer->IsProgramNameFree(path)) {
        Warn(RowProgramAlreadyLoaded);
        return 0;
    }
    TProgramFile file;
    bool readable = false;
    AnsiString error;
    if (!programfile::Read(path, file, &readable, &error)) {
        if (!readable)
            Warn(RowCannotOpenFile, error);
        else
            Warn(RowFaultyData, error);
        return 0;
    }

    double startTemperature = 0.0;
    bool allowed = programfile::ValidStartTemperature(file.Settings.StartTemperature, &startTemperature) &&
                   window.SetpointAllowed(startTemperature);
    for (const TProgramFileSegment& seg : file.Segments) allowed = allowed && window.SetpointAllowed(seg.Setpoint);
    if (!allowed) {
        Warn(RowValueOutOfBounds);
        return 0;
    }

    // The whole file is good: only now does anything change.
    const AnsiString name = ProgramNameFromFileName(path);
    TTreeNodes& items = window.ProgramTreeItems();
    TTreeNode* programNode = items.Add(nullptr, name);
    programNode->ImageIndex = ProgramNodeImage;
    programNode->SelectedIndex = ProgramNodeImage;
    if (!programmer->CreateProgram(slot, programNode, name)) {
        items.Delete(programNode);
        return 0;
    }
    window.SetProgramFileName(ExtractFileName(path));
    window.SetProgramControls(file.Settings);
    programmer->SetProgramSettings(slot, file.Settings.RepeatMode != 0, file.Settings.ContactUsed != 0,
                                   file.Settings.StirrerUsed != 0, startTemperature, file.Settings.EndAction != 0);
    TTreeNode* last = nullptr;
    for (const TProgramFileSegment& seg : file.Segments) {
        TTreeNode* node = items.AddChild(programNode, seg.Name);
        node->ImageIndex = SegmentNodeImage;
        node->SelectedIndex = SegmentNodeImage;
        programmer->AddSegment(node, seg.Name, slot);
        programmer->SetSegmentValues(node, seg.Duration, seg.WaitFlag != 0, seg.ControlMode != 0, seg.Contact,
                                     seg.AnalogOutput, seg.Setpoint);
        last = node;
    }
    window.SelectProgramNode(last ? last : programNode);
    window.ProgramFileLoaded(last);
    // The program is what its file holds until it is changed.
    programmer->SetProgramSaved(slot);
    return 1;
}
