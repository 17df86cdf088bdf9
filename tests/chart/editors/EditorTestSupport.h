#pragma once
// Drives the editors' modal dialogs in tests: every form shown modally while a ModalScript
// lives is shown offscreen and handed to the script, which sets controls and presses
// buttons; ShowModal then returns the result the script closed it with.
#include <QSettings>
#include <QTemporaryDir>
#include <functional>
#include <utility>
#include <vector>

#include "chart/editors/TTeeForm.h"
#include "platform/ColorDialog.h"

class ModalScript {
public:
    explicit ModalScript(std::function<void(TTeeForm& Form)> Script) : FScript(std::move(Script))
    {
        FOld = SetTeeModalRunner([this](TTeeForm& form) {
            ++Shown;
            form.show();
            if (FScript) FScript(form);
            return form.ModalResult();
        });
    }
    ~ModalScript() { SetTeeModalRunner(FOld); }
    ModalScript(const ModalScript&) = delete;
    ModalScript& operator=(const ModalScript&) = delete;

    int Shown = 0;

private:
    std::function<void(TTeeForm&)> FScript;
    TTeeModalRunner FOld;
};

// A process-wide hook or setting a test changes: back as it was when the scope ends,
// however the test ends.
template <class T>
class KeepGlobal {
public:
    explicit KeepGlobal(T& Global) : FGlobal(Global), FOld(Global) {}
    ~KeepGlobal() { FGlobal = std::move(FOld); }
    KeepGlobal(const KeepGlobal&) = delete;
    KeepGlobal& operator=(const KeepGlobal&) = delete;

private:
    T& FGlobal;
    T FOld;
};

// The colour dialog answers with the given colours in turn, then cancels.
class ColorReplies {
public:
    explicit ColorReplies(std::vector<TColor> Colors) : FColors(std::move(Colors))
    {
        platform::SetColorDialogRunner([this](QWidget*, platform::ColorDialogRequest& r) {
            Asked.push_back(r.Color);
            if (FNext >= FColors.size()) return false;
            r.Color = FColors[FNext++];
            return true;
        });
    }
    ~ColorReplies() { platform::SetColorDialogRunner({}); }
    ColorReplies(const ColorReplies&) = delete;
    ColorReplies& operator=(const ColorReplies&) = delete;

    std::vector<TColor> Asked;

private:
    std::vector<TColor> FColors;
    std::size_t FNext = 0;
};

// The editor options go to a folder of the test's own while it lives.
class SettingsSandbox {
public:
    SettingsSandbox() { Use(FDir.path()); }
    ~SettingsSandbox() { Use(Parking().path()); }
    SettingsSandbox(const SettingsSandbox&) = delete;
    SettingsSandbox& operator=(const SettingsSandbox&) = delete;

private:
    static void Use(const QString& Path)
    {
        QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, Path);
        QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, Path);
    }
    static QTemporaryDir& Parking()
    {
        static QTemporaryDir parking;
        return parking;
    }
    QTemporaryDir FDir;
};
