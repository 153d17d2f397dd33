#include "objects/frmSPs.h"

#include "codeview/frmCodes.h"
#include "objects/param_grid.h"
#include "objects/sql_call.h"
#include "objects/vb_call.h"
#include "shell/catalog_helpers.h"
#include "shell/data/sql_text.h"
#include "shell/prompts.h"
#include "shell/session.h"

#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QTableWidget>
#include <QTextEdit>

namespace norvane {

namespace {

const QString kProcedureListQuery =
    QStringLiteral("Select Distinct Name From SysObjects Where Xtype='P' Order By Name");

// The parameters and the result of a procedure or function, in the order the server returns them.
QString parameterQuery(const QString& name)
{
    return QStringLiteral("Select SysColumns.Name ColName,SysTypes.Name DataType,SysColumns.Length Length, "
                          "SysColumns.XPrec Prec, SysColumns.XScale Scale,SysColumns.IsOutParam OutParam  "
                          "From SysColumns, SysTypes Where   Id=Object_Id('") +
           quotedLiteralText(name) + QStringLiteral("') And SysColumns.XUserType = SysTypes.XUserType");
}

ObjectListTexts procedureListTexts()
{
    ObjectListTexts texts;
    texts.windowName = QStringLiteral("frmSPs");
    texts.caption = QStringLiteral("Stored Procedures");
    texts.findLabelName = QStringLiteral("lblSPSSearch");
    texts.findBoxName = QStringLiteral("txtSPSSearch");
    texts.findBoxTip = QStringLiteral("Type here to find the SPs");
    texts.listName = QStringLiteral("lstSPS");
    texts.listTip = QStringLiteral("List of available SPs");
    texts.totalName = QStringLiteral("lblSPSTotalSPs");
    texts.totalDesign = QStringLiteral("&Total SPs");
    texts.totalPrefix = QStringLiteral("&Total SPs : ");
    texts.populating = QStringLiteral("Populating SPs... Please wait...");
    texts.loadFailure = QStringLiteral("Problems encountered while populating SPs!");
    return texts;
}

constexpr int kCodeFrameTop = 376;

} // namespace

QString captionWithName(const QString& caption, const QString& name)
{
    QString shown = name;
    return caption + shown.replace(QLatin1Char('&'), QStringLiteral("&&"));
}

frmSPs::frmSPs(QWidget* parent) : ObjectListWindow(procedureListTexts(), parent)
{
    setListBottom(kCodeFrameTop - 6);
    buildDetails();
    buildCodeFrame();
    loadList(&frmSPs::PopulateSPs);
}

frmSPs::~frmSPs() = default;

void frmSPs::buildDetails()
{
    lblSPSSPName = makeLabel(this, QStringLiteral("lblSPSSPName"), QStringLiteral("SP &Name"),
                                    {kDetailsLeft, 10, kDetailsWidth, 18});
    lblSPSParams = makeLabel(this, QStringLiteral("lblSPSParams"), QStringLiteral("Total &Parameters:"),
                                    {kDetailsLeft, 34, kDetailsWidth, 18});
    flxSPSParams = makeParamGrid(this, QStringLiteral("flxSPSParams"), QStringLiteral("Parameters of the SP"),
                                 {kDetailsLeft, 52, kDetailsWidth, 200});
    lblSPSSPName->setBuddy(flxSPSParams);
    lblSPSParams->setBuddy(flxSPSParams);

    rtbSPSText = makeSourceBox(this, QStringLiteral("rtbSPSText"), QStringLiteral("The source of the SP"),
                               {kDetailsLeft, 260, kDetailsWidth, kDesignHeight - 260 - 8});
}

void frmSPs::buildCodeFrame()
{
    fraCode = new QGroupBox(QStringLiteral("&Code"), this);
    fraCode->setObjectName(QStringLiteral("fraCode"));
    fraCode->setGeometry(8, kCodeFrameTop, 200, kDesignHeight - kCodeFrameTop - 8);

    const std::array<QString, 3> captions = {QStringLiteral("&Visual Basic 1"), QStringLiteral("&Visual Basic 2"),
                                             QStringLiteral("S &Q L")};
    const std::array<QString, 3> tips = {QStringLiteral("Select this to generate VB code for the SP"),
                                         QStringLiteral("Select this to generate VB code for the SP"),
                                         QStringLiteral("Select this to generate SQL code for the SP")};
    for (int index = 0; index < 3; ++index) {
        optCode[index] = new QRadioButton(captions[index], fraCode);
        optCode[index]->setObjectName(QStringLiteral("optCode%1").arg(index));
        optCode[index]->setGeometry(10, 20 + index * 24, 180, 22);
        optCode[index]->setToolTip(tips[index]);
    }
    optCode[1]->setChecked(true);

    cmdGenerate = new QPushButton(QStringLiteral("&Generate"), fraCode);
    cmdGenerate->setObjectName(QStringLiteral("cmdGenerate"));
    cmdGenerate->setGeometry(50, 96, 100, 28);
    cmdGenerate->setToolTip(QStringLiteral("Click to generate the selected code"));
    connect(cmdGenerate, &QPushButton::clicked, this, [this] { cmdGenerate_Click(); });
}

void frmSPs::PopulateSPs(QListWidget* list)
{
    Recordset names = session().connection.execute(kProcedureListQuery);
    list->clear();
    for (; !names.eof(); names.moveNext())
        list->addItem(names.field(QStringLiteral("Name")).text());
    names.close();
}

void frmSPs::PopulateSPParams(QTableWidget* grid, const QString& name)
{
    resetParamGrid(grid);
    Recordset parameters = session().connection.execute(parameterQuery(name));
    for (; !parameters.eof(); parameters.moveNext()) {
        const Field& outParam = parameters.field(QStringLiteral("OutParam"));
        const bool output = !outParam.isNull() && outParam.value().toLongLong() == 1;
        appendParamRow(grid, ParamRow{QString::number(paramGridRowCount(grid)),
                                      parameters.field(QStringLiteral("ColName")).text(),
                                      parameters.field(QStringLiteral("DataType")).text(),
                                      parameters.field(QStringLiteral("Length")).text(),
                                      parameters.field(QStringLiteral("Prec")).text(),
                                      parameters.field(QStringLiteral("Scale")).text(),
                                      output ? QStringLiteral("Output") : QStringLiteral("Input")});
    }
    parameters.close();
}

void frmSPs::showSelected()
{
    if (!session().Connected)
        return;
    try {
        QString name = selectedEntry().trimmed();
        // Enter with nothing chosen leaves the procedure on show as it is.
        if (name.isEmpty())
            return;
        findBox_->setText(name);
        name = GetQualifiedName(name, true);
        lblSPSSPName->setText(captionWithName(QStringLiteral("&Name:"), name));
        SetStatus(QStringLiteral("Populating Parameters... Please wait..."), true);
        PopulateSPParams(flxSPSParams, name);
        lblSPSParams->setText(QStringLiteral("Total Parameters : ") +
                              QString::number(paramGridRowCount(flxSPSParams) - 1));
        if (paramGridRowCount(flxSPSParams) == 1)
            flxSPSParams->setRowCount(1); // one empty row under the header
        SetStatus(QStringLiteral("Filling Object Text.. Please wait..."), true);
        showObjectSource(rtbSPSText, name);
        SetStatus(QStringLiteral("Ready"), false);
    } catch (const std::exception& error) {
        SetStatus(QStringLiteral("Ready"), false);
        showError(this, QStringLiteral("Problems encountered while populating Object details!"), failureDetails(error));
    }
}

CodeWindowInputs callingCode(int kind, const QString& procedureName, const ParamRows& rows)
{
    CodeWindowInputs inputs;
    QString kindWord;
    if (kind == 2) {
        inputs.Code = BuildSQLCall(procedureName, rows);
        kindWord = QStringLiteral("SQL");
        inputs.FilterIndex = 1;
        inputs.NoColour = false;
    } else {
        inputs.Code = kind == 0 ? BuildVBCall1(procedureName, rows) : BuildVBCall2(procedureName, rows);
        kindWord = QStringLiteral("VB");
        inputs.FilterIndex = 2;
        inputs.NoColour = true;
    }
    inputs.Title = QStringLiteral("Following is the generated ") + kindWord + QStringLiteral(" code ") +
                   QStringLiteral(" for the stored procedure : ") + procedureName;
    inputs.FileName = procedureName;
    return inputs;
}

void frmSPs::cmdGenerate_Click()
{
    try {
        int kind = 0;
        while (kind < 2 && !optCode[kind]->isChecked())
            ++kind;
        // The find box names the procedure; the grid gives the parameters it shows.
        const QString procedureName = findBox_->text().trimmed();
        const CodeWindowInputs inputs = callingCode(kind, procedureName, paramRowsOf(flxSPSParams));
        showCodeWindow(window(), inputs);
    } catch (const std::exception& error) {
        SetStatus(QStringLiteral("Ready"), false);
        showError(this, QStringLiteral("Problems encountered while generating code!"), failureDetails(error));
    }
}

} // namespace norvane
