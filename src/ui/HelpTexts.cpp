#include "HelpTexts.h"

#include <QStringList>

namespace ui {

QString SidHelpText() {
    const QString entry =
        QStringList{
            QStringLiteral("KORV ="),
            QStringLiteral(" (DESCRIPTION ="),
            QStringLiteral("   (ADDRESS_LIST ="),
            QStringLiteral("     (ADDRESS = (PROTOCOL = TCP)(HOST = ") +
                QString::fromUtf16(exampleOracleHost) + QStringLiteral(")(PORT = 1521))"),
            QStringLiteral("   )"),
            QStringLiteral("   (CONNECT_DATA ="),
            QStringLiteral("     (SID = KORV)"),
            QStringLiteral("   )"),
            QStringLiteral(" )"),
        }
            .join(QStringLiteral("\r\n"));
    return QStringLiteral("This software works with Oracle 9i or higher.\r\r"
                          "The SID is used to identify a particular database. The SID is usually "
                          "defined in the TNSNAMES.ORA file. The TNSNAMES.ORA file found in my "
                          "Oracle 9i folder looks like:\r\n\r\n") +
           entry + QStringLiteral("\r\n\r\nTherefore, my SID would be KORV");
}

QString Db2ClientHelpText() {
    const QStringList pieces{
        QStringLiteral("Here is how I connected to my IBM DB2 database."),
        QStringLiteral("I went to ") + QString::fromUtf16(db2MakerSite),
        QStringLiteral("specifically"),
        QString::fromUtf16(db2ClientDownloadPage),
        QStringLiteral("Downloaded and installed the DB2 Client (not DB2 Runtime Client)"),
        QStringLiteral("I personally got the"),
        QStringLiteral("DB2 9 Client for Windows on 32-bit AMD and Intel systems (x86)"),
        QStringLiteral("If you are using Windows XP, there may be a firewall preventing you from "
                       "connecting. You may need to add the DB2 port."),
        QStringLiteral("Please visit:"),
        QString::fromUtf16(db2ConnectionArticle),
    };
    QString text;
    for (const QString& piece : pieces) {
        text += piece + QStringLiteral("\r\r");
    }
    return text;
}

QString LobNoteText() {
    return QStringLiteral("This software does not support the CLOB and NLOB data type in Oracle.");
}

QString ContactHelpText() {
    return QStringLiteral("Questions? Please contact Team Quorvane at ") +
           QString::fromUtf16(vendorContactPage);
}

} // namespace ui
