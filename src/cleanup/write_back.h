#pragma once
#include "cleanup/cleanup_sinks.h"
#include "cleanup/cleanup_state.h"
#include "cleanup/data_classes.h"

#include <QString>
#include <QStringList>

class TEndYearDataMod;
class WriteBackBackup;

struct WriteBackSinks {
    ReportSink& log;          // BatchAppendMemo
    ProgressSink& bar;        // BatchAppendBar: one step per finished stage
    ProgressSink& deleteBar;  // DeleteDirtyBar: key-range rows deleted so far
    EventsHook& events;
};

// The only step of the cleanup that changes report tables: per class found duplicated,
// in one transaction, every report row of the key range is replaced by the cleaned rows
// and the rows kept in the review; after the commit a unique index guards the key.
class WriteBack {
public:
    WriteBack(TEndYearDataMod& dm, const CleanupState& state, WriteBackSinks sinks,
        CleanupClock clock = systemClock);

    // The before-image file of the run: each class's report rows of its key range are saved
    // there before they are deleted, and a class that cannot be saved is not written back.
    // None: no backup is made.
    void setBackup(WriteBackBackup* backup) { m_backup = backup; }

    // Every class of the system with Found, in class order, then the working tables are
    // dropped. Classes the automatic cleanup left out are not written back; the log says
    // so. Returns whether every class written back succeeded in every stage.
    bool WriteBackAll();

    // One class in its own transaction; true when every stage succeeded. On a failure
    // before or at the commit the report table keeps all its rows.
    bool WriteBackClass(const QString& reportTable, const QString& rangeTable, const QString& className,
        const QString& keyList, const QString& indexName, const QStringList& keyColumns,
        const QString& reviewTable, const QString& cleanedTable);

    // The bar maximum of the write-back page: five per class with Found, plus one.
    static int barMaximum(const CleanupState& state, const QString& systemSelector);

private:
    void log(const QString& text);
    void advance();
    void events();
    bool fail(const QString& line, bool rollBack);
    void rollbackQuietly();

    TEndYearDataMod& m_dm;
    const CleanupState& m_state;
    WriteBackSinks m_sinks;
    CleanupClock m_clock;
    WriteBackBackup* m_backup = nullptr;
};
