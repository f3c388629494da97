#pragma once
#include "cleanup/data_classes.h"

#include <QList>
#include <QStringList>
#include <array>

// Where the cleanup of one data class stands during a wizard run.
struct ClassState {
    // The check found duplicated keys: the class is a candidate for the write-back.
    bool Found = false;
    // Duplicated keys still to be resolved (check, then automatic cleanup, then review).
    bool Remaining = false;
    // The automatic cleanup ran through for this class and every safety check held:
    // the staging table received all report rows of the key range, and the review table
    // all still-duplicated rows before they left the cleaned table. Only then do the
    // cleaned and review tables together hold every report row the write-back replaces.
    bool AutoCleaned = false;
};

// Keys with a missing (NULL) part: the check counts them, but they take no further part.
// At the start of its class the automatic cleanup logs each such key and removes it from
// the count and key-range tables, so the write-back never deletes the report rows of such
// a key (they stay as they are) and DeleteMatchingRows never sees one.

// The flags of the five classes (both false when the wizard opens).
struct CleanupState {
    std::array<ClassState, 5> classes;

    ClassState& of(DataClassId id) { return classes.at(static_cast<size_t>(static_cast<int>(id) - 1)); }
    const ClassState& of(DataClassId id) const
    {
        return classes.at(static_cast<size_t>(static_cast<int>(id) - 1));
    }
    ClassState& of(const DataClass& c) { return of(c.id); }
    const ClassState& of(const DataClass& c) const { return of(c.id); }

    // Clears every flag of all five classes.
    void reset() { classes = {}; }

    // Remaining for the row, column or cell dictionary, or for the report summary's unit or
    // summary data. Also by the selector of the connection state ("BB", "HZ").
    bool DuplicatesRemain(ReportSystem system) const;
    bool DuplicatesRemain(const QString& systemSelector) const { return DuplicatesRemain(systemOfSelector(systemSelector)); }

    // Whether the write-back may replace this class's key range in the report table.
    bool mayWriteBack(DataClassId id) const { return of(id).Found && of(id).AutoCleaned; }
    // The classes of the system that were found but are kept out of the write-back (their
    // report rows all stay), in class order.
    QList<DataClassId> leftOut(ReportSystem system) const;
    QStringList leftOutNames(ReportSystem system) const;
    QList<DataClassId> leftOut(const QString& systemSelector) const { return leftOut(systemOfSelector(systemSelector)); }
    QStringList leftOutNames(const QString& systemSelector) const
    {
        return leftOutNames(systemOfSelector(systemSelector));
    }
};
