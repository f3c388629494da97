#pragma once
#include <QString>

// The one place where values and names are made safe to put into SQL text.

// A text between single quotes, its quotes doubled: O'Neil -> 'O''Neil'.
QString sqlQuoted(const QString& value);
// The inside of a quoted literal without the surrounding quotes: O'Neil -> O''Neil.
QString sqlEscaped(const QString& value);
// A plain table name: letters, digits, "_", "#", "$", not empty. Names read from a
// catalogue are put into statements only when this holds.
bool isPlainTableName(const QString& name);
