#include "shell/tips_text.h"

namespace norvane::tips {

namespace {

struct Tip {
    const char* heading;
    const char* text;
};

// In the order the window steps through them.
constexpr Tip kTips[] = {
    {"General:",
     "The Find box helps you to quickly find listed database objects by typing each letter of them, and the bottom list will automatically scroll to the item if it is present"},
    {"General:",
     "You can switch between various windows(Tables, Views,...) using Ctrl+Tab, if they are already loaded using menu"},
    {"General:",
     "If an object name is too long, click on it to view it in full as tool tip"},
    {"Connection:",
     "Specify Server option populates all available SQL servers in the network"},
    {"Connection:",
     "When Server is specified, all available databases are populated"},
    {"Connection:",
     "Use the Connect menu to use another database server or another database in the same server"},
    {"Refresh:",
     "Clicking on the Refresh menu will refresh the database objects in Norvane after closing all the open windows and re-opening the Table window with latest objects"},
    {"Tables:",
     "Double click on a listed Table name to view its contents, column details, references and dependent objects"},
    {"Tables:",
     "The cross mark near the column number indicates that it is a Primary Key column"},
    {"Tables:",
     "The column details grid provide more informations like computed columns, default values, identity columns, etc besides data type, size and others"},
    {"Tables:",
     "Click on the column name to view it completely or to copy it for use while programming"},
    {"Tables:",
     "The Statements section generates various SQL statements for the selected table, which can be used for programming"},
    {"Tables:",
     "The generated statements appear in a code window which shows key words in different colors"},
    {"Tables:",
     "The code window can be maximised to get better view of the contents. The contents can be copied to clipboard or saved to a file"},
    {"Tables:",
     "The Data option in the Statements section generates Insert SQL statements to export data in a table"},
    {"Tables:",
     "The Dependent Objects section, shows objects dependent on the selected table; (P) = Stored Procedure and (V) = View and (FN) = Function"},
    {"Tables:",
     "Double click on the dependent object name to view its source text in the code window"},
    {"Tables:",
     "Double click on a Check Constraint name or Trigger name to view its source text in the code window"},
    {"Tables:",
     "Double click on the referred or referring table names to get their details populated"},
    {"Tables and Views:",
     "Sort the rows in a Table or View by clicking on the Column Headings. Clicking the same heading again will change the sort order"},
    {"Tables and Views:",
     "The All rows option poopulates all the data, but it may take more time if the table or view contains large number of records"},
    {"Tables and Views:",
     "If there are more than 500 rows in table or view, Norvane warns you about this and you can view either 500 rows or all rows"},
    {"SPs:",
     "The Code section generates VB and SQL codes for the selected Stored Procedure"},
    {"Search:",
     "Use the Search window to search for a particular text like table name or author name in the database objects (SPs, Views, Functions)"},
    {"Search:",
     "Use the Find button on the right corner to find the search text in the displayed object"},
    {"Search:",
     "Click again on the Find button to find further occurrence of the search text"},
    {"Reports:",
     "The Reports window helps to generate various reports on database objects"},
    {"Reports:",
     "You can select tables with specified prefixes and either add them to the current selection or keep as a new set of selection for generating report"},
    {"Reports:",
     "The Table Details option generates report on selected tables giving their column details like Name, Data Type, Size, etc."},
    {"Reports:",
     "The Object Listing option generates a list of database objects with their details like Owner, Created Date, etc."},
    {"Reports:",
     "Since the report is generated in Excel, you can further use its features to analyse reports. For eg., Sorting the list of tables by Rows will help to identify tables with more data"},
    {"Reports:",
     "The progress bar will indicate the report generation progress and you are free to close the window during this process, if you want to quit"},
    {"Backup:",
     "Norvane provides the most easiest way to take complete backup of a database into a disk file. It is just the matter of clicking Backup menu and selecting the destination"},
    {"Backup:",
     "If an exisitng file name is given, Norvane overwrites the backup file. Path for the file should be in the same machine where the SQL server is running"},
    {"Restore:",
     "Restore option allows you to restore a database, in a simplest way. It will list the computers connected to the database, giving you an option to forcefully disconnect them and proceed with restoring"},
    {"Restore:",
     "The backup file should be picked from the same machine where the SQL server is running. Norvane refreshes itself after successful restoring of database"},
};

}  // namespace

const QStringList& tipList()
{
    static const QStringList list = [] {
        QStringList built;
        for (const Tip& tip : kTips)
            built.append(QString::fromUtf8(tip.heading) + QStringLiteral("\r\n") + QString::fromUtf8(tip.text));
        return built;
    }();
    return list;
}

int nextTipPosition(bool& firstTime, int position, int count, double random)
{
    if (firstTime) {
        firstTime = false;
        position = static_cast<int>(random * count + 1);
    } else {
        ++position;
    }
    if (position > count)
        position = 1;
    return position;
}

}  // namespace norvane::tips
