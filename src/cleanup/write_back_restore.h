#pragma once
#include "cleanup/write_back_backup.h"
#include "data_module/job_context.h"
#include "data_module/sinks.h"

// Puts the rows a write-back replaced back into the report tables, class by class: the
// class's unique index is dropped (the saved rows hold the duplicates it refuses), then in
// one transaction the rows of the saved keys are deleted and the saved rows inserted. A
// class that fails stays as it was, its index re-created. Restoring a backup again
// changes nothing more. A backup of another account set is refused.
class WriteBackRestoreJob {
public:
    WriteBackRestoreJob(const JobContext& context, ReportSink& log);

    // Every class of the backup, then a closing box; false when the backup is refused or a
    // class failed.
    bool run(const QString& fileName);

    // One class in its own transaction; true when it was restored.
    bool restoreClass(const QString& fileName, const BackupClass& backupClass);

private:
    void log(const QString& text);
    bool failClass(const BackupClass& c, const QString& error);
    void closeClass();   // the separator and the blank line after a class

    JobContext m_context;
    ReportSink& m_log;
};
