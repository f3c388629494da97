#pragma once
#include "data_module/job_context.h"

#include <QString>
#include <QStringList>
#include <functional>

struct ControlRegistrationOptions {
    // The folder that holds the files (DirEdit); empty: the program's directory.
    QString folder;
    // The registration program and its own leading arguments; empty: as engine.ini says.
    QString registerCommand;
};

// Starts a program with its arguments, hidden and without waiting; false when it could
// not be started.
using ProcessStarter = std::function<bool(const QString& program, const QStringList& arguments)>;

// 控件注册: registers the report system's controls and libraries, one registration
// command per file, started hidden and not waited for. Touches no database.
class ControlRegistrationJob {
public:
    explicit ControlRegistrationJob(const JobContext& context, ControlRegistrationOptions options = {},
        ProcessStarter starter = {});

    // Reads the settings file's control list afresh, starts one command per file, ends
    // with the closing box: "注册完成!", or the files whose registration could not start.
    void run();

    // Used when the settings file names no control file, in this order.
    static const QStringList& builtInNames();
    // The folder with one trailing separator.
    static QString folderWithSeparator(const QString& folder);

    struct Command {
        QString program;
        QStringList arguments;
    };
    // registerCommand's program and leading arguments, then "/s" and the file's path as
    // one argument each.
    static Command command(const QString& registerCommand, const QString& path);

private:
    JobContext m_context;
    ControlRegistrationOptions m_options;
    ProcessStarter m_start;
};
