#include "data_module/query.h"

#include "data_module/database.h"
#include "data_module/database_error.h"

#include <QLocale>
#include <algorithm>
#include <cmath>

QString variantText(const QVariant& value)
{
    if (!value.isValid() || value.isNull())
        return {};
    switch (value.typeId()) {
    case QMetaType::Double:
    case QMetaType::Float: {
        const double d = value.toDouble();
        if (std::isfinite(d) && d == std::floor(d) && std::fabs(d) < 1e15)
            return QString::number(static_cast<qint64>(d));
        return QString::number(d, 'g', QLocale::FloatingPointShortest);
    }
    case QMetaType::QByteArray:
        return QString::fromUtf8(value.toByteArray());
    default:
        return value.toString();
    }
}

Query::Query(Database& db) : m_db(db) {}

Query::~Query()
{
    close();
    for (auto& slot : m_slots)
        m_db.release(*slot);
}

StatementSlot& Query::slotFor(const QString& sql)
{
    // A few texts in turn (two lookups of one walk, say) each keep their statement.
    constexpr size_t kept = 4;
    auto it = std::find_if(m_slots.begin(), m_slots.end(), [&](const auto& s) { return s->source == sql; });
    if (it == m_slots.end()) {
        if (m_slots.size() < kept)
            m_slots.push_back(std::make_unique<StatementSlot>());
        it = m_slots.end() - 1;   // the least recently used one takes the new text
    }
    std::rotate(m_slots.begin(), it, it + 1);
    return *m_slots.front();
}

void Query::open()
{
    close();
    std::unique_ptr<Cursor> cursor;
    if (m_binds.isEmpty()) {
        cursor = m_db.openCursor(sql(), m_binds);
    } else {
        const QString text = sql();
        cursor = m_db.openCursor(slotFor(text), text, m_binds);
    }
    m_columns = cursor->columns();
    m_cursor = std::move(cursor);
    m_position = 0;
    m_eof = false;
    m_drained = false;
    advance();
}

int Query::exec()
{
    close();
    if (m_binds.isEmpty())
        return m_db.send(sql(), m_binds);
    const QString text = sql();
    return m_db.send(slotFor(text), text, m_binds);
}

int Query::execute(const QStringList& lines)
{
    close();
    m_lines = lines;
    m_binds.clear();
    const int affected = m_db.send(sql(), m_binds);
    close();
    return affected;
}

QString Query::executeOrError(const QStringList& lines)
{
    try {
        execute(lines);
    } catch (const DatabaseError& error) {
        close();
        return error.message().isEmpty() ? QStringLiteral("?") : error.message();
    }
    return {};
}

void Query::open(const QStringList& lines)
{
    close();
    m_lines = lines;
    m_binds.clear();
    open();
}

void Query::close()
{
    m_cursor.reset();
    m_columns.clear();
    m_row.clear();
    m_ahead.clear();
    m_eof = true;
    m_drained = false;
    m_position = 0;
}

void Query::requireOpen() const
{
    if (!m_cursor)
        throw DatabaseError(QStringLiteral("Cannot perform this operation on a closed dataset"));
}

void Query::advance()
{
    if (!m_ahead.empty()) {
        m_row = std::move(m_ahead.front());
        m_ahead.pop_front();
        ++m_position;
        return;
    }
    QList<QVariant> row;
    if (!m_drained && m_cursor->fetch(row)) {
        m_row = std::move(row);
        ++m_position;
        return;
    }
    m_drained = true;
    m_eof = true;
}

void Query::first()
{
    requireOpen();
    if (m_position > 1)
        open();
}

void Query::next()
{
    requireOpen();
    if (!m_eof)
        advance();
}

bool Query::eof() const { return !m_cursor || m_eof; }

bool Query::isEmpty() const { return !m_cursor || (m_position == 0 && m_eof); }

int Query::recordCount()
{
    requireOpen();
    if (!m_drained) {
        QList<QVariant> row;
        while (m_cursor->fetch(row))
            m_ahead.push_back(row);
        m_drained = true;
    }
    // Rows passed, the current one, and those read ahead.
    return m_position + static_cast<int>(m_ahead.size());
}

int Query::fieldCount() const
{
    requireOpen();
    return m_columns.size();
}

QString Query::fieldName(int index) const
{
    requireOpen();
    return m_columns.value(index);
}

int Query::fieldIndex(const QString& name) const
{
    requireOpen();
    for (int i = 0; i < m_columns.size(); ++i)
        if (m_columns.at(i).compare(name, Qt::CaseInsensitive) == 0)
            return i;
    throw DatabaseError(QStringLiteral("Field '%1' not found").arg(name));
}

QVariant Query::value(int index) const
{
    requireOpen();
    if (index < 0 || index >= m_columns.size())
        throw DatabaseError(QStringLiteral("Field index %1 out of range").arg(index));
    return index < m_row.size() ? m_row.at(index) : QVariant();
}

QVariant Query::value(const QString& name) const { return value(fieldIndex(name)); }

bool Query::isNull(const QString& name) const
{
    const QVariant v = value(name);
    return !v.isValid() || v.isNull();
}

QString Query::text(int index) const { return variantText(value(index)); }

QString Query::text(const QString& name) const { return variantText(value(name)); }

static qint64 toInteger(const QVariant& v)
{
    if (!v.isValid() || v.isNull())
        return 0;
    const QString s = variantText(v).trimmed();
    if (s.isEmpty())
        return 0;
    bool ok = false;
    const qint64 i = s.toLongLong(&ok);
    if (ok)
        return i;
    const double d = s.toDouble(&ok);
    if (ok && std::isfinite(d))
        return static_cast<qint64>(std::llround(d));
    throw DatabaseError(QStringLiteral("'%1' is not a valid integer value").arg(s));
}

qint64 Query::integer(const QString& name) const { return toInteger(value(name)); }

qint64 Query::integer(int index) const { return toInteger(value(index)); }

double Query::number(const QString& name) const
{
    const QVariant v = value(name);
    if (!v.isValid() || v.isNull())
        return 0.0;
    bool ok = false;
    const double d = variantText(v).trimmed().toDouble(&ok);
    if (!ok)
        throw DatabaseError(QStringLiteral("'%1' is not a valid floating point value").arg(variantText(v)));
    return d;
}

QByteArray Query::bytes(const QString& name) const
{
    const QVariant v = value(name);
    if (!v.isValid() || v.isNull())
        return {};
    return v.typeId() == QMetaType::QByteArray ? v.toByteArray() : v.toString().toUtf8();
}

const QList<QVariant>& Query::row() const
{
    requireOpen();
    return m_row;
}
