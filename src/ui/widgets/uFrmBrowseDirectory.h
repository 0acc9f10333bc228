#pragma once

#include <string>

#include <QDialog>

class QComboBox;
class QFileSystemModel;
class QPushButton;
class QTreeView;

// A small modal folder picker: a drive selector and the folder tree of the chosen drive.
// The caller sets StartFolder, shows the dialog and, when Accepted, reads CurrentFolder().
class TfrmBrowseDirectory : public QDialog {
    Q_OBJECT
public:
    explicit TfrmBrowseDirectory(QWidget* owner = nullptr);

    std::string StartFolder;
    bool Accepted = false;

    QComboBox* drvDrive;
    QTreeView* dirDirectory;
    QPushButton* cmdOK;
    QPushButton* cmdCancel;

    // The folder chosen in the tree (bytes, as the file system names it); empty when none.
    std::string CurrentFolder() const;
    // Creates StartFolder when missing (one level) and opens the tree there.
    void FormActivate();
    void drvDriveChange();

protected:
    void showEvent(QShowEvent* event) override;

private:
    void FillDrives();
    void ShowFolder(const QString& folder);
    QFileSystemModel* m_folders;
    bool m_activated = false;
};
