#pragma once
#include <QDate>
#include <QString>
#include <optional>

class TEndYearDataMod;
struct ConnectionState;

// The account-set connection: first as the report-system user "cw" + account-set code +
// user code, to read the account set's registry entry; then as the account set's owner.

inline constexpr char16_t FirstStepFailed[] = u"第一次连接失败！用户名称或密码输入错误!";
inline constexpr char16_t SecondStepFailed[] = u"第二次连接数据库失败，用户名称或密码输入错误!";
inline constexpr char16_t DefaultOdbcDriver[] = u"Sybase SQL Anywhere 5.0";

// Opens the owner connection of `mast`. Returns an empty text on success, otherwise the
// message of the step that failed. settingsFileName is a bare name in the program's
// directory; accountSetText (an entry of the login window) names the section only when
// fromLogin is true, otherwise the section is "sqlca".
QString ConnectAccountSet(TEndYearDataMod& dm, const QString& userCode, const QString& password,
    const QString& settingsFileName, const QString& accountSetText, bool fromLogin);

// The unattended connection from the day's automatic-start file (MMDD + "log").
QString AutoConnect(TEndYearDataMod& dm, const QString& userCode, const QString& password,
    const QDate& today = QDate::currentDate());
QString autoStartFileName(const QDate& day);

// The section of jwcw.ini an account-set entry names ("012    总部" -> sqlca12);
// nullopt when its first three characters are no number.
std::optional<QString> accountSetSection(const QString& accountSetText);

// The ODBC driver registered for a data source, or "Sybase SQL Anywhere 5.0".
QString GetDataSourceName(const QString& dataSourceName);

// The owner password from its stored (scrambled) form; nullopt when the text is no
// valid stored form: shorter than two characters, a body of odd length, or characters
// outside the single-byte range.
std::optional<QString> RestorePassword(const QString& stored);

