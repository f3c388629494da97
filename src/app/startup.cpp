#include "app/startup.h"

#include "app/application.h"
#include "app/connection.h"
#include "app/login_form.h"
#include "app/prompt_service.h"
#include "data_module/end_year_data_mod.h"
#include "platform/single_instance.h"

#include <QTimer>
#include <QWindow>
#include <cstdio>
#include <memory>

TEndYearDataMod* EndYearDataMod = nullptr;

LoginArgument splitLoginArgument(const QString& argument)
{
    const qsizetype comma = argument.indexOf(u',');
    if (comma < 0)
        return {QString(), argument};
    return {argument.left(comma), argument.mid(comma + 1)};
}

bool ConnectAtStart(const QStringList& arguments, const StartupSteps& steps)
{
    switch (arguments.size()) {
    case 0:
        return steps.login();
    case 1: {
        const LoginArgument login = splitLoginArgument(arguments.constFirst());
        if (steps.autoConnect(login.userCode, login.password).isEmpty())
            return true;
        return steps.login();
    }
    default:
        return false;
    }
}

bool refuseSecondStart(SingleInstanceGuard& guard)
{
    if (guard.tryAcquire())
        return false;
    prompts().message(QString::fromUtf16(AlreadyRunning), applicationTitle(), PromptIcon::None, PromptButtons::Ok);
    return true;
}

void whenShown(QWidget& window, std::function<void()> done)
{
    auto* poll = new QTimer(&window);
    poll->setInterval(20);
    QObject::connect(poll, &QTimer::timeout, &window, [&window, poll, done = std::move(done)] {
        const QWindow* handle = window.windowHandle();
        if (!window.isVisible() || !handle || !handle->isExposed())
            return;
        poll->stop();
        poll->deleteLater();
        done();
    });
    poll->start();
}

int RunProgram(VostrelApplication& app, const std::function<DispatchTable(TEndYearDataMod&)>& buildTable)
{
    setApplicationTitle();

    SingleInstanceGuard guard;
    if (refuseSecondStart(guard))
        return 0;

    auto dataModule = std::make_unique<TEndYearDataMod>();
    EndYearDataMod = dataModule.get();
    auto mainForm = std::make_unique<TMainForm>(*dataModule, buildTable(*dataModule));
    MainForm = mainForm.get();

    std::unique_ptr<TLoginForm> loginForm;
    StartupSteps steps;
    steps.autoConnect = [&](const QString& user, const QString& password) {
        return AutoConnect(*dataModule, user, password);
    };
    steps.login = [&] {
        if (!loginForm)
            loginForm = std::make_unique<TLoginForm>(*dataModule);
        LoginForm = loginForm.get();
        return loginForm->exec() == QDialog::Accepted;
    };

    const bool connected = ConnectAtStart(app.arguments().mid(1), steps);
    int result = 0;
    if (connected) {
        mainForm->show();
        if (qEnvironmentVariableIsSet("VOSTREL_QUIT_WHEN_SHOWN"))
            whenShown(*mainForm, [&app] {
                std::puts(QuitWhenShownLine);
                std::fflush(stdout);
                app.quit();
            });
        result = app.exec();
    }
    loginForm.reset();
    mainForm.reset();
    MainForm = nullptr;
    dataModule.reset();
    EndYearDataMod = nullptr;
    return result;
}
