#pragma once
#include <QString>

// The one place where values and names are made safe to put into SQL text.

// A text between single quotes, its quotes doubled: O'Neil -> 'O''Neil'.
QString sqlQuoted(const QString& value);
// The inside of a quoted literal without the surrounding quotes: O'Neil -> O''Neil.
QString sqlEscaped(const QString& value);
// A plain table name: letters and decimal digits of any script ("报表1", "KRBBZD"), "_",
// "#", "$", not empty. Blanks, quotes, dots, semicolons, brackets, operators, modifier
// letters (some look like quotes), control and format characters are refused. Names read
// from a catalogue are put into statements only when this holds.
bool isPlainTableName(const QString& name);
// A name read from a catalogue or registry column (table names, owners, database names,
// workstation codes): fixed-width columns come back padded with trailing blanks on SQL
// Server, Oracle and DB2, and the padding is no part of the name.
QString catalogueName(const QString& value);
