#include "app/TfrmSerialNumber.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include "app/CLanguage.h"
#include "platform/Dialogs.h"
#include "platform/UiThread.h"
#include "resources/TextRows.h"

using namespace resources;

TfrmSerialNumber* frmSerialNumber = nullptr;

TfrmSerialNumber::TfrmSerialNumber(QWidget* owner) : QDialog(owner)
{
    NOX_ASSERT_UI_THREAD();
    setObjectName("frmSerialNumber");
    setWindowTitle(QString::fromUtf8("Hinweis"));
    setFixedSize(244, 121);
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowStaysOnTopHint);
    QFont f("MS Sans Serif");
    f.setPixelSize(11);
    setFont(f);

    txtSerialNumber = new QLabel(QString::fromUtf8("Bitte geben Sie die Seriennummer des Geräts ein"), this);
    txtSerialNumber->setObjectName("txtSerialNumber");
    txtSerialNumber->setGeometry(2, 8, 234, 20);

    edSerialNumber = new QLineEdit(this);
    edSerialNumber->setObjectName("edSerialNumber");
    edSerialNumber->setGeometry(2, 32, 230, 22);
    // Five optional digit places shown as blanks; the text holds only the digits typed.
    edSerialNumber->setInputMask("00000; ");
    edSerialNumber->setText("00000");

    bitSerialNumber = new QPushButton("OK", this);
    bitSerialNumber->setObjectName("bitSerialNumber");
    bitSerialNumber->setGeometry(157, 64, 75, 25);
    bitSerialNumber->setAutoDefault(false);

    connect(bitSerialNumber, &QPushButton::clicked, this, [this] { bitSerialNumberClick(); });
    connect(edSerialNumber, &QLineEdit::returnPressed, this, [this] { bitSerialNumberClick(); });
}

TfrmSerialNumber::~TfrmSerialNumber()
{
    NOX_ASSERT_UI_THREAD();
    if (frmSerialNumber == this) frmSerialNumber = nullptr;
}

void TfrmSerialNumber::bitSerialNumberClick()
{
    NOX_ASSERT_UI_THREAD();
    int value = 0;
    if (!TryStrToInt(Trim(edSerialNumber->text().toStdString()), value)) value = 0;
    FSerialNumber = value;
    // This box closes itself: the global reference may name another instance by now.
    accept();
}

int AskSerialNumber(QWidget* owner)
{
    // In front of the identification window that may still be shown on top.
    QWidget* parent = platform::DialogParent();
    TfrmSerialNumber dialog(parent ? parent : owner);
    TfrmSerialNumber* previous = frmSerialNumber;
    frmSerialNumber = &dialog;
    AnsiString text;
    CLanguage* language = CLanguage::Instance();
    dialog.setWindowTitle(QString::fromStdString(language->LookupCurrentText(RowNotice, text)));
    dialog.txtSerialNumber->setText(QString::fromStdString(language->LookupCurrentText(RowEnterSerialNumber, text)));
    platform::PrepareDialog(dialog);
    dialog.exec();
    const int number = dialog.GetSerialNumber();
    frmSerialNumber = previous;
    return number;
}
