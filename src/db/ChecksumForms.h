#pragma once
// The checksum forms of each server (ServerBehavior::checksum): constant,
// so that the server table may copy them whatever the order of files.
//
// The stand-ins hash as the vendors do (MD5 of the UTF-8 bytes, which
// Oracle's STANDARD_HASH and DB2's HASH(x, 0) are too) and keep the
// vendors' limits: PostgreSQL's MD5 and MariaDB's take a text of any
// length, LOBs included, but a table the vendor could not hash alike is
// compared by its rows on the stand-in as well. Their own text forms
// differ from the vendors' (a numeric's scale, a timestamp's zeros), and
// each has forms of its own that write the same canonical text.
#include <QStringView>

namespace db {

// How a server writes a value as the canonical text that the comparison
// hashes on both sides, so that a value and its copy hash alike whatever
// the two servers' own text forms (Oracle's .71 and DB2's 0.71, a padded
// CHAR, a DATE and a midnight TIMESTAMP). Each form has %1 where the column
// goes and gives NULL for NULL. A text is hashed as its UTF-8 bytes.
struct ChecksumForms {
    QStringView wholeNumber; // digits, '-' before a negative
    // An exact number with digits after the point: a leading 0 before the
    // point, no trailing zeros, no point when it has no fraction, 0 for -0.
    QStringView decimal;
    // Cheaper, where both sides' columns have one scale: the value with
    // its column's scale (1.50), or, where the server's own text is not
    // that, with as many digits as %2 has zeros.
    QStringView decimalOwn;
    QStringView decimalFixed;
    QStringView boolean; // a Boolean column: '1' or '0'
    // A timestamp as 'YYYY-MM-DD HH:MM:SS[.f]', a time as 'HH:MM:SS[.f]',
    // the fraction without its trailing zeros and without a point when it
    // is 0; where the server writes a column's fraction at its own digits
    // (a MariaDB DATETIME(6)), the forms for a column with a fraction and
    // for one without. A DATE's 'YYYY-MM-DD'.
    QStringView timestamp;
    QStringView timestampWhole;
    QStringView time;
    QStringView timeWhole;
    QStringView date;
    // A text the copy made of a number ("20.20", ".5") or of a Boolean
    // ("True"), written as the number or the Boolean would be; any other
    // text as it is.
    QStringView numberText;
    QStringView booleanText =
        u"CASE WHEN %1 = 'True' THEN '1' WHEN %1 = 'False' THEN '0' ELSE %1 END";
    QStringView bytes;                // upper-case hex digits
    QStringView text;                 // the text as the hash reads it: UTF-8 bytes
    QStringView length;               // of such a text, in bytes, as digits
    QStringView rtrim = u"RTRIM(%1)"; // without trailing blanks
    QStringView upper = u"UPPER(%1)"; // hex digits copied into a text, in upper case
    // The pieces of a row's text joined: "a || b", or CONCAT(a, b); and
    // whether a NULL piece makes the whole NULL (Oracle's || does not).
    QStringView joinOpen{};
    QStringView joinSeparator = u" || ";
    QStringView joinClose{};
    bool joinKeepsNull = true;
    // The longest text one hash (and the concatenation it is built by)
    // takes, in bytes: Oracle's VARCHAR2 in SQL, DB2's VARCHAR.
    qint64 hashedBytes = 0;
    // The most bytes a column not of a LOB type holds, which a row's
    // declared text is measured by; 0 for the column's own size.
    qint64 columnBytes = 0;
    // Whether a hash takes a LOB's value whole; where not, a table with a
    // LOB is compared by its rows.
    bool hashesLobs = false;
};

namespace checksums {

// TO_CHAR writes a NUMBER without trailing zeros but without the zero
// before its point (.71); a DATE is a TIMESTAMP(0). STANDARD_HASH takes
// no LOB, and SQL's texts end at 4 000 bytes (ORA-01489), as VARCHAR2's;
// || makes nothing of a NULL.
inline constexpr ChecksumForms oracle{
    .wholeNumber = u"TO_CHAR(%1)",
    .decimal = u"CASE WHEN %1 = 0 THEN '0' WHEN %1 > -1 AND %1 < 1 THEN "
               u"REPLACE(TO_CHAR(%1), '.', '0.') ELSE TO_CHAR(%1) END",
    .decimalOwn = {},
    .decimalFixed = u"TO_CHAR(%1, 'FM99999999999999999999999999999999999990.%2')",
    .boolean = u"CASE WHEN %1 THEN '1' WHEN NOT %1 THEN '0' END",
    .timestamp = u"RTRIM(RTRIM(TO_CHAR(CAST(%1 AS TIMESTAMP(9)), "
                 u"'YYYY-MM-DD HH24:MI:SS.FF9'), '0'), '.')",
    .timestampWhole = {},
    .time = u"RTRIM(RTRIM(TO_CHAR(%1, 'HH24:MI:SS.FF9'), '0'), '.')",
    .timeWhole = {},
    .date = u"TO_CHAR(%1, 'YYYY-MM-DD')",
    // At most NUMBER's 38 digits, which TO_NUMBER keeps.
    .numberText =
        u"CASE WHEN NOT REGEXP_LIKE(%1, '^-?([0-9]{1,38}([.][0-9]{0,38})?|[.][0-9]{1,38})$') "
        u"OR LENGTH(%1) > 40 THEN %1 WHEN TO_NUMBER(%1) = 0 THEN '0' WHEN TO_NUMBER(%1) > -1 AND "
        u"TO_NUMBER(%1) < 1 THEN REPLACE(TO_CHAR(TO_NUMBER(%1)), '.', '0.') ELSE "
        u"TO_CHAR(TO_NUMBER(%1)) END",
    .bytes = u"RAWTOHEX(%1)",
    .text = u"TO_CHAR(%1)",
    .length = u"TO_CHAR(LENGTHB(%1))",
    .joinKeepsNull = false,
    .hashedBytes = 4000,
    .columnBytes = 4000,
    .hashesLobs = false};

// VARCHAR writes a DECIMAL at its scale (1.50), with or without the zero
// before the point by release: both are brought to 0.71. HASH takes a
// LOB whole (11.1 on); a VARCHAR and a concatenation end at 32 672 bytes.
inline constexpr ChecksumForms db2{
    .wholeNumber = u"VARCHAR(%1)",
    // A DECFLOAT's text may have no point, or an exponent:
    // its zeros are digits then.
    .decimal = u"CASE WHEN %1 = 0 THEN '0' WHEN LOCATE('.', VARCHAR(%1)) = 0 OR "
               u"LOCATE('E', VARCHAR(%1)) > 0 THEN VARCHAR(%1) WHEN %1 > -1 AND "
               u"%1 < 1 THEN REPLACE(REPLACE(TRIM(TRAILING '.' FROM TRIM(TRAILING "
               u"'0' FROM VARCHAR(%1))), '0.', '.'), '.', '0.') ELSE TRIM(TRAILING "
               u"'.' FROM TRIM(TRAILING '0' FROM VARCHAR(%1))) END",
    .decimalOwn = u"CASE WHEN %1 > -1 AND %1 < 1 THEN REPLACE(REPLACE(VARCHAR(%1), "
                  u"'0.', '.'), '.', '0.') ELSE VARCHAR(%1) END",
    .decimalFixed = {},
    .boolean = u"CASE WHEN %1 THEN '1' WHEN NOT %1 THEN '0' END",
    .timestamp = u"TRIM(TRAILING '.' FROM TRIM(TRAILING '0' FROM "
                 u"VARCHAR_FORMAT(TIMESTAMP(%1, 12), 'YYYY-MM-DD HH24:MI:SS.FF12')))",
    .timestampWhole = {},
    // A TIME has no fraction.
    .time = u"VARCHAR_FORMAT(TIMESTAMP(DATE('0001-01-01'), %1), 'HH24:MI:SS')",
    .timeWhole = {},
    .date = u"CHAR(%1, ISO)",
    // At most 16 digits before the point and 15 after, which DECIMAL(31, 15)
    // keeps.
    .numberText =
        u"CASE WHEN NOT REGEXP_LIKE(%1, '^-?([0-9]{1,16}([.][0-9]{0,15})?|[.][0-9]{1,15})$') "
        u"THEN %1 WHEN DECIMAL(%1, 31, 15) = 0 THEN '0' WHEN DECIMAL(%1, 31, 15) > -1 AND "
        u"DECIMAL(%1, 31, 15) < 1 THEN REPLACE(REPLACE(TRIM(TRAILING '.' FROM TRIM(TRAILING '0' "
        u"FROM VARCHAR(DECIMAL(%1, 31, 15)))), '0.', '.'), '.', '0.') ELSE TRIM(TRAILING '.' "
        u"FROM TRIM(TRAILING '0' FROM VARCHAR(DECIMAL(%1, 31, 15)))) END",
    .bytes = u"HEX(%1)",
    .text = u"%1",
    .length = u"VARCHAR(OCTET_LENGTH(%1))",
    .joinKeepsNull = true,
    .hashedBytes = 32672,
    .columnBytes = 32672,
    .hashesLobs = true};

// A numeric's text keeps its scale (TRIM_SCALE, PostgreSQL 13 on, drops
// it) and has no -0; a char's text has no padding; a timestamp's drops
// its fraction's zeros (TO_CHAR would cost twice the rest of a row).
// MD5 takes any text: the limits are Oracle's.
inline constexpr ChecksumForms postgreSql{
    .wholeNumber = u"CAST(%1 AS TEXT)",
    .decimal = u"CAST(TRIM_SCALE(%1) AS TEXT)",
    .decimalOwn = u"CAST(%1 AS TEXT)",
    .decimalFixed = {},
    .boolean = u"CASE WHEN %1 THEN '1' WHEN NOT %1 THEN '0' END",
    .timestamp = u"CAST(%1 AS TEXT)",
    .timestampWhole = {},
    .time = u"CAST(%1 AS TEXT)",
    .timeWhole = {},
    .date = u"CAST(%1 AS TEXT)",
    .numberText = u"CASE WHEN %1 ~ '^-?([0-9]+[.]?[0-9]*|[.][0-9]+)$' THEN "
                  u"CAST(TRIM_SCALE(CAST(%1 AS NUMERIC)) AS TEXT) ELSE %1 END",
    .bytes = u"UPPER(ENCODE(%1, 'hex'))",
    .text = u"CAST(%1 AS TEXT)",
    .length = u"OCTET_LENGTH(%1)",
    .joinKeepsNull = true,
    .hashedBytes = 4000,
    .columnBytes = 4000,
    .hashesLobs = false};

// A DECIMAL's text keeps its scale; a DATETIME's its digits, with a
// point only where it has some. A text is
// hashed as its bytes, binary, so that two columns' collations never
// meet in one CONCAT (a column not in UTF-8 only costs a read of its
// rows). MD5 takes any text: the limits are DB2's.
// A number or a time is written as its text wherever a text is taken.
inline constexpr ChecksumForms mariaDb{
    .wholeNumber = u"%1",
    // A DECIMAL with a scale always has a point.
    .decimal = u"TRIM(TRAILING '.' FROM TRIM(TRAILING '0' FROM CAST(%1 AS CHAR)))",
    .decimalOwn = u"%1",
    .decimalFixed = {},
    // A BIT(1) or TINYINT: any other number is itself.
    .boolean = u"%1 + 0",
    .timestamp = u"TRIM(TRAILING '.' FROM TRIM(TRAILING '0' FROM CAST(%1 AS CHAR)))",
    .timestampWhole = u"%1",
    .time = u"TRIM(TRAILING '.' FROM TRIM(TRAILING '0' FROM CAST(%1 AS CHAR)))",
    .timeWhole = u"%1",
    .date = u"%1",
    // At most DECIMAL(65, 30)'s digits, which the cast keeps.
    .numberText =
        u"CASE WHEN %1 REGEXP '^-?([0-9]{1,35}([.][0-9]{0,30})?|[.][0-9]{1,30})$' THEN "
        u"TRIM(TRAILING '.' FROM TRIM(TRAILING '0' FROM CAST(CAST(%1 AS DECIMAL(65, 30)) AS "
        u"CHAR))) ELSE %1 END",
    .bytes = u"HEX(%1)",
    .text = u"CAST(%1 AS BINARY)",
    .length = u"OCTET_LENGTH(%1)",
    .joinOpen = u"CONCAT(",
    .joinSeparator = u", ",
    .joinClose = u")",
    .joinKeepsNull = true,
    .hashedBytes = 32672,
    .columnBytes = 32672,
    .hashesLobs = true};

} // namespace checksums

} // namespace db
