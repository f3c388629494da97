#include "data_module/job_context.h"

#include "data_module/database_error.h"

#include <QCoreApplication>

std::unique_ptr<ProgressSink> JobContext::progressWindow() const
{
    if (progressWindows)
        if (std::unique_ptr<ProgressSink> window = progressWindows())
            return window;
    return std::make_unique<NullProgress>();
}

QString JobContext::stamp() const { return reportStamp(clock ? clock() : systemClock()); }

QString applicationTitle() { return QStringLiteral("Vostrel报表系统数据优化工具"); }

QString reportStamp(const QTime& time)
{
    return QStringLiteral("【") + time.toString(QStringLiteral("hh:mm:ss")) + QStringLiteral("】 ");
}

void PromptService::databaseError(const DatabaseError& error)
{
    // The application name is the title (see setApplicationTitle).
    message(error.message(), QCoreApplication::applicationName(), PromptIcon::Error, PromptButtons::Ok);
}

void PromptService::information(const QString& text, const QString& caption)
{
    message(text, caption, PromptIcon::Information, PromptButtons::Ok);
}

bool PromptService::confirm(const QString& text, const QString& caption, PromptIcon icon)
{
    return message(text, caption, icon, PromptButtons::YesNo) == PromptAnswer::Yes;
}
