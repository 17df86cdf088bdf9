#include "programmer/TfrmDateTimePicker.h"

#include <QDateEdit>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTimeEdit>
#include <QTreeWidget>
#include <QVBoxLayout>
#include <cmath>

#include "app/CLanguage.h"
#include "app/IChannelForm.h"
#include "app/TfrmPanelControl.h"
#include "platform/Dialogs.h"
#include "platform/TextLines.h"
#include "platform/WindowPlacement.h"
#include "resources/TextRows.h"

using namespace resources;

namespace {

QDate ToQDate(TDateTime t)
{
    int y = 0, m = 0, d = 0;
    DecodeDate(t, y, m, d);
    return QDate(y, m, d);
}

TDateTime FromQDate(const QDate& d)
{
    return EncodeDate(d.year(), d.month(), d.day());
}

}  // namespace

TfrmDateTimePicker::TfrmDateTimePicker(QWidget* owner) : QDialog(owner)
{
    setObjectName("frmDateTimePicker");
    setWindowFlags(windowFlags() | Qt::WindowStaysOnTopHint);
    const TDateTime now = Now();
    for (int c = 1; c <= Channels; ++c) {
        StartDate[std::size_t(c)] = now;
        StartDateTime[std::size_t(c)] = now;
        Option[std::size_t(c)] = 1;
        Mode[std::size_t(c)] = vmNotUsed;
    }

    grpNotice = new QGroupBox(this);
    grpNotice->setObjectName("grpNotice");
    edTProgram = new QLineEdit(grpNotice);
    edTProgram->setObjectName("edTProgram");
    edTProgram->setReadOnly(true);
    btnDirectory = new QPushButton("...", grpNotice);
    btnDirectory->setObjectName("btnDirectory");
    dtpDate = new QDateEdit(grpNotice);
    dtpDate->setObjectName("dtpDate");
    dtpDate->setCalendarPopup(true);
    dtpTime = new QTimeEdit(grpNotice);
    dtpTime->setObjectName("dtpTime");
    dtpTime->setDisplayFormat("hh:mm:ss");
    rgpOptions = new QGroupBox(grpNotice);
    rgpOptions->setObjectName("rgpOptions");
    optStopRecord = new QRadioButton(rgpOptions);
    optStopRecord->setObjectName("optStopRecord");
    optContinueRecord = new QRadioButton(rgpOptions);
    optContinueRecord->setObjectName("optContinueRecord");
    optContinueRecord->setChecked(true);
    auto* options = new QVBoxLayout(rgpOptions);
    options->addWidget(optStopRecord);
    options->addWidget(optContinueRecord);
    auto* parameters = new QGridLayout(grpNotice);
    parameters->addWidget(edTProgram, 0, 0);
    parameters->addWidget(btnDirectory, 0, 1);
    parameters->addWidget(dtpDate, 1, 0, 1, 2);
    parameters->addWidget(dtpTime, 2, 0, 1, 2);
    parameters->addWidget(rgpOptions, 3, 0, 1, 2);

    lstOverview = new QTreeWidget(this);
    lstOverview->setObjectName("lstOverview");
    lstOverview->setRootIsDecorated(false);
    lstOverview->setColumnCount(5);
    lstOverview->setMinimumWidth(640);

    auto hint = [this](const char* name) {
        auto* l = new QLabel(this);
        l->setObjectName(name);
        l->setWordWrap(true);
        return l;
    };
    txtHint = hint("txtHint");
    txtHint1 = hint("txtHint1");
    txtHint2 = hint("txtHint2");
    txtHint3 = hint("txtHint3");
    txtHint4 = hint("txtHint4");
    txtHint5 = hint("txtHint5");
    txtHint6 = hint("txtHint6");
    txtHint7 = hint("txtHint7");
    QFont bold = txtHint->font();
    bold.setBold(true);
    txtHint->setFont(bold);
    txtHint4->setFont(bold);

    btnExit = new QPushButton(this);
    btnExit->setObjectName("btnExit");
    btnCancel = new QPushButton(this);
    btnCancel->setObjectName("btnCancel");

    auto* hints = new QVBoxLayout;
    for (QLabel* l : {txtHint, txtHint1, txtHint2, txtHint3, txtHint4, txtHint5, txtHint6, txtHint7})
        hints->addWidget(l);
    hints->addStretch(1);
    auto* left = new QVBoxLayout;
    left->addWidget(grpNotice);
    left->addLayout(hints, 1);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(btnExit);
    buttons->addWidget(btnCancel);
    auto* right = new QVBoxLayout;
    right->addWidget(lstOverview, 1);
    right->addLayout(buttons);
    auto* layout = new QHBoxLayout(this);
    layout->addLayout(left);
    layout->addLayout(right, 1);

    auto guarded = [this](void (TfrmDateTimePicker::*handler)()) {
        return [this, handler] {
            if (!FFilling) platform::GuardedCall([this, handler] { (this->*handler)(); });
        };
    };
    connect(btnDirectory, &QPushButton::clicked, this, guarded(&TfrmDateTimePicker::btnDirectoryClick));
    connect(dtpDate, &QDateEdit::dateChanged, this, guarded(&TfrmDateTimePicker::dtpDateChange));
    connect(dtpTime, &QTimeEdit::timeChanged, this, guarded(&TfrmDateTimePicker::dtpTimeChange));
    connect(optStopRecord, &QRadioButton::clicked, this, guarded(&TfrmDateTimePicker::optStopRecordClick));
    connect(optContinueRecord, &QRadioButton::clicked, this, guarded(&TfrmDateTimePicker::optContinueRecordClick));
    connect(btnExit, &QPushButton::clicked, this, [this] { platform::GuardedCall([this] { btnExitClick(); }); });
    connect(btnCancel, &QPushButton::clicked, this, [this] { btnCancelClick(); });
    connect(lstOverview, &QTreeWidget::itemClicked, this, [this](QTreeWidgetItem* item) {
        const int channel = lstOverview->indexOfTopLevelItem(item) + 1;
        platform::GuardedCall([this, channel] { lstOverviewMouseDown(channel); });
    });
    connect(lstOverview, &QTreeWidget::itemChanged, this, [this](QTreeWidgetItem* item, int column) {
        if (FFilling || column != 0) return;
        const int channel = lstOverview->indexOfTopLevelItem(item) + 1;
        platform::GuardedCall([this, channel, item] { SetRowChecked(channel, item->checkState(0) == Qt::Checked); });
    });
    ClearOverview();
    FormShow();
}

TfrmDateTimePicker::~TfrmDateTimePicker() = default;

QTreeWidgetItem* TfrmDateTimePicker::Row(int channel) const
{
    return channel >= 1 && channel <= Channels ? lstOverview->topLevelItem(channel - 1) : nullptr;
}

bool TfrmDateTimePicker::Armable(int channel) const
{
    const auto c = std::size_t(channel);
    return Mode[c] == vmProgrammer && DeviceRecognised[c] && !ProgramRunning[c];
}

void TfrmDateTimePicker::ClearOverview()
{
    FFilling = true;
    lstOverview->clear();
    for (int c = 1; c <= Channels; ++c) {
        auto* item = new QTreeWidgetItem(lstOverview);
        item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsUserCheckable);
        item->setCheckState(0, Qt::Unchecked);
    }
    FFilling = false;
    for (int c = 1; c <= Channels; ++c) BuildRow(c);
}

void TfrmDateTimePicker::SetChannelState(int channel, int deviceRecognised, int armed, const AnsiString& programFile,
                                         int programRunning, int mode)
{
    if (channel < 1 || channel > Channels) return;
    const auto c = std::size_t(channel);
    DeviceRecognised[c] = deviceRecognised ? 1 : 0;
    ProgramRunning[c] = programRunning ? 1 : 0;
    Mode[c] = mode;
    Armed[c] = armed ? 1 : 0;
    WindowArmed[c] = Armed[c];
    // The row shows the program the channel's window holds now, never one left from an
    // earlier arming or from a window of this number that was closed since.
    ProgramFile[c] = mode == vmProgrammer ? programFile : AnsiString();
    // Nor a start that has passed: the row shows what Exit would arm once it is marked.
    ProposeStart(channel);
    BuildRow(channel);
}

void TfrmDateTimePicker::BuildRow(int channel)
{
    QTreeWidgetItem* item = Row(channel);
    if (!item) return;
    const auto c = std::size_t(channel);
    AnsiString modeName;
    switch (Mode[c]) {
        case vmDataRecording: modeName = CurrentText(RowMenuDataRecording); break;
        case vmView: modeName = CurrentText(RowMenuView); break;
        case vmProgrammer: modeName = CurrentText(RowMenuProgrammer); break;
        case vmTPScout: modeName = "TP Scout"; break;
        default: modeName = CurrentText(RowNotUsed); break;
    }
    AnsiString start = "---", startStatus = "---", program = "---", programStatus = "---";
    if (Mode[c] != vmProgrammer) {
        startStatus = programStatus = CurrentText(RowNotAvailable);
        Armed[c] = 0;
    } else if (!DeviceRecognised[c]) {
        startStatus = programStatus = CurrentText(RowNoDeviceAvailable);
        Armed[c] = 0;
    } else {
        if (!ProgramFile[c].empty()) {
            if (StartDateTime[c] == 0.0) StartDateTime[c] = Now();
            start = FormatDateTime("dd.mm.yyyy hh:nn:ss", StartDateTime[c]);
            program = ExtractFileName(ProgramFile[c]);
            // A program changed in the window runs as it is there, not as its file holds it.
            if (frmPanelControl && frmPanelControl->ChannelProgramChanged(channel))
                program += " " + CurrentText(RowProgramChangedNotSaved);
            programStatus = "standby";
        } else {
            start = CurrentText(RowNoStartDateSet);
        }
        if (ProgramRunning[c]) {
            // The timed start has happened.
            programStatus = CurrentText(RowRuns);
            Armed[c] = 0;
        }
    }
    FFilling = true;
    item->setText(0, Q(Trim(CurrentText(RowChannel)) + " " + IntToStr(channel) + " - " + modeName));
    item->setText(1, Q(start));
    item->setText(2, Q(Armed[c] ? CurrentText(RowActive) : startStatus));
    item->setText(3, Q(program));
    item->setText(4, Q(programStatus));
    item->setCheckState(0, Armed[c] ? Qt::Checked : Qt::Unchecked);
    FFilling = false;
}

void TfrmDateTimePicker::FormShow()
{
    // What Cancel returns to.
    FShown = {StartDate, StartDateTime, Option, Armed, EntryEdited};
    setWindowTitle(Q(CurrentText(RowAutomaticStart)));
    grpNotice->setTitle(Q(CurrentText(RowParameters)));
    rgpOptions->setTitle(Q(CurrentText(RowOptions)));
    optStopRecord->setText(Q(CurrentText(RowSuspendRecordingUntilStart)));
    optContinueRecord->setText(Q(CurrentText(RowContinueRecording)));
    btnExit->setText(Q(CurrentText(RowExit)));
    btnCancel->setText(Q(CurrentText(RowCancel)));
    lstOverview->setHeaderLabels({Q(CurrentText(RowChannels)), Q(CurrentText(RowAutomaticStartColumn)),
                                  Q(CurrentText(RowAutomaticStartStatus)), Q(CurrentText(RowTemperatureProgramColumn)),
                                  Q(CurrentText(RowTemperatureProgramStatus))});
    lstOverview->header()->setSectionResizeMode(QHeaderView::ResizeToContents);
    // Every column as wide as its longest text, the last one too.
    lstOverview->header()->setStretchLastSection(false);
    const std::pair<QLabel*, TextRow> hints[] = {
        {txtHint, RowTips},
        {txtHint1, RowAutomaticStartNeeds},
        {txtHint2, RowAutomaticStartNeedsProgrammer},
        {txtHint3, RowAutomaticStartNeedsNoProgram},
        {txtHint4, RowConfiguration},
        {txtHint5, RowTipMarkAndLoad},
        {txtHint6, RowTipChooseStart},
        {txtHint7, RowTipMarkAndExit},
    };
    for (auto [label, row] : hints) label->setText(Q(CurrentText(row)));
    FFilling = true;
    LimitDates();
    dtpDate->setDate(ToQDate(Now()));
    FFilling = false;
    // Nothing to edit until a row is chosen.
    for (QWidget* w : std::initializer_list<QWidget*>{edTProgram, btnDirectory, dtpDate, dtpTime, rgpOptions})
        w->setEnabled(false);
    CurrentChannel = 0;
    for (int c = 1; c <= Channels; ++c) BuildRow(c);
    FitOverview();
}

void TfrmDateTimePicker::FitOverview()
{
    // Every column as wide as its texts; the list scrolls sideways where the form is narrower.
    lstOverview->header()->resizeSections(QHeaderView::ResizeToContents);
    platform::KeepOnScreen(this);
}

void TfrmDateTimePicker::LimitDates()
{
    // Today up to three days ahead; nothing in the past, nothing further.
    const QDate today = ToQDate(Now());
    dtpDate->setDateRange(today, today.addDays(DaysAhead));
}

void TfrmDateTimePicker::ProposeStart(int channel)
{
    const auto c = std::size_t(channel);
    if (Armed[c] || StartDateTime[c] >= Now()) return;
    // A start that is not armed is proposed a few minutes ahead on a full minute, never in
    // the past, where Exit would refuse it.
    constexpr double MinutesPerDay = 24.0 * 60.0;
    StartDateTime[c] = std::ceil((Now() + ProposedLeadMinutes / MinutesPerDay) * MinutesPerDay) / MinutesPerDay;
    StartDate[c] = std::floor(StartDateTime[c]);
}

void TfrmDateTimePicker::ShowEntry(int channel)
{
    const auto c = std::size_t(channel);
    ProposeStart(channel);
    FFilling = true;
    edTProgram->setText(Q(ExtractFileName(ProgramFile[c])));
    LimitDates();
    dtpDate->setDate(ToQDate(StartDateTime[c]));
    int h = 0, m = 0, s = 0, ms = 0;
    DecodeTime(StartDateTime[c], h, m, s, ms);
    dtpTime->setTime(QTime(h, m, s));
    optStopRecord->setChecked(Option[c] == 0);
    optContinueRecord->setChecked(Option[c] != 0);
    FFilling = false;
}

void TfrmDateTimePicker::lstOverviewMouseDown(int channel)
{
    if (channel < 1 || channel > Channels) return;
    CurrentChannel = channel;
    ShowEntry(channel);
    const bool editable = Armable(channel);
    for (QWidget* w : std::initializer_list<QWidget*>{edTProgram, btnDirectory, dtpDate, dtpTime, rgpOptions})
        w->setEnabled(editable);
    SetRowChecked(channel, RowChecked(channel));
}

bool TfrmDateTimePicker::RowChecked(int channel) const
{
    const QTreeWidgetItem* item = Row(channel);
    return item && item->checkState(0) == Qt::Checked;
}

void TfrmDateTimePicker::SetRowChecked(int channel, bool checked)
{
    if (channel < 1 || channel > Channels) return;
    const auto c = std::size_t(channel);
    // Only a programmer channel with a recognised unit, no running program and a program
    // file keeps its mark.
    Armed[c] = checked && Armable(channel) && !ProgramFile[c].empty() ? 1 : 0;
    BuildRow(channel);
    UpdateHold(channel);
}

bool TfrmDateTimePicker::RowChanged(int channel) const
{
    const auto c = std::size_t(channel);
    constexpr double HalfSecond = 0.5 / 86400.0;
    return Armed[c] != FShown.Armed[c] || std::fabs(StartDateTime[c] - FShown.StartDateTime[c]) > HalfSecond ||
           Option[c] != FShown.Option[c];
}

void TfrmDateTimePicker::UpdateHold(int channel)
{
    if (channel < 1 || channel > Channels || !frmPanelControl) return;
    const auto c = std::size_t(channel);
    // Only a window that is armed has a start that could begin before Exit applies the row.
    const bool hold = isVisible() && WindowArmed[c] && RowChanged(channel);
    if (hold == (FHeld[c] != 0)) return;
    FHeld[c] = hold ? 1 : 0;
    frmPanelControl->HoldAutomaticStart(channel, hold);
}

void TfrmDateTimePicker::ReleaseHolds()
{
    for (int channel = 1; channel <= Channels; ++channel) {
        const auto c = std::size_t(channel);
        if (!FHeld[c]) continue;
        FHeld[c] = 0;
        if (frmPanelControl) frmPanelControl->HoldAutomaticStart(channel, false);
    }
}

void TfrmDateTimePicker::ChannelProgramState(int channel, int armed, int programRunning)
{
    if (channel < 1 || channel > Channels || !isVisible()) return;
    const auto c = std::size_t(channel);
    ProgramRunning[c] = programRunning ? 1 : 0;
    // A row the user has changed waits for Exit or Cancel as it is; its window's start waits too.
    if (!FHeld[c]) Armed[c] = WindowArmed[c] = FShown.Armed[c] = armed ? 1 : 0;
    BuildRow(channel);
    if (CurrentChannel == channel) {
        const bool editable = Armable(channel);
        for (QWidget* w : std::initializer_list<QWidget*>{edTProgram, btnDirectory, dtpDate, dtpTime, rgpOptions})
            w->setEnabled(editable);
    }
}

void TfrmDateTimePicker::UpdateEntry()
{
    if (CurrentChannel < 1) return;
    const auto c = std::size_t(CurrentChannel);
    const QDate date = dtpDate->date();
    const QTime time = dtpTime->time();
    StartDate[c] = FromQDate(date);
    StartDateTime[c] = StartDate[c] + EncodeTime(time.hour(), time.minute(), time.second(), 0);
    Option[c] = optStopRecord->isChecked() ? 0 : 1;
    EntryEdited[c] = 1;
    BuildRow(CurrentChannel);
    UpdateHold(CurrentChannel);
}

void TfrmDateTimePicker::SetProgramName(const AnsiString& fileName)
{
    if (CurrentChannel < 1) return;
    ProgramFile[std::size_t(CurrentChannel)] = fileName;
    edTProgram->setText(Q(ExtractFileName(fileName)));
    UpdateEntry();
}

void TfrmDateTimePicker::btnDirectoryClick()
{
    if (CurrentChannel < 1 || !Armable(CurrentChannel)) return;
    // The form stays on top: the file dialog and the questions of the loading go in front
    // of it, not behind it where they could not be answered.
    platform::DialogOwnerScope owner(this);
    // An armed window keeps the program it is armed with: the user learns why nothing is
    // loaded and how to choose another one.
    if (const auto c = std::size_t(CurrentChannel); WindowArmed[c]) {
        AnsiString text = CurrentText(RowArmedWindowKeepsProgram);
        const AnsiString fields[] = {CurrentText(TextRow(RowChannel1 - 1 + CurrentChannel)),
                                     ExtractFileName(ProgramFile[c])};
        for (int i = 0; i < 2; ++i)
            if (const auto at = text.find("$" + IntToStr(i + 1)); at != AnsiString::npos)
                text.replace(at, 2, fields[i]);
        platform::dialogs().MessageBox(text, CurrentText(RowNotice), MB_OK | MB_ICONINFORMATION);
        return;
    }
    // The channel window loads the program; the main window hands its name back here.
    if (frmPanelControl) frmPanelControl->LoadProgram(CurrentChannel);
}

void TfrmDateTimePicker::dtpDateChange()
{
    LimitDates();
    UpdateEntry();
}

void TfrmDateTimePicker::dtpTimeChange()
{
    UpdateEntry();
}

void TfrmDateTimePicker::optStopRecordClick()
{
    UpdateEntry();
}

void TfrmDateTimePicker::optContinueRecordClick()
{
    UpdateEntry();
}

AnsiString TfrmDateTimePicker::ArmingRefusal(int channel, TDateTime now)
{
    const auto c = std::size_t(channel);
    const AnsiString name = CurrentText(TextRow(RowChannel1 - 1 + channel));
    if (StartDateTime[c] < now) return CurrentText(RowStartBeforeNow) + "\n\n" + name;
    // A timed start runs the program the window holds: the row must name that one.
    const AnsiString held = frmPanelControl ? frmPanelControl->ChannelProgramFile(channel) : ProgramFile[c];
    if (held == ProgramFile[c]) return AnsiString();
    AnsiString text = CurrentText(RowArmedProgramNotHeld);
    const AnsiString fields[] = {name, ExtractFileName(ProgramFile[c]), held.empty() ? AnsiString("---") : held};
    for (int i = 0; i < 3; ++i)
        if (const auto at = text.find("$" + IntToStr(i + 1)); at != AnsiString::npos) text.replace(at, 2, fields[i]);
    ProgramFile[c] = held;
    return text;
}

bool TfrmDateTimePicker::btnExitClick()
{
    platform::DialogOwnerScope owner(this);
    const TDateTime now = Now();
    // Every marked channel is looked at before any is armed: a refused one leaves all
    // channels as they were, so Cancel after it changes nothing.
    for (int channel = 1; channel <= Channels; ++channel) {
        const auto c = std::size_t(channel);
        if (!Armed[c]) continue;
        const AnsiString refusal = ArmingRefusal(channel, now);
        if (refusal.empty()) continue;
        platform::dialogs().MessageBox(refusal, CurrentText(RowNotice), MB_OK | MB_ICONINFORMATION);
        Armed[c] = 0;
        BuildRow(channel);
        UpdateHold(channel);
        return false;
    }
    for (int channel = 1; channel <= Channels && frmPanelControl; ++channel) {
        if (Armed[std::size_t(channel)])
            frmPanelControl->ArmAutomaticStart(channel);
        else
            frmPanelControl->DisarmAutomaticStart(channel);
    }
    // Applied: a start that waited for the form begins late, or is told as not carried out.
    ReleaseHolds();
    accept();
    return true;
}

void TfrmDateTimePicker::reject()
{
    // Cancel (or closing the form) leaves every entry as it was when the form was shown;
    // nothing was armed or disarmed meanwhile.
    StartDate = FShown.StartDate;
    StartDateTime = FShown.StartDateTime;
    Option = FShown.Option;
    Armed = FShown.Armed;
    EntryEdited = FShown.EntryEdited;
    for (int c = 1; c <= Channels; ++c) BuildRow(c);
    // The windows are armed as they were: a start that waited for the form begins late.
    ReleaseHolds();
    QDialog::reject();
}

TCalendarStart TfrmDateTimePicker::CalendarEntry(int channel) const
{
    TCalendarStart e;
    if (channel < 1 || channel > Channels) return e;
    const auto c = std::size_t(channel);
    e.Armed = Armed[c];
    e.ProgramName = ProgramFile[c].empty() ? AnsiString("none") : ProgramFile[c];
    e.StartTime = StartDateTime[c];
    e.RecordingActive = Option[c];
    return e;
}
