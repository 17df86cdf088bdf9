#pragma once
// The small option forms of the picture formats. A format creates its form on demand and
// reads the settings from its controls; the export dialog shows the form in its options
// page. Forms that reset their choices when shown do so in FormShow.
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QSpinBox>
#include <QWidget>

class QButtonGroup;

// A titled group of radio buttons with the index of the checked one.
class TOptionsRadioGroup : public QGroupBox {
    Q_OBJECT
public:
    TOptionsRadioGroup(const QString& Caption, const QStringList& Items, QWidget* parent = nullptr);
    // -1 when none is checked.
    int ItemIndex() const;
    void SetItemIndex(int Index);
    int Count() const;
    // The buttons, with the index of each as its id (idClicked reports a click).
    QButtonGroup* Buttons() const { return FButtons; }

private:
    QButtonGroup* FButtons;
};

class TBMPOptions : public QWidget {
    Q_OBJECT
public:
    explicit TBMPOptions(QWidget* parent = nullptr);
    // Selects "Default" colours.
    void FormShow();
    void CBMonoClick();

    QComboBox* CBColors;  // index = pixel format (device, 1, 4, 8, 15, 16, 24, 32 bits)
    QCheckBox* CBMono;

protected:
    void showEvent(QShowEvent* event) override;
};

class TEMFOptions : public QWidget {
    Q_OBJECT
public:
    explicit TEMFOptions(QWidget* parent = nullptr);
    QCheckBox* CBEnhanced;
};

class TTeeJPEGOptions : public QWidget {
    Q_OBJECT
public:
    explicit TTeeJPEGOptions(QWidget* parent = nullptr);
    TOptionsRadioGroup* RGPerf;  // 0 best quality, 1 best speed
    QCheckBox* CBGray;
    // The quality edit EQuality and its up-down, 1..100.
    QSpinBox* UpDown1;
};

class TTeeGIFOptions : public QWidget {
    Q_OBJECT
public:
    explicit TTeeGIFOptions(QWidget* parent = nullptr);
    // Dither "Nearest", reduction "None", compression the GIF picture's default.
    void FormShow();

    TOptionsRadioGroup* RGCompression;  // index = GIF compression
    QComboBox* CBDither;                // index = dither mode
    QComboBox* CBReduction;             // index = colour reduction

protected:
    void showEvent(QShowEvent* event) override;
};
