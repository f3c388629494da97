#include "data_module/table.h"

#include "data_module/database.h"
#include "data_module/database_error.h"
#include "data_module/query.h"

#include <QFile>

Table::Table(Database& db) : m_db(db) {}

void Table::requireActive() const
{
    if (!m_active)
        throw DatabaseError(QStringLiteral("Cannot perform this operation on a closed dataset"));
}

void Table::open()
{
    close();
    QString sql = QStringLiteral("select * from ") + m_name;
    if (m_filtered && !m_filter.trimmed().isEmpty())
        sql += QStringLiteral(" where ") + m_filter;
    auto cursor = m_db.openCursor(sql);
    m_columns = cursor->columns();
    QList<QVariant> row;
    while (cursor->fetch(row))
        m_rows.append(row);
    m_active = true;
}

void Table::close()
{
    m_active = false;
    m_columns.clear();
    m_rows.clear();
    m_current = 0;
    m_mode = Mode::Browse;
}

int Table::column(const QString& name) const
{
    for (int i = 0; i < m_columns.size(); ++i)
        if (m_columns.at(i).compare(name, Qt::CaseInsensitive) == 0)
            return i;
    throw DatabaseError(QStringLiteral("Field '%1' not found").arg(name));
}

bool Table::locate(const QString& fields, const QList<QVariant>& values)
{
    requireActive();
    const QStringList names = fields.split(QLatin1Char(';'), Qt::SkipEmptyParts);
    QList<int> cols;
    for (const QString& n : names)
        cols << column(n.trimmed());
    for (int r = 0; r < m_rows.size(); ++r) {
        bool all = true;
        for (int i = 0; i < cols.size() && all; ++i) {
            const QString have = variantText(m_rows.at(r).value(cols.at(i)));
            all = have.compare(variantText(values.value(i)), Qt::CaseInsensitive) == 0;
        }
        if (all) {
            m_current = r;
            return true;
        }
    }
    return false;
}

void Table::append()
{
    requireActive();
    m_mode = Mode::Insert;
    m_buffer = QList<QVariant>(m_columns.size());
    m_changed = QList<bool>(m_columns.size(), false);
}

void Table::edit()
{
    requireActive();
    if (eof())
        throw DatabaseError(QStringLiteral("Dataset is empty"));
    m_mode = Mode::Edit;
    m_buffer = m_rows.at(m_current);
    m_changed = QList<bool>(m_columns.size(), false);
}

void Table::setField(const QString& name, const QVariant& value)
{
    if (m_mode == Mode::Browse)
        throw DatabaseError(QStringLiteral("Dataset not in edit or insert mode"));
    const int c = column(name);
    m_buffer[c] = value;
    m_changed[c] = true;
}

bool Table::loadFieldFromFile(const QString& name, const QString& path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return false;
    QByteArray bytes = f.readAll();
    if (bytes.isNull())
        bytes = QByteArray("", 0);   // an empty file is an empty value, not NULL
    setField(name, bytes);
    return true;
}

void Table::post()
{
    requireActive();
    if (m_mode == Mode::Browse)
        return;
    QStringList cols;
    QList<QVariant> binds;
    if (m_mode == Mode::Insert) {
        QStringList marks;
        for (int i = 0; i < m_columns.size(); ++i) {
            if (!m_changed.at(i))
                continue;
            cols << m_columns.at(i);
            marks << QStringLiteral("?");
            binds << m_buffer.at(i);
        }
        m_db.send(QStringLiteral("insert into %1 (%2) values (%3)")
                      .arg(m_name, cols.join(QLatin1Char(',')), marks.join(QLatin1Char(','))),
            binds);
        m_rows.append(m_buffer);
        m_current = m_rows.size() - 1;
    } else {
        for (int i = 0; i < m_columns.size(); ++i) {
            if (!m_changed.at(i))
                continue;
            cols << m_columns.at(i) + QStringLiteral(" = ?");
            binds << m_buffer.at(i);
        }
        if (cols.isEmpty()) {
            m_mode = Mode::Browse;
            return;
        }
        const QList<QVariant>& old = m_rows.at(m_current);
        QStringList where;
        const QStringList keys = m_keyFields.isEmpty() ? m_columns : m_keyFields;
        for (const QString& k : keys) {
            const int c = column(k);
            const QVariant v = old.value(c);
            if (v.isNull() || !v.isValid()) {
                where << m_columns.at(c) + QStringLiteral(" is null");
            } else if (v.typeId() != QMetaType::QByteArray) {
                where << m_columns.at(c) + QStringLiteral(" = ?");
                binds << v;
            }
        }
        const int n = m_db.send(QStringLiteral("update %1 set %2 where %3")
                                    .arg(m_name, cols.join(QLatin1Char(',')), where.join(QStringLiteral(" and "))),
            binds);
        if (n == 0)
            throw DatabaseError(QStringLiteral("Record not found or changed by another user"));
        m_rows[m_current] = m_buffer;
    }
    m_mode = Mode::Browse;
}

void Table::cancel() { m_mode = Mode::Browse; }

QVariant Table::field(const QString& name) const
{
    requireActive();
    const int c = column(name);
    if (m_mode != Mode::Browse)
        return m_buffer.value(c);
    return eof() ? QVariant() : m_rows.at(m_current).value(c);
}

QString Table::text(const QString& name) const { return variantText(field(name)); }

QByteArray Table::bytes(const QString& name) const
{
    const QVariant v = field(name);
    return v.typeId() == QMetaType::QByteArray ? v.toByteArray() : v.toString().toUtf8();
}
