#include "app/ToolkitTranslation.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QTranslator>
#include <memory>

#include "app/CLanguage.h"
#include "platform/UiThread.h"

namespace {

// Installed while the window is German; the application keeps only a pointer to it.
std::unique_ptr<QTranslator>& Installed()
{
    static std::unique_ptr<QTranslator> translator;
    return translator;
}

}  // namespace

bool UseToolkitTranslation(int language)
{
    NOX_ASSERT_UI_THREAD();
    std::unique_ptr<QTranslator>& installed = Installed();
    if (language != CLanguage::German) {
        if (installed) QCoreApplication::removeTranslator(installed.get());
        installed.reset();
        return true;
    }
    if (installed) return true;
    auto translator = std::make_unique<QTranslator>();
    // The toolkit's translations lie where the toolkit itself says, not where it was built.
    if (!translator->load(QStringLiteral("qtbase_de"), QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
        qWarning("The toolkit's German translation (qtbase_de.qm) was not found in %s",
                 qPrintable(QLibraryInfo::path(QLibraryInfo::TranslationsPath)));
        return false;
    }
    if (!QCoreApplication::installTranslator(translator.get())) return false;
    installed = std::move(translator);
    return true;
}

bool ToolkitTranslationLoaded()
{
    return Installed() != nullptr;
}
