#pragma once
// The texts of the connection window's help buttons and the table manager's
// help button. CR alone breaks a line where the texts were written for it.
#include <QString>

namespace ui {

inline constexpr char16_t exampleOracleHost[] = u"192.168.1.10";
inline constexpr char16_t db2MakerSite[] = u"www.ibm.com";
inline constexpr char16_t db2ClientDownloadPage[] =
    u"https://www.ibm.com/support/pages/db2-client-download";
inline constexpr char16_t db2ConnectionArticle[] =
    u"https://www.ibm.com/support/pages/db2-connection-troubleshooting";
inline constexpr char16_t vendorContactPage[] = u"https://quorvane.example/contact";

// How to find the SID, with an example TNSNAMES.ORA entry.
QString SidHelpText();
// How to get and set up the DB2 client.
QString Db2ClientHelpText();
// The one kind of Oracle column the copies leave out.
QString LobNoteText();
// The table manager's "Help".
QString ContactHelpText();

} // namespace ui
