#pragma once
// Drives the editors' modal dialogs in tests: every form shown modally while a ModalScript
// lives is shown offscreen and handed to the script, which sets controls and presses
// buttons; ShowModal then returns the result the script closed it with.
#include <functional>
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
