#include "objects/frmFunctions.h"

#include "objects/frmSPs.h"
#include "objects/param_grid.h"
#include "shell/catalog_helpers.h"
#include "shell/prompts.h"
#include "shell/session.h"

#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QTableWidget>
#include <QTextEdit>

#include <stdexcept>

namespace norvane {

namespace {

const QString kFunctionListQuery =
    QStringLiteral("Select Distinct Name From SysObjects Where Xtype='FN' Or Xtype='TF' Order By Name");

constexpr int kTypeColumn = 6;

ObjectListTexts functionListTexts()
{
    ObjectListTexts texts;
    texts.windowName = QStringLiteral("frmFunctions");
    texts.caption = QStringLiteral("Functions");
    texts.findLabelName = QStringLiteral("lblFNSSearch");
    texts.findBoxName = QStringLiteral("txtFNSearch");
    texts.findBoxTip = QStringLiteral("Type here to find the functions");
    texts.listName = QStringLiteral("lstFN");
    texts.listTip = QStringLiteral("List of available functions");
    texts.totalName = QStringLiteral("lblFNTotal");
    texts.totalDesign = QStringLiteral("&Total Functions");
    texts.totalPrefix = QStringLiteral("&Total Functions : ");
    texts.populating = QStringLiteral("Populating Functions... Please wait...");
    texts.loadFailure = QStringLiteral("Problems encountered while populating functions!");
    return texts;
}

} // namespace

frmFunctions::frmFunctions(QWidget* parent) : ObjectListWindow(functionListTexts(), parent)
{
    buildDetails();
    loadList(&frmFunctions::PopulateFunctions);
}

frmFunctions::~frmFunctions() = default;

void frmFunctions::buildDetails()
{
    lblFNName = makeLabel(this, QStringLiteral("lblFNName"), QStringLiteral("Function &Name"),
                                 {kDetailsLeft, 10, kDetailsWidth, 18});
    lblFNSParams = makeLabel(this, QStringLiteral("lblFNSParams"), QStringLiteral("Total &Parameters:"),
                                    {kDetailsLeft, 34, kDetailsWidth, 18});
    flxFNSParams = makeParamGrid(this, QStringLiteral("flxFNSParams"), QStringLiteral("Parameters of the function"),
                                 {kDetailsLeft, 52, kDetailsWidth, 200});
    lblFNName->setBuddy(flxFNSParams);
    lblFNSParams->setBuddy(flxFNSParams);

    rtbFNText = makeSourceBox(this, QStringLiteral("rtbFNText"), QStringLiteral("The source of the function"),
                              {kDetailsLeft, 260, kDetailsWidth, kDesignHeight - 260 - 8});
}

void frmFunctions::PopulateFunctions(QListWidget* list)
{
    Recordset names = session().connection.execute(kFunctionListQuery);
    list->clear();
    for (; !names.eof(); names.moveNext())
        list->addItem(names.field(QStringLiteral("Name")).text());
    names.close();
}

void frmFunctions::showSelected()
{
    if (!session().Connected)
        return;
    try {
        const QString name = selectedEntry().trimmed();
        // Enter with nothing chosen leaves the function on show as it is.
        if (name.isEmpty())
            return;
        findBox_->setText(name);
        CurrentName = GetQualifiedName(name, true);
        lblFNName->setText(captionWithName(QStringLiteral("&Name:"), CurrentName));
        SetStatus(QStringLiteral("Populating Parameters... Please wait..."), true);
        frmSPs::PopulateSPParams(flxFNSParams, CurrentName);
        // The first row is the function's result.
        QTableWidgetItem* firstType = flxFNSParams->item(0, kTypeColumn);
        if (firstType == nullptr)
            throw std::runtime_error("The catalog holds no result or parameter of the function.");
        firstType->setText(QStringLiteral("Return"));
        lblFNSParams->setText(QStringLiteral("Total Parameters : ") +
                              QString::number(paramGridRowCount(flxFNSParams) - 1));
        SetStatus(QStringLiteral("Filling Object Text.. Please wait..."), true);
        showObjectSource(rtbFNText, CurrentName);
        SetStatus(QStringLiteral("Ready"), false);
    } catch (const std::exception& error) {
        SetStatus(QStringLiteral("Ready"), false);
        showError(this, QStringLiteral("Problems encountered while populating Object details!"), failureDetails(error));
    }
}

} // namespace norvane
