#pragma once
// Report rows of a test stated one per line, in a short form:
//   "BBZD 101 200401 资产负债表"        report dictionary
//   "HZD 101 200401 0001 x3"            row dictionary (three identical rows)
//   "LZD 101 200401 01"                 column dictionary
//   "DYZD 101 200401 0001 01"           cell dictionary (value 1)
//   "DWSJ 0001 101 200401 0001 01"      unit data; "HZSJ 01 101 200401 0001 01" summary data
// A trailing "xN" repeats the row; "-" stands for a missing (NULL) key part; COLUMN=value
// after the key sets a column ("LZD_MC=null" NULL, "LZD_MC=''" empty text).
#include "demo_builder/demo_builder.h"
#include "support/test_account_set.h"

#include <QStringList>

inline void insertAccountRows(TestAccountSet& as, const QString& prefix, const QStringList& lines)
{
    for (const QString& line : lines) {
        QStringList f = line.split(QLatin1Char(' '), Qt::SkipEmptyParts);
        int times = 1;
        if (f.size() > 1 && f.last().startsWith(QLatin1Char('x'))) {
            times = f.last().mid(1).toInt();
            f.removeLast();
        }
        const QString base = f.takeFirst();
        QList<QPair<QString, QString>> sets;
        for (qsizetype i = f.size() - 1; i >= 0; --i)
            if (f.at(i).contains(QLatin1Char('='))) {
                const qsizetype eq = f.at(i).indexOf(QLatin1Char('='));
                sets.prepend({f.at(i).left(eq), f.at(i).mid(eq + 1)});
                f.removeAt(i);
            }
        auto key = [&f](int i) { return f.value(i) == QLatin1String("-") ? QString() : f.value(i); };
        QVariantList row;
        QList<int> keyPositions;
        if (base == QLatin1String("BBZD")) {
            row = demo::reportRow({.bh = f.value(0), .date = f.value(1), .mc = f.value(2)});
        } else if (base == QLatin1String("HZD")) {
            row = demo::rowRow({.bh = key(0), .date = key(1), .orde = key(2)});
            keyPositions = {0, 1, 2};
        } else if (base == QLatin1String("LZD")) {
            row = demo::columnRow({.bh = key(0), .date = key(1), .orde = key(2)});
            keyPositions = {0, 1, 2};
        } else if (base == QLatin1String("DYZD")) {
            row = demo::cellRow({.bh = key(0), .date = key(1), .row = key(2), .col = key(3), .text = "1.00", .data = 1});
            keyPositions = {0, 1, 3, 4};
        } else {
            row = demo::unitCellRow({.unit = key(0), .bh = key(1), .date = key(2), .row = key(3), .col = key(4),
                .text = "1.00", .data = 1});
            keyPositions = {0, 1, 2, 3, 4};
        }
        // "-" parts become NULL
        const QList<int> fieldOf = base == QLatin1String("DYZD") ? QList<int>{0, 1, 2, 3} : QList<int>{0, 1, 2, 3, 4};
        for (int i = 0; i < keyPositions.size(); ++i)
            if (f.value(fieldOf.value(i)) == QLatin1String("-"))
                row[keyPositions.at(i)] = QVariant();
        const QStringList names = demo::columnNames(demo::reportColumns(prefix, base));
        for (const auto& [column, value] : sets) {
            const qsizetype at = names.indexOf(column);
            Q_ASSERT(at >= 0);
            row[at] = value == QLatin1String("null") ? QVariant()
                : value == QLatin1String("''")       ? QVariant(QString(""))
                                                     : QVariant(value);
        }
        QList<QVariantList> rows;
        for (int i = 0; i < times; ++i)
            rows << row;
        as.insert(prefix + base, rows);
    }
}
