#pragma once
// The import window for measurement files (".qzv"): analyses a file's header and column
// line, reports what it finds in its memo, reads the rows into the series of a view channel
// window, and lets the user move each value column between the left (temperature) and the
// right (increment) axis.
#include <QDialog>
#include <functional>
#include <vector>

#include "app/DataFileView.h"
#include "app/QzvFile.h"
#include "platform/AnsiString.h"

class QLabel;
class QListWidget;
class QPlainTextEdit;
class QProgressBar;
class QPushButton;
class CLanguage;

// Column count of the last analysed measurement file (0 during an analysis until its
// column line is read), kept for the main window's left-axis arrangement and the view
// window's axis auto-range.
extern int ImportColumnCount;

class TfrmFileReader : public QDialog {
    Q_OBJECT
public:
    static constexpr int MaxValueColumns = 24;

    // Registers itself as frmFileReader.
    explicit TfrmFileReader(QWidget* parent = nullptr);
    ~TfrmFileReader() override;

    // The main window's left-axis arrangement (cmdSeriesShowLeftClick), called with the
    // window that was loaded.
    std::function<void(IDataFileView&)> OnSeriesShowLeft;

    // The whole import of one file into `window`: shows this window, analyses the file and,
    // when the analysis accepts it, reads the rows. A file that cannot be read is reported
    // in the memo. Returns whether rows were read.
    bool ImportFile(IDataFileView& window, const AnsiString& path);
    // The same for a file read beforehand (on another thread): `file` nullptr when it could
    // not be read, `error` then saying why.
    bool ImportRead(IDataFileView& window, const AnsiString& path, TQzvFile* file, const std::string& error);

    // The import in steps, for a file read and its rows parsed beforehand (ParseRows, on
    // another thread; `rows` nullptr: parsed here). BeginImport shows this window, analyses
    // the file and prepares the chart: true when rows are to be added, which AddRows does up
    // to `maxPoints` points at a time (true while rows remain); EndImport then completes the
    // chart. ImportRead is the three at once.
    bool BeginImport(IDataFileView& window, const AnsiString& path, TQzvFile* file, const std::string& error,
                     TQzvRows* rows);
    bool AddRows(int maxPoints);
    void EndImport();
    // The data rows of `file` for the value columns its column line names (none for a column
    // count the import does not know), the file left at its start. Any thread.
    static TQzvRows ParseRows(TQzvFile& file);

    // Reads lines 1 and 2 of `file` (nullptr: no file open) and prepares the tables, the
    // lists and the window's series names; returns ImportOk.
    unsigned char AnalyseQzvFile(TQzvFile* file, const AnsiString& fileName, IDataFileView& window);
    // Sets the chart up and reads the rows; only after AnalyseQzvFile returned 1.
    void ReadQzvData(TQzvFile& file);
    void PrepareChart();
    void AssignDefaultAxes();
    void FillAxisLists();
    void SetLanguage(int language);

    // Channel of a channel window's component name: "mdiSubWindow" is 1, "mdiSubWindow_n"
    // is n + 1; 0 for a name that is neither.
    static int ChannelFromWindowName(const AnsiString& name);
    // The channel window that is being closed must no longer be worked on by the arrow
    // buttons.
    void ForgetWindow(IDataFileView* window);
    // The window the arrow buttons work on (nullptr once it is closed).
    IDataFileView* Window() const { return FWindow; }

    void cmdRightClick();
    void cmdLeftClick();
    void cmdFileReaderOKClick();

    // The tables of the last analysed file.
    AnsiString ImportColumnNames[MaxValueColumns];
    unsigned char ImportAxisFlags[MaxValueColumns];
    unsigned char ImportOk = 0;

    QPlainTextEdit* memFileInfo;
    QLabel* txtAnalysis;
    QPushButton* cmdFileReaderOK;
    QLabel* txtProgress;
    QProgressBar* proProgress;
    QLabel* txtRightAxis;
    QLabel* txtLeftAxis;
    QListWidget* lstLeftAxis;
    QListWidget* lstRightAxis;
    QPushButton* cmdRight;
    QPushButton* cmdLeft;

    // The lines of memFileInfo (for callers and tests).
    std::vector<AnsiString> FileInfoLines() const;

private:
    // Puts the column chosen in the list on the other axis (flag 1 left, 0 right).
    void MoveColumn(QListWidget* list, int axisFlag);
    void AddInfo(const AnsiString& line);
    AnsiString Text(int row) const;
    int ValueColumns() const;

    CLanguage* FLanguage;
    IDataFileView* FWindow = nullptr;
    // The rows being added, and the next of them.
    TQzvRows FRows;
    size_t FNextRow = 0;
};

// The import form of the program (set while it exists).
extern TfrmFileReader* frmFileReader;
