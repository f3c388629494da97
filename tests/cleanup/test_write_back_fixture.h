#pragma once
// Account sets with duplicates in every data class, the cleanup's first half run on them,
// and snapshots of the report tables, for the write-back, review and wizard tests.
#include "support/test_account_set.h"

#include "app/connection.h"
#include "data_module/report_system.h"
#include "cleanup/auto_cleanup.h"
#include "cleanup/duplicate_check.h"
#include "cleanup/job_recorders.h"

#include <QMap>
#include <algorithm>

namespace fixture {

inline QString prefixOf(const QString& system) { return system == QLatin1String("HZ") ? "HZ" : "KR"; }

// The connection state as the main window leaves it for the wizard, with the year's names
// formed for the current year.
inline void selectSystem(TEndYearDataMod& dm, const QString& system)
{
    FillTableNames(dm.state, system);
}

// Report A (101 / 201) and B (102 / 202) with, per data class of the system:
//   a complete duplicate (two identical rows of key 0003 / 03 / (0003,03));
//   a key duplicate with differing values (key 0005 / 05 / (0005,05)) for the review;
//   unique rows that no step may touch (keys 0001 and 0002 / 01 and 02).
// Every cell code has its row and column dictionary entry.
inline void plantDuplicates(TestAccountSet& as, const QString& system)
{
    const QString p = prefixOf(system);
    const QString a = p == "KR" ? "101" : "201";
    const QString b = p == "KR" ? "102" : "202";
    const QString d = "200405";
    as.insert(p + "BBZD", {demo::reportRow({.bh = a, .date = d, .mc = "资产负债表"}),
                              demo::reportRow({.bh = b, .date = d, .mc = "利润表"})});
    QList<QVariantList> rows, cols, cells;
    for (const QString& bh : {a, b}) {
        for (int r = 1; r <= 5; ++r)
            rows << demo::rowRow({.bh = bh, .date = d, .orde = QStringLiteral("000%1").arg(r), .zb = r});
        for (int c = 1; c <= 5; ++c)
            cols << demo::columnRow({.bh = bh, .date = d, .orde = QStringLiteral("0%1").arg(c), .zb = c});
        for (int r = 1; r <= 2; ++r)
            cells << demo::cellRow({.bh = bh, .date = d, .row = QStringLiteral("000%1").arg(r), .col = "01",
                .text = "1", .data = 1.0 * r});
    }
    rows << demo::rowRow({.bh = a, .date = d, .orde = "0003", .zb = 3});
    rows << demo::rowRow({.bh = a, .date = d, .orde = "0005", .zb = 9});
    cols << demo::columnRow({.bh = a, .date = d, .orde = "03", .zb = 3});
    cols << demo::columnRow({.bh = a, .date = d, .orde = "05", .zb = 5, .mc = "上月数"});
    for (int i = 0; i < 2; ++i)
        cells << demo::cellRow({.bh = a, .date = d, .row = "0003", .col = "03", .text = "7", .data = 7.0});
    cells << demo::cellRow({.bh = a, .date = d, .row = "0005", .col = "05", .text = "5", .data = 5.0});
    cells << demo::cellRow({.bh = a, .date = d, .row = "0005", .col = "05", .text = "6", .data = 6.0});
    as.insert(p + "HZD", rows);
    as.insert(p + "LZD", cols);
    as.insert(p + "DYZD", cells);
    if (p != "HZ")
        return;
    as.insert("HZDWZD", {{"0001", "一厂", "01"}, {"0002", "二厂", "02"}});
    as.insert("HZLBZD", {{"01", "工业企业"}, {"02", "商业企业"}});
    for (const auto& [table, one, two] : {std::tuple{QStringLiteral("HZDWSJ"), QStringLiteral("0001"),
                                              QStringLiteral("0002")},
             std::tuple{QStringLiteral("HZHZSJ"), QStringLiteral("01"), QStringLiteral("02")}}) {
        QList<QVariantList> data;
        for (const QString& unit : {one, two})
            for (int r = 1; r <= 2; ++r)
                data << demo::unitCellRow({.unit = unit, .bh = b, .date = d, .row = QStringLiteral("000%1").arg(r),
                    .col = "01", .text = "1", .data = 1.0 * r});
        for (int i = 0; i < 2; ++i)
            data << demo::unitCellRow({.unit = one, .bh = a, .date = d, .row = "0003", .col = "03", .text = "7",
                .data = 7.0});
        data << demo::unitCellRow({.unit = two, .bh = a, .date = d, .row = "0005", .col = "05", .text = "5",
            .data = 5.0});
        data << demo::unitCellRow({.unit = two, .bh = a, .date = d, .row = "0005", .col = "05", .text = "6",
            .data = 6.0});
        as.insert(table, data);
    }
}

// The report tables of the system's data classes, as sorted row texts (of a TestAccountSet
// or a PgAccountSet).
using Snapshot = QMap<QString, QStringList>;
template <typename AccountSet> Snapshot snapshot(const AccountSet& as, const QString& system)
{
    Snapshot s;
    for (const DataClass* c : dataClassesOf(system)) {
        const QString table = prefixOf(system) + c->base;
        QStringList lines;
        for (const QStringList& r : as.rows("select * from " + table))
            lines << r.join(QLatin1Char('|'));
        std::sort(lines.begin(), lines.end());
        s[table] = lines;
    }
    return s;
}

struct FirstHalf {
    CleanupState state;
    RecordingLabels labels;
    RecordingProgress checkBar, autoBar, rowBar;
    RecordingList list;
    RecordingLog log;
    CountingEvents events;
};

// The check and the automatic cleanup (illegal cells removed) as the wizard runs them.
inline void runFirstHalf(TEndYearDataMod& dm, FirstHalf& h)
{
    dm.DropWorkingTables();
    dm.CreateWorkingTables();
    dm.CreateWorkingIndexes();
    DuplicateCheck check(dm, h.state, CheckSinks{h.labels, h.checkBar, h.list, h.events});
    check.CheckAllClasses();
    AutoCleanup cleanup(dm, h.state, AutoCleanSinks{h.log, h.autoBar, h.rowBar, h.events});
    cleanup.AutoCleanAll();
}

// What a user does in the review when keeping the first version: one row of every key
// duplicate stays (the one with the smallest value). Through the database directly.
inline void resolveReview(TestAccountSet& as, const QString& system, CleanupState& state)
{
    as.exec("delete from dirtyHZD where HZD_ZB = 9");
    as.exec("delete from dirtyLZD where LZD_MC = '上月数'");
    as.exec("delete from dirtyDYZD where DYZD_SJ = '6'");
    if (system == "HZ") {
        as.exec("delete from dirtyDWSJ where DYZD_SJ = '6'");
        as.exec("delete from dirtyHZSJ where DYZD_SJ = '6'");
    }
    for (const DataClass* c : dataClassesOf(system))
        state.of(*c).Remaining = false;
}

} // namespace fixture
