// The graph options page: one value series' name and colour, the ranges and titles of the
// three axes, the automatic time axis with its scrolling window, error marks and the
// background gradient of every channel window. Most edits wait for "accept values".
#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpressionValidator>
#include <QStyle>
#include <QVBoxLayout>

#include "app/TfrmMainWindow.h"
#include "channel/ChannelTexts.h"
#include "channel/TmdiSubWindow.h"
#include "chart/engine/TChartAxis.h"
#include "chart/engine/TCustomChart.h"
#include "chart/engine/TSeriesMarks.h"
#include "chart/engine/TeeColorButton.h"
#include "platform/Dialogs.h"
#include "platform/FormatSettings.h"
#include "platform/GraphicsObjects.h"
#include "platform/TextLines.h"
#include "platform/UiThread.h"

using namespace resources;

namespace {

AnsiString Text(const QLineEdit* edit)
{
    return Trim(edit->text().toStdString());
}

void Warn(TextRow row)
{
    platform::dialogs().MessageBox(ChannelText(row), ChannelText(RowWarningCaption), MB_OK);
}

}  // namespace

void TmdiSubWindow::BuildOptionsPage()
{
    QWidget* p = tabDataOptions;
    auto group = [p](const char* name) {
        auto* g = new QGroupBox(p);
        g->setObjectName(name);
        return g;
    };
    auto label = [](QWidget* parent, const char* name) {
        auto* l = new QLabel(parent);
        l->setObjectName(name);
        return l;
    };
    auto check = [](QWidget* parent, const char* name, bool checked) {
        auto* c = new QCheckBox(parent);
        c->setObjectName(name);
        c->setChecked(checked);
        return c;
    };
    auto edit = [](QWidget* parent, const char* name, const char* text) {
        auto* e = new QLineEdit(QString::fromUtf8(text), parent);
        e->setObjectName(name);
        return e;
    };
    auto back = [this](QWidget* parent, const char* name) {
        auto* b = new QPushButton(parent);
        b->setObjectName(name);
        b->setIcon(style()->standardIcon(QStyle::SP_DialogResetButton));
        return b;
    };

    grpVariables = group("grpVariables");
    txtLineSeries = label(grpVariables, "txtLineSeries");
    txtLineName = label(grpVariables, "txtLineName");
    txtLineColor = label(grpVariables, "txtLineColor");
    cmbLineSeries = new QComboBox(grpVariables);
    cmbLineSeries->setObjectName("cmbLineSeries");
    edLineName = edit(grpVariables, "edLineName", "");
    // A typed name has up to 10 characters; a longer title is shown whole, so accepting
    // the page's other values does not cut the series' name.
    edLineName->setValidator(new QRegularExpressionValidator(QRegularExpression(".{0,10}"), edLineName));
    clbLineColor = new TButtonColor(grpVariables);
    clbLineColor->setObjectName("clbLineColor");
    FLineColour = new TPen(this);
    FLineColour->SetColor(clAqua);
    clbLineColor->LinkProperty(FLineColour, "Color");
    auto* variables = new QGridLayout(grpVariables);
    variables->addWidget(txtLineSeries, 0, 0);
    variables->addWidget(cmbLineSeries, 0, 1);
    variables->addWidget(txtLineName, 1, 0);
    variables->addWidget(edLineName, 1, 1);
    variables->addWidget(txtLineColor, 2, 0);
    variables->addWidget(clbLineColor, 2, 1);

    grpScale = group("grpScale");
    txtMin = label(grpScale, "txtMin");
    txtMax = label(grpScale, "txtMax");
    txtTempAxis = label(grpScale, "txtTempAxis");
    txtPowerAxis = label(grpScale, "txtPowerAxis");
    txtTimeAxis = label(grpScale, "txtTimeAxis");
    edTempMin = edit(grpScale, "edTempMin", "-61");
    edTempMax = edit(grpScale, "edTempMax", "+40");
    edPowerMin = edit(grpScale, "edPowerMin", "-110");
    edPowerMax = edit(grpScale, "edPowerMax", "+1000");
    edTimeMin = edit(grpScale, "edTimeMin", "");
    edTimeMax = edit(grpScale, "edTimeMax", "");
    for (QLineEdit* e : {edTimeMin, edTimeMax})
        e->setMinimumWidth(e->fontMetrics().horizontalAdvance("00.00.0000 00:00:00") + 12);
    edTempAxisLabel = edit(grpScale, "edTempAxisLabel", "");
    edPowerAxisLabel = edit(grpScale, "edPowerAxisLabel", "");
    edTimeAxisLabel = edit(grpScale, "edTimeAxisLabel", "");
    btnBackTempAxis = back(grpScale, "btnBackTempAxis");
    btnBackPowerAxis = back(grpScale, "btnBackPowerAxis");
    btnBackTimeAxis = back(grpScale, "btnBackTimeAxis");
    chkAutomaticScale = check(grpScale, "chkAutomaticScale", true);
    chkAutomaticScaleY = check(grpScale, "chkAutomaticScaleY", true);
    chkTimeWindow = check(grpScale, "chkTimeWindow", true);
    txtTimeWindow = label(grpScale, "txtTimeWindow");
    edTimeWindow = edit(grpScale, "edTimeWindow", "30");
    txtZoomWarning = label(grpScale, "txtZoomWarning");
    txtZoomWarning->setText(QString::fromUtf8("Zoom ist aktiv !"));
    txtZoomWarning->setStyleSheet("color: red; font-weight: bold");
    txtZoomWarning->hide();
    auto* scale = new QGridLayout(grpScale);
    scale->addWidget(txtMin, 0, 1);
    scale->addWidget(txtMax, 0, 2);
    int row = 1;
    for (auto [title, minimum, maximum, caption, reset] :
         std::initializer_list<std::tuple<QLabel*, QLineEdit*, QLineEdit*, QLineEdit*, QPushButton*>>{
             {txtTempAxis, edTempMin, edTempMax, edTempAxisLabel, btnBackTempAxis},
             {txtPowerAxis, edPowerMin, edPowerMax, edPowerAxisLabel, btnBackPowerAxis},
             {txtTimeAxis, edTimeMin, edTimeMax, edTimeAxisLabel, btnBackTimeAxis}}) {
        scale->addWidget(title, row, 0);
        scale->addWidget(minimum, row, 1);
        scale->addWidget(maximum, row, 2);
        scale->addWidget(caption, row, 3);
        scale->addWidget(reset, row, 4);
        ++row;
    }
    scale->addWidget(chkAutomaticScale, row, 0, 1, 2);
    scale->addWidget(chkAutomaticScaleY, row++, 2, 1, 2);
    scale->addWidget(chkTimeWindow, row, 0, 1, 2);
    scale->addWidget(txtTimeWindow, row, 2);
    scale->addWidget(edTimeWindow, row++, 3);
    scale->addWidget(txtZoomWarning, row, 0, 1, 4);
    scale->setRowStretch(row + 1, 1);

    grpGraph = group("grpGraph");
    chkError = check(grpGraph, "chkError", false);
    chkLabel = check(grpGraph, "chkLabel", true);
    chkGradient = check(grpGraph, "chkGradient", true);
    auto* graph = new QVBoxLayout(grpGraph);
    for (QCheckBox* c : {chkError, chkLabel, chkGradient}) graph->addWidget(c);
    graph->addStretch(1);

    cmdGraphRefresh = new QPushButton(p);
    cmdGraphRefresh->setObjectName("cmdGraphRefresh");

    auto* grid = new QGridLayout(p);
    grid->addWidget(grpVariables, 0, 0);
    grid->addWidget(grpGraph, 1, 0);
    grid->addWidget(grpScale, 0, 1, 2, 1);
    grid->addWidget(cmdGraphRefresh, 2, 1, Qt::AlignRight);
    // The groups fill the page; their controls keep to the top.
    grid->setRowStretch(1, 1);
    grid->setColumnStretch(1, 1);
}

void TmdiSubWindow::ConnectOptionsHandlers()
{
    auto refresh = [this] { cmdGraphRefresh->setEnabled(true); };
    // Every edit of the page waits for "accept values".
    for (QLineEdit* e : {edTimeWindow, edTimeMin, edTimeMax, edTempMin, edTempMax, edPowerMin, edPowerMax, edLineName,
                         edTempAxisLabel, edPowerAxisLabel, edTimeAxisLabel})
        connect(e, &QLineEdit::textEdited, this, refresh);
    connect(chkTimeWindow, &QCheckBox::clicked, this, refresh);
    FLineColour->OnChange = [this](QObject*) { cmdGraphRefresh->setEnabled(true); };
    connect(cmdGraphRefresh, &QPushButton::clicked, this,
            platform::GuardedSlot(this, &TmdiSubWindow::cmdGraphRefreshClick));
    // The user's choice only: the lists refilled by the program change nothing else.
    connect(cmbLineSeries, &QComboBox::activated, this,
            platform::GuardedSlot(this, &TmdiSubWindow::cmbLineSeriesChange));
    connect(edLineName, &QLineEdit::returnPressed, this, [this] {
        platform::GuardedCall([this] {
            char key = 13;
            edLineNameKeyPress(key);
        });
    });
    connect(edTimeWindow, &QLineEdit::returnPressed, this, [this] {
        platform::GuardedCall([this] {
            char key = 13;
            edTimeWindowKeyPress(key);
        });
    });
    connect(chkAutomaticScale, &QCheckBox::clicked, this, [this] {
        platform::GuardedCall([this] {
            chkAutomaticScaleMouseDown();
            chkAutomaticScaleClick();
        });
    });
    connect(btnBackTempAxis, &QPushButton::clicked, this,
            platform::GuardedSlot(this, &TmdiSubWindow::btnBackTempAxisClick));
    connect(btnBackPowerAxis, &QPushButton::clicked, this,
            platform::GuardedSlot(this, &TmdiSubWindow::btnBackPowerAxisClick));
    connect(btnBackTimeAxis, &QPushButton::clicked, this,
            platform::GuardedSlot(this, &TmdiSubWindow::btnBackTimeAxisClick));
    connect(chkError, &QCheckBox::clicked, this, platform::GuardedSlot(this, &TmdiSubWindow::chkErrorClick));
    connect(chkGradient, &QCheckBox::clicked, this, platform::GuardedSlot(this, &TmdiSubWindow::chkGradientClick));
}

void TmdiSubWindow::cmbLineSeriesChange()
{
    NOX_ASSERT_UI_THREAD();
    const int k = cmbLineSeries->currentIndex();
    clbLineColor->SetTeeColor(clYellow);
    if (TChartSeries* s = FSession->Series(k)) {
        clbLineColor->SetTeeColor(s->GetSeriesColor());
        edLineName->setText(Q(s->GetTitle()));
    }
    clbLineColor->update();
    cmdGraphRefresh->setEnabled(true);
}

void TmdiSubWindow::SetLineSeriesName(int k, const AnsiString& name)
{
    TChartSeries* s = FSession->Series(k);
    if (!s || k < 0 || k >= cmbLineSeries->count()) return;
    s->SetTitle(name);
    cmbLineSeries->setItemText(k, Q(name));
    cmbLineSeries->setCurrentIndex(k);
    graDataGraph->Invalidate();
}

void TmdiSubWindow::edLineNameKeyPress(char& key)
{
    NOX_ASSERT_UI_THREAD();
    if (key != 13 || edLineName->text().isEmpty()) return;
    SetLineSeriesName(cmbLineSeries->currentIndex(), edLineName->text().toStdString());
}

bool TmdiSubWindow::ApplyTimeWindow()
{
    int minutes = 0;
    if (!TryStrToInt(Text(edTimeWindow), minutes)) {
        Warn(RowInputMaskError);
        return false;
    }
    if (minutes < 10 || minutes > 720) {
        Warn(RowEnterValue10To720);
        return false;
    }
    TimeWindow = minutes * 60 * (1.0 / 86400.0);
    return true;
}

void TmdiSubWindow::edTimeWindowKeyPress(char& key)
{
    NOX_ASSERT_UI_THREAD();
    if (key == 13) ApplyTimeWindow();
}

void TmdiSubWindow::cmdGraphRefreshClick()
{
    NOX_ASSERT_UI_THREAD();
    cmdGraphRefresh->setEnabled(false);
    auto number = [](const QLineEdit* e, double& value) { return TryStrToFloat(Text(e), value); };
    auto time = [this, &number](const QLineEdit* e, double& value) {
        return ImportedFile ? number(e, value) : TryStrToDateTime(Text(e), value);
    };
    // Every range is read and checked before any is set: a typing error, or a maximum
    // below its own minimum, changes nothing.
    double timeMax = 0, timeMin = 0, tempMax = 0, tempMin = 0, powerMax = 0, powerMin = 0;
    if (!time(edTimeMax, timeMax) || !time(edTimeMin, timeMin) || !number(edTempMax, tempMax) ||
        !number(edTempMin, tempMin) || !number(edPowerMax, powerMax) || !number(edPowerMin, powerMin) ||
        timeMax < timeMin || tempMax < tempMin || powerMax < powerMin) {
        Warn(RowInputMaskError);
        return;
    }
    SetAxisRange(graDataGraph->BottomAxis(), timeMin, timeMax);
    SetAxisRange(graDataGraph->LeftAxis(), tempMin, tempMax);
    SetAxisRange(graDataGraph->RightAxis(), powerMin, powerMax);
    ApplyTimeWindow();

    graDataGraph->LeftAxis()->GetTitle()->SetCaption(edTempAxisLabel->text().toStdString());
    graDataGraph->RightAxis()->GetTitle()->SetCaption(edPowerAxisLabel->text().toStdString());
    graDataGraph->BottomAxis()->GetTitle()->SetCaption(edTimeAxisLabel->text().toStdString());

    // An empty chart keeps its series and the ranges undo zoom returns to.
    TChartSeries* s0 = FSession->Series(0);
    if (!s0 || s0->Count() == 0) return;
    const int k = cmbLineSeries->currentIndex();
    if (TChartSeries* s = FSession->Series(k)) {
        const TColor colour = clbLineColor->GetTeeColor();
        if (s->Count() > 0) s->ColorRange(s->XValues(), 0, s->GetxValue(s->Count() - 1), colour);
        s->SetSeriesColor(colour);
    }
    StoreAxisRanges();
    if (!edLineName->text().isEmpty()) SetLineSeriesName(k, edLineName->text().toStdString());
}

void TmdiSubWindow::chkAutomaticScaleMouseDown()
{
    NOX_ASSERT_UI_THREAD();
    ZoomRestore = chkAutomaticScale->isChecked() ? 1 : 0;
    if (Zoomed) txtZoomWarning->show();
}

void TmdiSubWindow::SetAutomaticScale(bool checked)
{
    NOX_ASSERT_UI_THREAD();
    if (chkAutomaticScale->isChecked() == checked) return;
    chkAutomaticScale->setChecked(checked);
    chkAutomaticScaleClick();
}

void TmdiSubWindow::chkAutomaticScaleClick()
{
    NOX_ASSERT_UI_THREAD();
    const bool on = chkAutomaticScale->isChecked();
    graDataGraph->BottomAxis()->SetAutomaticMaximum(on);
    edTimeMin->setEnabled(!on);
    edTimeMax->setEnabled(!on);
    edTimeWindow->setEnabled(on);
    chkTimeWindow->setEnabled(on);
    if (!on) chkAutomaticScaleY->setChecked(false);
    chkAutomaticScaleY->setEnabled(on);
    cmdGraphRefresh->setEnabled(true);
}

void TmdiSubWindow::btnBackTempAxisClick()
{
    NOX_ASSERT_UI_THREAD();
    edTempAxisLabel->setText(Q(ChannelText(RowTemperatureInDegrees)));
    graDataGraph->LeftAxis()->GetTitle()->SetCaption(edTempAxisLabel->text().toStdString());
}

void TmdiSubWindow::btnBackPowerAxisClick()
{
    NOX_ASSERT_UI_THREAD();
    edPowerAxisLabel->setText(Q(ChannelText(RowIncrementInPercent)));
    graDataGraph->RightAxis()->GetTitle()->SetCaption(edPowerAxisLabel->text().toStdString());
}

void TmdiSubWindow::btnBackTimeAxisClick()
{
    NOX_ASSERT_UI_THREAD();
    edTimeAxisLabel->setText(Q(ChannelText(ImportedFile ? RowTimeInHhMmSsAxis : RowTimeInHhMmSs)));
    graDataGraph->BottomAxis()->GetTitle()->SetCaption(edTimeAxisLabel->text().toStdString());
}

void TmdiSubWindow::chkErrorClick()
{
    NOX_ASSERT_UI_THREAD();
    const bool show = chkError->isChecked();
    const int n = std::min(FSession->ValueSeriesCount(), ChannelSeriesCount);
    for (int i = 0; i < n; ++i)
        if (TChartSeries* s = FSession->Series(i); s && i != 2) s->Marks()->SetVisible(show);
    cmdGraphRefresh->setEnabled(true);
}

void TmdiSubWindow::chkGradientClick()
{
    NOX_ASSERT_UI_THREAD();
    const bool on = chkGradient->isChecked();
    for (int c = 1; c <= MaxChannelWindows; ++c)
        if (TmdiSubWindow* w = ChannelWindow(c)) w->SetGradientScheme(on);
    SetGradientScheme(on);
    if (frmMainWindow) frmMainWindow->GradientScheme = on ? 1 : 0;
}
