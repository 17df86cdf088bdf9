#pragma once
// The export dialog: one chart panel as a picture in any registered picture format, as a
// chart file or as series data, copied to the clipboard, saved to a file or handed to the
// desktop's mail program as an attachment. TTeeExportFormBase serves any panel (picture
// and panel file); TTeeExportForm adds chart files and series data for charts.
#include <QPointer>
#include <functional>
#include <memory>
#include <optional>

#include "chart/editors/TTeeForm.h"
#include "chart/storage/TeeExport.h"
#include "platform/Dialogs.h"

class TCustomTeePanel;
class TMemoryStream;
class TSeriesData;

class TTeeExportFormBase : public TTeeForm {
    Q_OBJECT
public:
    Q_INVOKABLE explicit TTeeExportFormBase(QWidget* Owner = nullptr);
    ~TTeeExportFormBase() override;

    // ---- controls
    QTabWidget* Tabs = nullptr;
    QWidget* TabPicture = nullptr;
    QWidget* TabNative = nullptr;
    QWidget* TabData = nullptr;
    // Picture
    QListWidget* LBFormat = nullptr;
    QTabWidget* PageOptions = nullptr;
    QWidget* TabOptions = nullptr;
    QWidget* TabSize = nullptr;
    // The size boxes (edit and up-down in one).
    QSpinBox* UDWidth = nullptr;
    QSpinBox* UDHeight = nullptr;
    QCheckBox* CBAspect = nullptr;
    // Native
    QCheckBox* CBNativeData = nullptr;
    QCheckBox* CBFileSize = nullptr;
    QLabel* LabelSize = nullptr;
    QComboBox* CBNativeFormat = nullptr;
    // Data
    QComboBox* CBSeries = nullptr;
    TOptionsRadioGroup* RGText = nullptr;
    QComboBox* CBDelim = nullptr;
    QLineEdit* ECustom = nullptr;
    QCheckBox* CBIndex = nullptr;
    QCheckBox* CBLabels = nullptr;
    QCheckBox* CBHeader = nullptr;
    QCheckBox* CBColors = nullptr;
    QLineEdit* EQuotes = nullptr;
    // Buttons
    QPushButton* BCopy = nullptr;
    QPushButton* BSave = nullptr;
    QPushButton* BSend = nullptr;
    QPushButton* BClose = nullptr;

    platform::FileDialogRequest SaveDialogPicture;
    platform::FileDialogRequest SaveDialogData;
    platform::FileDialogRequest SaveDialogNative;

    // The panel to export (not owned).
    TCustomTeePanel* Panel() const { return FPanel; }
    void SetPanel(TCustomTeePanel* Value) { FPanel = Value; }

    // ---- virtual operations added here, in their order
    // The series data exporter for the current choices; none for a plain panel.
    virtual std::unique_ptr<TSeriesData> CreateData();
    virtual void DoSaveNativeToFile(const AnsiString& FileName, bool IncludeData);
    virtual bool ExistData();
    virtual std::unique_ptr<TMemoryStream> CreateNativeStream();
    virtual void PrepareOnShow();

    // "Text" chosen as the chart file format.
    bool NativeAsText() const;
    // The format of the selected picture list entry, null when there is none.
    TTeeExportFormat* PictureFormat() const;
    // The delimiter chosen for text data.
    char GetSeparator() const;
    // The data save dialog's filter entry for the current choices.
    int GetDataFilterIndex() const;
    // The buttons that make sense on the current tab.
    void EnableButtons();

    // ---- handlers
    void FormShow() override;
    void FormClose() override;
    void LBFormatClick();
    void EWidthChange();
    void EHeightChange();
    void RGTextClick();
    void CBDelimChange();
    void CBFileSizeClick();
    void CBNativeDataClick();
    void CBNativeFormatChange();
    void BCopyClick();
    void BSaveClick();
    void BSendClick();

    // The picture formats of the list, in registration order.
    const TTeeExportFormatItems& Formats() const { return FFormats; }

protected:
    // The widget of the data tab; a plain panel hides it.
    void ShowDataTab(bool Show);

private:
    void ClearFormats();
    // The format a picture file goes to: by the name's extension, else by the filter
    // entry chosen, else the selected one.
    TTeeExportFormat* FormatForFile(const AnsiString& FileName, int FilterIndex) const;
    void SavePicture(TTeeExportFormat* Format, const AnsiString& FileName);
    void SaveNative(const AnsiString& FileName);
    void SaveData(const AnsiString& FileName);
    // Runs Make, which saves a file, with the writing deferred: the file is made here, where
    // the chart lives, and written on the background saver, so that a drive that does not
    // answer holds up no window. A failed write is reported when it comes back; Then runs
    // after a good one. The dialog may be gone by then.
    static void WriteInBackground(const std::function<void()>& Make, std::function<void()> Then = {});
    // The extension (without the dot) of a data save dialog filter entry.
    AnsiString DataFilterExtension(int FilterIndex) const;

    QPointer<TCustomTeePanel> FPanel;
    TTeeExportFormatItems FFormats;
    // Width over height of the panel when the dialog was shown; 0 keeps no aspect.
    double FRatio = 0;
    bool FChanging = false;
    AnsiString FTeeExtension;
    AnsiString FTeeFilter;
    AnsiString FTeeName;
};

class TTeeExportForm : public TTeeExportFormBase {
    Q_OBJECT
public:
    Q_INVOKABLE explicit TTeeExportForm(QWidget* Owner = nullptr);

    std::unique_ptr<TSeriesData> CreateData() override;
    void DoSaveNativeToFile(const AnsiString& FileName, bool IncludeData) override;
    bool ExistData() override;
    std::unique_ptr<TMemoryStream> CreateNativeStream() override;
    void PrepareOnShow() override;
};

// Shows the export dialog for Panel modally.
void TeeExport(QObject* AOwner, TCustomTeePanel* Panel);

// Writes a panel (any persistent panel) with its stored properties and owned components
// into a stream or file in the binary component form.
void SaveTeeToStream(TCustomTeePanel* Panel, TStream* Stream);
void SaveTeeToFile(TCustomTeePanel* Panel, const AnsiString& FileName);
// Read such a panel back into Panel, from the stream's position to its end; a stream that
// cannot be read leaves the panel as it was (ChartException).
void LoadTeeFromStream(TCustomTeePanel* Panel, TStream* Stream);
void LoadTeeFromFile(TCustomTeePanel* Panel, const AnsiString& FileName);

// Hands FileName to the desktop's mail program as the attachment of a new message with
// Subject; answers 0 when the mail program took it, else an error code.
using TTeeMailLauncher = std::function<int(const AnsiString& FileName, const AnsiString& Subject)>;
// The launcher in use: the installed one, else the desktop's mail program ("xdg-email",
// looked for once) when it exists; empty when there is none.
TTeeMailLauncher TeeMailLauncher();
// Installs Launcher (an empty one: no mail program; nullopt puts the desktop's back) and
// returns what it replaced.
std::optional<TTeeMailLauncher> SetTeeMailLauncher(std::optional<TTeeMailLauncher> Launcher);
// Raises "Can not email DodUdudu. Mapi Error: %d" when the launcher answers an error, and
// when there is no launcher at all.
void TeeEmailFile(const AnsiString& FileName, const AnsiString& Subject);
inline void InternalTeeEmailFile(const AnsiString& FileName, const AnsiString& Subject)
{
    TeeEmailFile(FileName, Subject);
}
