#include "maintenance/control_registration.h"

#include "data_module/engine_config.h"
#include "maintenance/maintenance_settings.h"
#include "platform/process_start.h"
#include "platform/program_dir.h"

#include <QDir>
#include <QProcess>

ControlRegistrationJob::ControlRegistrationJob(const JobContext& context, ControlRegistrationOptions options,
    ProcessStarter starter)
    : m_context(context), m_options(std::move(options)), m_start(std::move(starter))
{
    if (!m_start)
        m_start = [](const QString& program, const QStringList& arguments) { return startHidden(program, arguments); };
}

const QStringList& ControlRegistrationJob::builtInNames()
{
    static const QStringList names{QStringLiteral("DBClient.dll"), QStringLiteral("STDVCL40.dll"),
        QStringLiteral("TTF16.ocx"), QStringLiteral("TTFi6.ocx"), QStringLiteral("Gif89.dll"),
        QStringLiteral("oleaut32.dll"), QStringLiteral("cell32.ocx"), QStringLiteral("vcfi32.ocx")};
    return names;
}

QString ControlRegistrationJob::folderWithSeparator(const QString& folder)
{
    if (folder.endsWith(QDir::separator()) || folder.endsWith(QLatin1Char('/')))
        return folder;
    return folder + QDir::separator();
}

ControlRegistrationJob::Command ControlRegistrationJob::command(const QString& registerCommand, const QString& path)
{
    QStringList parts = QProcess::splitCommand(registerCommand);
    Command c;
    if (!parts.isEmpty())
        c.program = parts.takeFirst();
    c.arguments = parts;
    c.arguments << QStringLiteral("/s") << path;
    return c;
}

void ControlRegistrationJob::run()
{
    const QString folder = folderWithSeparator(
        m_options.folder.isEmpty() ? QDir::toNativeSeparators(programDirectory()) : m_options.folder);
    QStringList names = ReadControlNames();
    if (names.isEmpty())
        names = builtInNames();
    const QString registerCommand =
        m_options.registerCommand.isEmpty() ? EngineConfig::load().registerCommand() : m_options.registerCommand;

    QStringList notStarted;
    for (const QString& name : names) {
        const Command c = command(registerCommand, folder + name);
        if (!m_start(c.program, c.arguments))
            notStarted << folder + name;
    }
    if (notStarted.isEmpty()) {
        m_context.prompts.message(QStringLiteral("注册完成!"), applicationTitle(), PromptIcon::None, PromptButtons::Ok);
        return;
    }
    m_context.prompts.message(QStringLiteral("注册程序") + registerCommand + QStringLiteral("未能启动，以下文件未注册:\n")
            + notStarted.join(QLatin1Char('\n')),
        QStringLiteral("提示"), PromptIcon::Warning, PromptButtons::Ok);
}
