#include "shell/product_text.h"

namespace norvane::product {

QString title()
{
    return QStringLiteral("Norvane Professional Edition");
}

QString version()
{
    return QStringLiteral("Version 7.00.00");
}

QString licenseCaption()
{
    return QStringLiteral("License information:");
}

QString releaseLine()
{
    return QStringLiteral("Release 7.00.00, free for personal and commercial use");
}

QString description()
{
    return QStringLiteral("A developer's companion for Microsoft SQL Server databases");
}

QString disclaimer()
{
    // The first paragraph is three pieces; where they meet stand two blanks.
    const QString warranty = QStringLiteral("Disclaimer: This software is provided 'AS IS' without warranty of any kind. ")
        + QStringLiteral(" Norvane will not modify any data in the connected database, except in the case of SQL statements ")
        + QStringLiteral(" executed through the Query window.");
    const QString testedFor = QStringLiteral(
        "Norvane was built and tested for Microsoft SQL Server 2000 and later versions, reached through unixODBC "
        "and the FreeTDS driver, on Linux desktops with Qt 6. Errors can occur with large volumes of data and with "
        "some data types.");
    const QString moreDetails = QStringLiteral(
        "More details are in the README file that comes with Norvane, which also says where to send your comments.");
    return warranty + QStringLiteral("\r\n") + testedFor + QStringLiteral("\r\n") + moreDetails;
}

}  // namespace norvane::product
