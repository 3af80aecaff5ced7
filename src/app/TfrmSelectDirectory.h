#pragma once
// The default folder dialog: the folder in which Open and Save As start,
// stored as Setup/ConfigDirectory in Values.ini.

#include <QDialog>
#include <string>

class QLineEdit;
class QGroupBox;
class QLabel;

namespace qzt {

class FilePickers;

class TfrmSelectDirectory : public QDialog {
    Q_OBJECT

  public:
    // The main window's user interface answers the folder chooser of Browse.
    // Centred over `owner`; its messages and pickers go through `ui`.
    TfrmSelectDirectory(QWidget& owner, FilePickers& ui);

    // The folder shown, without trailing separators.
    void SetFolder(const std::string& folder);
    // The folder in the edit, without trailing separators.
    std::string Folder() const;

    void btnBrowseClick();

  protected:
    void showEvent(QShowEvent* event) override;

  private:
    void FormCreate();
    void FormShow();

    QWidget& owner_;
    FilePickers& ui_;
    QGroupBox* group_ = nullptr;
    QLabel* info_ = nullptr;
    QLineEdit* edit_ = nullptr;
};

}  // namespace qzt
