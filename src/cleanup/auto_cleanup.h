#pragma once
#include "cleanup/cleanup_sinks.h"
#include "cleanup/cleanup_state.h"
#include "cleanup/data_classes.h"

#include <QHash>
#include <QSet>
#include <QString>
#include <QStringList>
#include <optional>

class TEndYearDataMod;

// The automatic cleanup: per class marked Remaining, copies the report rows of every
// duplicated key into the staging table, removes complete duplicates and (optionally)
// illegal cells, normalises empty values, and splits the rows into the cleaned table (keys
// now unique) and the review table (keys still duplicated). Works on working tables only.
//
// Safety: a class whose copies cannot be verified (staging table short of the rows the
// count table promises, review table short of the still-duplicated rows, a failing copy,
// append, truncate or key deletion) stops with a log line saying so, gets Remaining false
// and AutoCleaned false, and is thereby kept out of the write-back with all its report
// rows. Keys with missing (NULL) parts are logged and dropped from the count and
// key-range tables before the copy (see cleanup_state.h).
class AutoCleanup {
public:
    AutoCleanup(TEndYearDataMod& dm, CleanupState& state, AutoCleanSinks sinks,
        CleanupClock clock = systemClock);

    // ChkDYZD: remove cells whose row or column code has no dictionary entry (default on).
    void setRemoveIllegal(bool on) { m_removeIllegal = on; }
    bool removeIllegal() const { return m_removeIllegal; }

    // All classes with Remaining, in class order. Throws DatabaseError when a table that
    // must be read (count table, staging table) cannot be opened; classes not finished
    // then stay out of the write-back.
    void AutoCleanAll();
    // One class; returns whether key duplicates remain (stored in Remaining by the caller).
    bool AutoCleanClass(const DataClass& cls);
    // Deletes from target the cells of illegal coordinates and, for optiDYZD, cells that
    // differ from another only in DYZD_ORDE. Reports success whatever a single statement
    // did; false only when the walk's deletions, run in one group, could not be committed.
    // Throws DatabaseError when the source cannot be opened.
    bool RemoveIllegalCells(const QString& source, const QString& target, ProgressSink& bar);
    // Both codes exist for that report in the year's row and column dictionaries. A lookup
    // that fails to run counts as found. During RemoveIllegalCells and AutoCleanAll each code
    // is looked up once (the cleanup never changes the dictionaries).
    bool CellCoordinatesLegal(const QString& reportNumber, const QString& reportDate, const QString& rowCode,
        const QString& columnCode);

    // The bar maximum AutoCleanAll uses.
    int barMaximum() const;

private:
    void log(const QString& text);          // stamped line
    void logPlain(const QString& text);     // separator and blank lines
    void events();
    bool excludeNullKeys(const DataClass& cls);
    void secondPass(const DataClass& cls, bool& ok);
    void failClass(const DataClass& cls, const QString& reason);
    // False when its deletions could not be committed (m_walkError says why).
    bool removeIllegalCells(const QString& source, const QString& target, ProgressSink& bar,
        bool targetMirrorsSource);
    // Keys (codeKey) of the source's codes present in the dictionary; none when not caching
    // or when the join cannot run.
    std::optional<QSet<QString>> knownCodes(const QString& source, const QString& dictionary,
        const QString& codeColumn);
    // The source rows the illegal-cell walk must visit, with the column IllegalCell (1 when a
    // code is missing from the dictionaries) and, for the cell dictionary, CellAlone (1 when
    // no other source row has its coordinates). Empty for the cell dictionary where the server
    // cannot give them in source order.
    QString cellsToVisit(const QString& source, bool cellDictionary) const;
    void startCaching();
    void stopCaching();
    qint64 countRows(const QString& table, const QString& expression = QStringLiteral("count(1)"));

    TEndYearDataMod& m_dm;
    CleanupState& m_state;
    AutoCleanSinks m_sinks;
    CleanupClock m_clock;
    bool m_removeIllegal = true;
    bool m_caching = false;
    QHash<QString, bool> m_columnCodes, m_rowCodes;
    QString m_walkError;   // why the illegal-cell walk's changes could not be committed
};
