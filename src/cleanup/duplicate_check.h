#pragma once
#include "cleanup/cleanup_sinks.h"
#include "cleanup/cleanup_state.h"
#include "cleanup/data_classes.h"

class TEndYearDataMod;

// The check: counts, class by class, the keys occurring more than once in the year's
// report table, keeps them in the count and key-range tables, lists the affected reports
// and sets Found and Remaining. Reads the system selector and the year's table names from
// the data module's connection state.
class DuplicateCheck {
public:
    DuplicateCheck(TEndYearDataMod& dm, CleanupState& state, CheckSinks sinks);

    // The whole check. Throws DatabaseError when a count table cannot be read or the
    // report list cannot be opened; the check then stops at that class.
    void CheckAllClasses();
    // One class: whether it has duplicated keys (label texts, colour and bar steps).
    bool CheckClass(const DataClass& cls);
    // Adds the class's entries (one per report) to the list.
    void ListDirtyReports(const QString& countTable, const QString& className, const QString& countColumn,
        int classNumber);
    // Clears both flags of all five classes and empties the list.
    void ResetCheckState();
    bool DuplicatesRemain() const;

private:
    TEndYearDataMod& m_dm;
    CleanupState& m_state;
    CheckSinks m_sinks;
};

// The shortest decimal text of a number read as text ("4.0" -> "4", "2.50" -> "2.5");
// text that is no number is returned unchanged.
QString shortestDecimal(const QString& number);
