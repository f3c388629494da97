#include "app/application.h"

#include "app/prompt_service.h"
#include "data_module/database_error.h"

#include <QLibraryInfo>
#include <QTranslator>
#include <exception>

void setApplicationTitle()
{
    // applicationDisplayName() falls back to the name. Setting the display name itself
    // would make Qt append it to every window title.
    QCoreApplication::setApplicationName(applicationTitle());
}

bool installChineseTranslation()
{
    auto* translator = new QTranslator(qApp);
    if (!translator->load(QStringLiteral("qtbase_zh_CN"), QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
        delete translator;
        return false;
    }
    return QCoreApplication::installTranslator(translator);
}

VostrelApplication::VostrelApplication(int& argc, char** argv) : QApplication(argc, argv)
{
    setApplicationTitle();
    // The desktop entry an installed copy carries (window icon and grouping under Wayland).
    setDesktopFileName(QStringLiteral("vostrel-optimizer"));
    installChineseTranslation();
}

bool VostrelApplication::notify(QObject* receiver, QEvent* event)
{
    try {
        return QApplication::notify(receiver, event);
    } catch (const DatabaseError& error) {
        prompts().databaseError(error);
    } catch (const std::exception& error) {
        prompts().message(QString::fromLocal8Bit(error.what()), applicationTitle(), PromptIcon::Error,
            PromptButtons::Ok);
    }
    return false;
}
