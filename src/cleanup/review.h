#pragma once
#include "cleanup/cleanup_sinks.h"
#include "cleanup/cleanup_state.h"
#include "cleanup/data_classes.h"
#include "data_module/cached_query.h"
#include "data_module/prompts.h"

#include <QList>
#include <QString>
#include <array>
#include <memory>

class TEndYearDataMod;

// Letters of a column coordinate in the spreadsheet manner: 1 A .. 26 Z, 27 AA, 702 ZZ,
// 703 AAA. Below 1: empty.
QString ColumnLetters(int column);

// Where a review row sits in the report: letters of the column coordinate and the row
// coordinate ("C12"); several coordinates each followed by ";" ("C12;D12;"); empty when
// the codes have no dictionary entry. Throws DatabaseError when the lookup fails.
QString CellCoordinateText(TEndYearDataMod& dm, const QString& reviewTable, const QString& rowDictionary,
    const QString& columnDictionary, const QString& reportNumber, const QString& reportDate,
    const QString& rowCode, const QString& columnCode, const QString& textValue);

// Whether cells (and, for "HZ", unit or summary data) of the year still use a row or
// column code. column: "HZD_ORDE" or "LZD_ORDE". A failing lookup counts as not in use.
bool CodeInUse(TEndYearDataMod& dm, const QString& column, const QString& reportNumber,
    const QString& reportDate, const QString& code);

// One column of a review grid: field, caption, width (0: the default).
struct ReviewColumn {
    QString field;
    QString caption;
    int width = 0;
};
const QList<ReviewColumn>& reviewColumns(DataClassId id);

// The manual review of the rows the automatic cleanup left duplicated: the five review
// queries over the review tables, deletions written back at once, the per-class check,
// emptying a review table, and the coordinate of a cell row. Questions and messages go
// through the prompt service it is given.
class Review {
public:
    Review(TEndYearDataMod& dm, CleanupState& state, PromptService& prompts, CleanupClock clock = systemClock);

    // QryUpdateHZD .. QryUpdateHZSJ (update objects: their delete statements).
    CachedQuery& query(DataClassId id) { return *m_queries.at(static_cast<size_t>(static_cast<int>(id) - 1)); }

    // Closes each review query and gives it its select and delete statements (unit and
    // summary data only for the report-summary system).
    void PrepareReviewQueries(const QString& reviewHZD, const QString& reviewLZD, const QString& reviewDYZD,
        const QString& reviewDWSJ, const QString& reviewHZSJ, const QString& reportDictionary,
        const QString& unitDictionary, const QString& categoryDictionary);

    // Copies the report dictionary for the grids, prepares and opens the review query
    // of every class with Remaining and returns those classes in class order. Throws
    // DatabaseError when a review query cannot be opened.
    QList<DataClassId> Prepare(ReportSink& log, ProgressSink& bar, EventsHook& events);

    enum class DeleteResult { Deleted, Declined, UpdateFailed, NoRow };
    // Deletes a row of the grid after the in-use warning (row and column dictionary) and
    // the confirmation (unless ignoreWarning). The deletion reaches the review table once,
    // through the delete statement; when that removes other than one row the user is told
    // the update failed and the query shows the table's actual rows again.
    DeleteResult DeleteRow(DataClassId id, int row, bool ignoreWarning);

    // Counts the review table's duplicated keys: passes (Remaining false) or returns in
    // locateRow the first grid row of the first duplicated key (-1 when not shown).
    // Shows the pass or the warning box. Throws DatabaseError when the count table
    // cannot be read.
    bool Check(DataClassId id, int* locateRow = nullptr);

    // After the confirmation deletes every row of the review table in a transaction;
    // in every case reopens the query. Returns whether the table was emptied.
    bool Empty(DataClassId id);

    // CellCoordinateText of a grid row (cell, unit and summary data).
    QString CoordinateOf(DataClassId id, int row);

private:
    TEndYearDataMod& m_dm;
    CleanupState& m_state;
    PromptService& m_prompts;
    CleanupClock m_clock;
    std::array<std::unique_ptr<CachedQuery>, 5> m_queries;
};
