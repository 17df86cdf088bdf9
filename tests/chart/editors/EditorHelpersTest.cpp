#include <gtest/gtest.h>

#include <QCheckBox>
#include <QComboBox>
#include <QListWidget>
#include <QPushButton>
#include <QSpinBox>
#include <stdexcept>

#include "EditorTestSupport.h"
#include "chart/editors/TPenDialog.h"
#include "chart/editors/TeeEditorClasses.h"
#include "chart/editors/TeePenDlg.h"
#include "chart/editors/TeeSubjectHandlers.h"
#include "platform/Exception.h"
#include "support/ScriptedDialogs.h"

namespace {

// A form whose handlers can be made to fail.
class ProbeForm : public TTeeForm {
public:
    explicit ProbeForm(QWidget* Owner = nullptr) : TTeeForm(Owner)
    {
        Box = new QCheckBox(this);
        Ok = new QPushButton(this);
        Bind(Box, &QCheckBox::toggled, [this](bool on) {
            ++Runs;
            if (on && Fail) throw Exception("box failed");
        });
        BindModal(Ok, mrOk, [this] {
            if (Fail) throw Exception("ok failed");
        });
    }
    void FormCloseQuery(bool& CanClose) override
    {
        if (FailClose) throw std::runtime_error("close failed");
        CanClose = true;
    }
    QCheckBox* Box;
    QPushButton* Ok;
    int Runs = 0;
    bool Fail = false;
    bool FailClose = false;
};

}  // namespace

TEST(EditorHelpers, AddFormToPlacesAtMostFourPixelsDown)
{
    struct Case {
        int parentHeight, formHeight, top;
    };
    for (const Case c : {Case{100, 100, 0}, Case{105, 100, 2}, Case{140, 100, 4}, Case{100, 140, 4}}) {
        QWidget parent;
        parent.resize(200, c.parentHeight);
        auto* form = new TTeeForm;
        form->resize(150, c.formHeight);
        AddFormTo(form, &parent, 7);
        EXPECT_EQ(form->parentWidget(), &parent);
        EXPECT_EQ(form->x(), 4);
        EXPECT_EQ(form->y(), c.top) << c.parentHeight << " " << c.formHeight;
        EXPECT_EQ(form->Tag(), 7);
        EXPECT_TRUE(form->Embedded());
    }
    QWidget parent;
    QObject subject;
    auto* form = new TTeeForm;
    AddFormTo(form, &parent, &subject);
    EXPECT_EQ(form->TagObject(), &subject);
}

TEST(EditorHelpers, CreateFormTakesTheOwnersFormAndCentresOverIt)
{
    QWidget window;
    auto* inner = new QWidget(&window);
    auto owned = TeeCreateForm<TTeeForm>(inner);
    EXPECT_EQ(owned->parentWidget(), &window);
    EXPECT_EQ(owned->Position, poOwnerFormCenter);
    EXPECT_EQ(owned->BorderStyle(), fbsDialog);

    QObject notAControl;
    auto loose = TeeCreateForm<TTeeForm>(&notAControl);
    EXPECT_EQ(loose->parentWidget(), nullptr);
    EXPECT_EQ(loose->Position, poScreenCenter);
}

TEST(EditorHelpers, QuestionsGoThroughTheDialogSeam)
{
    auto& dialogs = support::TestDialogs();
    dialogs.Clear();
    dialogs.QueueAnswer(IDNO);
    dialogs.QueueAnswer(IDYES);
    EXPECT_FALSE(TeeYesNoDelete("Series1"));
    EXPECT_TRUE(TeeYesNo("Sure?"));
    ASSERT_EQ(dialogs.MessageCount(), 2u);
    EXPECT_EQ(dialogs.Messages()[0].text, "Delete Series1 ?");
    EXPECT_EQ(dialogs.Messages()[0].flags & MB_TYPEMASK, MB_YESNO);
    EXPECT_FALSE(dialogs.Messages()[1].placed);

    // Asked about a control: the box comes up beside it.
    QWidget window;
    window.setGeometry(100, 80, 300, 200);
    QWidget control(&window);
    control.setGeometry(40, 50, 60, 20);
    window.show();
    EXPECT_TRUE(TeeYesNoDelete("Series2", &control));
    const support::ShownMessage near = dialogs.LastMessage();
    ASSERT_TRUE(near.placed);
    const QPoint origin = control.mapToGlobal(QPoint(0, 0));
    EXPECT_EQ(QPoint(near.left, near.top), origin + QPoint(20, 30));
}

TEST(EditorHelpers, MoveListKeepsOrderAndObjects)
{
    QListWidget source, destination;
    source.setSelectionMode(QAbstractItemView::MultiSelection);
    int objects[5];
    for (int i = 0; i < 5; ++i) TeeAddListItem(&source, std::to_string(i), &objects[i]);
    source.item(1)->setSelected(true);
    source.item(3)->setSelected(true);
    MoveList(&source, &destination);
    ASSERT_EQ(destination.count(), 2);
    EXPECT_EQ(destination.item(0)->text(), "1");
    EXPECT_EQ(destination.item(1)->text(), "3");
    EXPECT_EQ(TeeListItemObject(&destination, 1), &objects[3]);
    ASSERT_EQ(source.count(), 3);
    EXPECT_EQ(source.item(1)->text(), "2");

    MoveListAll(&destination, &source);
    EXPECT_EQ(destination.count(), 0);
    EXPECT_EQ(source.item(4)->text(), "3");
}

TEST(EditorHelpers, CursorNamesAndValueFormats)
{
    EXPECT_EQ(TeeSetCursor(crDefault, "TeeHand"), crTeeHand);
    EXPECT_EQ(TeeSetCursor(crDefault, "HandPoint"), crHandPoint);
    EXPECT_EQ(TeeSetCursor(crArrow, "NoSuchCursor"), crArrow);
    AnsiString ident;
    EXPECT_TRUE(TeeCursorToIdent(crTeeHand, ident));
    EXPECT_EQ(ident, "crTeeHand");
    EXPECT_FALSE(TeeCursorToIdent(12345, ident));

    QComboBox combo;
    TeeFillCursors(&combo, crHandPoint);
    EXPECT_EQ(combo.itemText(combo.count() - 1), "TeeHand");
    EXPECT_EQ(combo.currentText(), "HandPoint");
    TeeFillCursors(&combo, 12345);
    EXPECT_EQ(combo.currentIndex(), -1);

    QStringList formats;
    AddDefaultValueFormats(formats);
    ASSERT_EQ(formats.size(), 9);
    EXPECT_EQ(formats[0], "#,##0.###");
    EXPECT_EQ(formats[7], "#.0 \"x10\" E+0");
}

TEST(EditorForms, HandlerGuardShowsErrorsAndCloseQueryAnswersNo)
{
    auto& dialogs = support::TestDialogs();
    dialogs.Clear();
    ProbeForm form;
    form.Fail = true;
    form.show();
    form.Box->setChecked(true);  // throws inside the handler
    EXPECT_EQ(dialogs.MessageCount(), 1u);
    EXPECT_EQ(dialogs.LastMessage().text, "box failed");

    form.Ok->click();  // a failing handler keeps the form open
    EXPECT_TRUE(form.isVisible());
    EXPECT_EQ(form.ModalResult(), mrNone);

    form.Fail = false;
    form.FailClose = true;
    form.Ok->click();
    EXPECT_TRUE(form.isVisible());
    EXPECT_EQ(dialogs.MessageCount(), 3u);
    form.FailClose = false;
    form.Ok->click();
    EXPECT_FALSE(form.isVisible());
    EXPECT_EQ(form.ModalResult(), mrOk);

    // While the form fills its controls, bound handlers stay quiet.
    const int runs = form.Runs;
    {
        TTeeForm::TFilling filling(&form);
        form.Box->setChecked(false);
    }
    EXPECT_EQ(form.Runs, runs);
}

TEST(EditorForms, BoundControlsWriteToTheObjectEditedAtTheTime)
{
    struct Sink {
        int Value = 0;
        void SetValue(int AValue) { Value = AValue; }
    };
    struct Form : TTeeForm {
        Form()
        {
            Spin = new QSpinBox(this);
            BindTo(Spin, &QSpinBox::valueChanged, Edited, &Sink::SetValue);
        }
        QSpinBox* Spin;
        Sink* Edited = nullptr;
    } form;
    form.Spin->setValue(3);  // nothing edited yet: nothing written, nothing fails
    Sink first, second;
    form.Edited = &first;
    form.Spin->setValue(4);
    form.Edited = &second;
    form.Spin->setValue(5);
    {
        TTeeForm::TFilling filling(&form);
        form.Spin->setValue(6);
    }
    EXPECT_EQ(first.Value, 4);
    EXPECT_EQ(second.Value, 5);
}

TEST(EditorForms, TablesBindControlsToTheSubjectsSetters)
{
    struct Sink {
        bool On = false;
        int Size = 0;
        void SetOn(bool AOn) { On = AOn; }
        void SetSize(int ASize) { Size = ASize; }
    };
    TTeeForm form;
    Sink* edited = nullptr;
    auto* box = new QCheckBox(&form);
    auto* spin = new QSpinBox(&form);
    auto* shownSpin = new QSpinBox(&form);
    BindChecks(&form, edited, {{box, &Sink::SetOn}});
    BindSpins(&form, edited, {{spin, &Sink::SetSize}});
    BindSpins(&form, edited, {{shownSpin, &Sink::SetSize}}, true);
    spin->setValue(2);  // nothing edited yet
    Sink sink;
    edited = &sink;
    box->click();
    spin->setValue(7);
    shownSpin->setValue(9);  // the form is not shown
    EXPECT_TRUE(sink.On);
    EXPECT_EQ(sink.Size, 7);
}

TEST(EditorForms, RegistryFindsFormsByClassName)
{
    RegisterTeeEditorClasses({&TPenDialog::staticMetaObject});
    EXPECT_EQ(FindTeeEditorClass("TPenDialog"), &TPenDialog::staticMetaObject);
    EXPECT_EQ(FindTeeEditorClass("TSurfaceSeriesEditor"), nullptr);  // no form edits surfaces
    EXPECT_EQ(FindTeeEditorClass(""), nullptr);
    QWidget owner;
    std::unique_ptr<TTeeForm> form(CreateTeeEditorForm(FindTeeEditorClass("TPenDialog"), &owner));
    ASSERT_NE(qobject_cast<TPenDialog*>(form.get()), nullptr);
    EXPECT_EQ(form->parentWidget(), &owner);
    EXPECT_THROW(RegisterTeeEditorClasses({&QWidget::staticMetaObject}), Exception);
    UnRegisterTeeEditorClasses({&TPenDialog::staticMetaObject});
    EXPECT_EQ(FindTeeEditorClass("TPenDialog"), nullptr);
}
