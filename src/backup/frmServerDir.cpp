#include "backup/frmServerDir.h"

#include "shell/catalog_helpers.h"
#include "shell/data/sql_text.h"
#include "shell/prompts.h"
#include "shell/session.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTreeWidget>
#include <QTreeWidgetItem>

#include <optional>

namespace norvane {

namespace {

const QString kEmptyPathMessage = QStringLiteral("Select/Enter the File Name");
const QString kDrivesFailed = QStringLiteral("Problems encountered while listing the server's drives!");
const QString kDatabaseFailed = QStringLiteral("Problems encountered while returning to the database!");

// What a tree node stands for; the node's Tag (the depth the server reported) is kept beside it.
enum class NodeKind { Drive = 1, Folder, Placeholder, File };
constexpr int kTagRole = Qt::UserRole;
constexpr int kKindRole = Qt::UserRole + 1;

NodeKind kindOf(const QTreeWidgetItem* node)
{
    return static_cast<NodeKind>(node->data(0, kKindRole).toInt());
}

QTreeWidgetItem* makeNode(NodeKind kind, const QString& text, const QVariant& tag)
{
    auto* node = new QTreeWidgetItem(QStringList{text});
    node->setData(0, kKindRole, static_cast<int>(kind));
    node->setData(0, kTagRole, tag);
    return node;
}

bool isPlaceholder(const QTreeWidgetItem* node)
{
    return kindOf(node) == NodeKind::Placeholder;
}

// The server's default backup folder, for servers that cannot list their drives; empty when unknown.
QString defaultBackupDirectory(Connection& connection)
{
    const QStringList queries{
        QStringLiteral("SELECT CAST(SERVERPROPERTY('InstanceDefaultBackupPath') AS nvarchar(260))"),
        QStringLiteral("EXEC master.dbo.xp_instance_regread N'HKEY_LOCAL_MACHINE', "
                       "N'Software\\Microsoft\\MSSQLServer\\MSSQLServer', N'BackupDirectory'"),
    };
    for (const QString& sql : queries) {
        try {
            Recordset answer = connection.execute(sql);
            QString folder;
            if (!answer.eof() && answer.fieldCount() > 0)
                folder = answer.field(answer.fieldCount() - 1).text().trimmed();
            answer.close();
            // A root keeps no separator of its own at the end, except a drive's "X:\".
            while (folder.size() > 3 && (folder.endsWith(QLatin1Char('\\')) || folder.endsWith(QLatin1Char('/'))))
                folder.chop(1);
            if (!folder.isEmpty())
                return folder;
        } catch (const DbError&) {
            // Not this server's way of telling it; try the next.
        }
    }
    return QString();
}

}  // namespace

frmServerDir::frmServerDir(QWidget* parent) : QDialog(parent)
{
    setObjectName("frmServerDir");
    setWindowTitle(QStringLiteral("Server Directory"));
    buildControls();
}

void frmServerDir::buildControls()
{
    lblServer = new QLabel(this);
    lblServer->setObjectName("lblServer");
    lblServer->setWordWrap(true);

    lblDir = new QLabel(QStringLiteral("Select &Folder/File:"), this);
    lblDir->setObjectName("lblDir");
    tvwDir = new QTreeWidget(this);
    tvwDir->setObjectName("tvwDir");
    tvwDir->setHeaderHidden(true);
    tvwDir->setColumnCount(1);
    lblDir->setBuddy(tvwDir);

    lblFile = new QLabel(QStringLiteral("Folder/File &Name:"), this);
    lblFile->setObjectName("lblFile");
    txtFileName = new QLineEdit(this);
    txtFileName->setObjectName("txtFileName");
    lblFile->setBuddy(txtFileName);

    txtFullPath = new QLineEdit(this);
    txtFullPath->setObjectName("txtFullPath");
    txtFullPath->setToolTip(QStringLiteral("Full path of file used for the operation; is editable"));

    cmdStart = new QPushButton(QStringLiteral("&Start"), this);
    cmdStart->setObjectName("cmdStart");
    cmdStart->setToolTip(QStringLiteral("Click to start the operration"));
    cmdStart->setDefault(true);
    cmdStart->setAutoDefault(true);
    cmdCancel = new QPushButton(QStringLiteral("&Cancel"), this);
    cmdCancel->setObjectName("cmdCancel");
    cmdCancel->setToolTip(QStringLiteral("Click to close this window"));
    cmdCancel->setAutoDefault(false);

    auto* layout = new QGridLayout(this);
    layout->addWidget(lblServer, 0, 0, 1, 2);
    layout->addWidget(lblDir, 1, 0, 1, 2);
    layout->addWidget(tvwDir, 2, 0, 1, 2);
    layout->addWidget(lblFile, 3, 0);
    layout->addWidget(txtFileName, 3, 1);
    layout->addWidget(txtFullPath, 4, 0, 1, 2);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(cmdStart);
    buttons->addWidget(cmdCancel);
    layout->addLayout(buttons, 5, 0, 1, 2);
    layout->setRowStretch(2, 1);
    resize(440, 460);

    connect(tvwDir, &QTreeWidget::itemExpanded, this, &frmServerDir::tvwDir_Expand);
    connect(tvwDir, &QTreeWidget::itemCollapsed, this, &frmServerDir::tvwDir_Collapse);
    connect(tvwDir, &QTreeWidget::itemClicked, this, [this](QTreeWidgetItem* node) { tvwDir_NodeClick(node); });
    // Moving through the tree with the keyboard picks a node as a click does.
    connect(tvwDir, &QTreeWidget::currentItemChanged, this, [this](QTreeWidgetItem* current, QTreeWidgetItem* previous) {
        if (previous)
            showPicture(previous);
        if (current) {
            showPicture(current);
            tvwDir_NodeClick(current);
        }
    });
    connect(txtFileName, &QLineEdit::textChanged, this, &frmServerDir::txtFileName_Change);
    connect(cmdStart, &QPushButton::clicked, this, &frmServerDir::cmdStart_Click);
    connect(cmdCancel, &QPushButton::clicked, this, &frmServerDir::cmdCancel_Click);
}

int frmServerDir::exec()
{
    Form_Load();
    // The name box has the focus at first, so no drive is chosen before the user picks one.
    txtFileName->setFocus();
    return QDialog::exec();
}

void frmServerDir::Form_Load()
{
    Session& s = session();
    s.DirectoryCancelled = false;
    closing_ = false;
    lblServer->setText(QStringLiteral("Drives and folders of the database server ") + s.ServerName
                       + QStringLiteral(", not of this computer."));
    txtFileName->setText(FileName);
    try {
        LoadDrives();
    } catch (const DbError& error) {
        showError(this, kDrivesFailed, error.description());
    }
}

void frmServerDir::LoadDrives()
{
    tvwDir->clear();
    Connection& connection = session().connection;
    connection.executeCommand(QStringLiteral("USE master"));
    QStringList drives;
    try {
        Recordset media = connection.execute(QStringLiteral("xp_availablemedia 2"));
        for (; !media.eof(); media.moveNext())
            drives << media.field(QStringLiteral("name")).text().trimmed();
        media.close();
    } catch (const DbError&) {
        // A server without the drive list (SQL Server on Linux): its default backup folder is the one root.
        const QString root = defaultBackupDirectory(connection);
        if (root.isEmpty())
            throw;
        drives = QStringList{root};
    }
    for (const QString& drive : drives) {
        QTreeWidgetItem* node = makeNode(NodeKind::Drive, drive, 1);
        // Its contents are read when it is clicked or opened.
        node->setChildIndicatorPolicy(QTreeWidgetItem::ShowIndicator);
        tvwDir->addTopLevelItem(node);
        showPicture(node);
    }
}

void frmServerDir::showPicture(QTreeWidgetItem* node)
{
    switch (kindOf(node)) {
    case NodeKind::Drive:
        node->setIcon(0, imageListIcon(QStringLiteral("Drive")));
        break;
    case NodeKind::Folder:
        // Open while selected or showing its contents, closed otherwise.
        node->setIcon(0, imageListIcon(node->isSelected() || tvwDir->currentItem() == node || node->isExpanded()
                                           ? QStringLiteral("OpenFolder")
                                           : QStringLiteral("ClosedFolder")));
        break;
    case NodeKind::Placeholder:
        node->setIcon(0, imageListIcon(QStringLiteral("ClosedFolder")));
        break;
    case NodeKind::File:
        // Only the lower-case extension marks a backup file.
        node->setIcon(0, imageListIcon(node->text(0).endsWith(QLatin1String("bak"), Qt::CaseSensitive)
                                           ? QStringLiteral("BakFile")
                                           : QStringLiteral("File")));
        break;
    }
}

QString frmServerDir::separatorBelow(const QTreeWidgetItem* node) const
{
    const QTreeWidgetItem* root = node;
    while (root->parent())
        root = root->parent();
    // A root taken from a server with slash paths keeps its own separator.
    return root->text(0).startsWith(QLatin1Char('/')) ? QStringLiteral("/") : QStringLiteral("\\");
}

QString frmServerDir::fullPathOf(const QTreeWidgetItem* node) const
{
    QStringList texts;
    for (const QTreeWidgetItem* at = node; at; at = at->parent())
        texts.prepend(at->text(0));
    return texts.join(separatorBelow(node));
}

void frmServerDir::ExpandFolder(QTreeWidgetItem* node)
{
    // A late event (the tree taking the focus as the browser closes) must not take the session's
    // connection back to master once it has returned to the session's database.
    if (closing_)
        return;
    if (node->childCount() > 0 || kindOf(node) == NodeKind::File || kindOf(node) == NodeKind::Placeholder)
        return;
    Connection& connection = session().connection;
    connection.executeCommand(QStringLiteral("USE master"));
    const QVariant tag = node->data(0, kTagRole);
    const int depth = tag.isValid() && !tag.toString().isEmpty() ? tag.toInt() : 1;
    Recordset rows = connection.execute(QStringLiteral("master.dbo.xp_dirtree N'")
                                        + quotedLiteralText(fullPathOf(node).trimmed()) + QStringLiteral("', ")
                                        + QString::number(depth) + QStringLiteral(" ,1"));
    for (; !rows.eof(); rows.moveNext()) {
        const QString name = rows.field(QStringLiteral("SubDirectory")).text();
        const int rowDepth = rows.field(QStringLiteral("Depth")).value().toInt();
        const bool isFile = rows.field(QStringLiteral("File")).value().toInt() == 1;
        if (!isFile) {
            QTreeWidgetItem* folder = makeNode(NodeKind::Folder, name, rowDepth);
            node->addChild(folder);
            QTreeWidgetItem* placeholder = makeNode(NodeKind::Placeholder, QString(), QVariant());
            folder->addChild(placeholder);
            showPicture(folder);
            showPicture(placeholder);
        } else if (RestoreMode) {
            QTreeWidgetItem* file = makeNode(NodeKind::File, name, rowDepth);
            node->addChild(file);
            showPicture(file);
        }
    }
    rows.close();
    if (kindOf(node) == NodeKind::Drive)
        node->setChildIndicatorPolicy(QTreeWidgetItem::DontShowIndicatorWhenChildless);
    showPicture(node);
}

void frmServerDir::tvwDir_Expand(QTreeWidgetItem* node)
{
    if (node->parent() && node->childCount() == 1 && isPlaceholder(node->child(0)))
        delete node->takeChild(0);
    try {
        ExpandFolder(node);
    } catch (const DbError&) {
        // A folder the server cannot read shows no children.
    }
    showPicture(node);
}

void frmServerDir::tvwDir_Collapse(QTreeWidgetItem* node)
{
    showPicture(node);
}

void frmServerDir::tvwDir_NodeClick(QTreeWidgetItem* node)
{
    if (isPlaceholder(node))
        return;
    try {
        ExpandFolder(node);
    } catch (const DbError&) {
        // What the server could not list stays empty; the path is still taken.
    }
    if (!RestoreMode) {
        txtFullPath->setText(fullPathOf(node) + separatorBelow(node) + txtFileName->text().trimmed());
    } else {
        txtFileName->setText(node->text(0));
        txtFullPath->setText(fullPathOf(node));
    }
}

void frmServerDir::txtFileName_Change()
{
    if (RestoreMode)
        return;
    QTreeWidgetItem* selected = tvwDir->currentItem();
    if (!selected || isPlaceholder(selected))
        return;
    txtFullPath->setText(fullPathOf(selected) + separatorBelow(selected) + txtFileName->text().trimmed());
}

void frmServerDir::returnToSessionDatabase()
{
    try {
        session().connection.executeCommand(QStringLiteral("USE ") + bracketed(session().DatabaseName));
    } catch (const DbError& error) {
        showError(this, kDatabaseFailed, error.description());
    }
}

void frmServerDir::cmdStart_Click()
{
    const QString path = txtFullPath->text().trimmed();
    if (path.isEmpty()) {
        showMessage(this, QMessageBox::Information, kEmptyPathMessage);
        return;
    }
    session().DirectoryCancelled = false;
    FileName = path;
    closing_ = true;
    returnToSessionDatabase();
    done(Accepted);
}

void frmServerDir::cmdCancel_Click()
{
    session().DirectoryCancelled = true;
    closing_ = true;
    returnToSessionDatabase();
    done(Rejected);
}

void frmServerDir::reject()
{
    if (!closing_)
        cmdCancel_Click();
}

}  // namespace norvane
