#pragma once
// The server directory browser: the database server's drives and folders (and, when a file is
// to be restored, its files), read from the server one folder at a time as the user opens them.
// The caller sets RestoreMode and FileName, shows it modally, then reads DirectoryCancelled of
// the session and FullPath.
#include <QDialog>
#include <QString>

class QLabel;
class QLineEdit;
class QPushButton;
class QTreeWidget;
class QTreeWidgetItem;

namespace norvane {

class frmServerDir : public QDialog {
    Q_OBJECT
public:
    explicit frmServerDir(QWidget* parent = nullptr);

    // True when a file is to be restored, false for a backup.
    bool RestoreMode = false;
    // Before showing: the proposed file name (empty for a restore). After Start: the chosen full path.
    QString FileName;
    QString FullPath() const { return FileName; }

    // Loads the window (drives from the server) and shows it modally.
    int exec() override;

public slots:
    void reject() override;  // Esc and the close box: as Cancel

private:
    void buildControls();
    void Form_Load();
    void LoadDrives();
    void ExpandFolder(QTreeWidgetItem* node);
    void showPicture(QTreeWidgetItem* node);
    QString fullPathOf(const QTreeWidgetItem* node) const;
    QString separatorBelow(const QTreeWidgetItem* node) const;
    void returnToSessionDatabase();

    void tvwDir_Expand(QTreeWidgetItem* node);
    void tvwDir_Collapse(QTreeWidgetItem* node);
    void tvwDir_NodeClick(QTreeWidgetItem* node);
    void txtFileName_Change();
    void cmdStart_Click();
    void cmdCancel_Click();

    QLabel* lblServer = nullptr;
    QLabel* lblDir = nullptr;
    QTreeWidget* tvwDir = nullptr;
    QLabel* lblFile = nullptr;
    QLineEdit* txtFileName = nullptr;
    QLineEdit* txtFullPath = nullptr;
    QPushButton* cmdStart = nullptr;
    QPushButton* cmdCancel = nullptr;
    bool closing_ = false;
};

}  // namespace norvane
