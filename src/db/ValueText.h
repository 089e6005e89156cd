#pragma once
// The one codec of the value texts the session layer gives and takes: the
// reader writes dates, timestamps and floating-point numbers in these forms,
// and bulk mode parses the same forms back into the ODBC structures it
// binds. Both halves live here, so that a form changed on one side is changed
// on the other.
//
//     DATE       YYYY-MM-DD (a year outside 0..9999 keeps its sign and digits)
//     TIMESTAMP  YYYY-MM-DD HH:MM:SS[.f], the fraction without trailing zeros
//     FLOAT      the shortest text that reads back to the same number
#include <QString>
#include <QStringView>
#include <sql.h>
#include <sqlext.h>

namespace db::detail {

QString DateText(const SQL_DATE_STRUCT& date);
QString TimestampText(const SQL_TIMESTAMP_STRUCT& stamp);
// Shortest text that reads back to the same number, "." as decimal point.
QString ShortestText(double number);
QString ShortestText(float number);
// A timestamp the driver gave as text (one with more fractional digits than
// the structure holds), in the form above; DB2's own form
// 2024-01-31-12.30.00.123 too.
QString NormalTimestampText(QString text);

// False when the text is not in the form above (or, for a timestamp, has more
// than the nine fractional digits the structure holds).
bool ParseDate(QStringView text, SQL_DATE_STRUCT& date);
bool ParseTimestamp(QStringView text, SQL_TIMESTAMP_STRUCT& stamp);

} // namespace db::detail
