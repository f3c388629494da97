#include "data_module/cached_query.h"

#include "data_module/database.h"
#include "data_module/database_error.h"
#include "data_module/query.h"

#include <QRegularExpression>

CachedQuery::CachedQuery(Database& db) : m_db(db) {}

void CachedQuery::open()
{
    close();
    auto cursor = m_db.openCursor(m_sql);
    m_columns = cursor->columns();
    QList<QVariant> row;
    while (cursor->fetch(row))
        m_rows.append(row);
    m_active = true;
}

void CachedQuery::close()
{
    m_active = false;
    m_columns.clear();
    m_rows.clear();
    m_deleted.clear();
}

int CachedQuery::columnIndex(const QString& name) const
{
    for (int i = 0; i < m_columns.size(); ++i)
        if (m_columns.at(i).compare(name, Qt::CaseInsensitive) == 0)
            return i;
    return -1;
}

QVariant CachedQuery::value(int row, int column) const { return m_rows.at(row).value(column); }

QString CachedQuery::text(int row, int column) const { return variantText(value(row, column)); }

void CachedQuery::deleteRow(int row)
{
    if (row < 0 || row >= m_rows.size())
        return;
    m_deleted.append(m_rows.takeAt(row));
}

void CachedQuery::applyUpdates()
{
    static const QRegularExpression param(QStringLiteral(":OLD_([A-Za-z0-9_#$]+)"));
    while (!m_deleted.isEmpty()) {
        const QList<QVariant>& old = m_deleted.constFirst();
        QString sql;
        QList<QVariant> binds;
        qsizetype last = 0;
        auto it = param.globalMatch(m_deleteSql);
        while (it.hasNext()) {
            const auto m = it.next();
            const int c = columnIndex(m.captured(1));
            if (c < 0)
                throw DatabaseError(QStringLiteral("Parameter '%1' has no field").arg(m.captured(0)));
            sql += m_deleteSql.mid(last, m.capturedStart() - last) + QLatin1Char('?');
            binds << old.value(c);
            last = m.capturedEnd();
        }
        sql += m_deleteSql.mid(last);
        const int n = m_db.send(sql, binds);
        if (n != 1)
            throw DatabaseError(QStringLiteral("Update failed: the delete affected %1 rows").arg(n));
        m_deleted.removeFirst();
    }
}

void CachedQuery::cancelUpdates()
{
    m_rows.append(m_deleted);
    m_deleted.clear();
}
