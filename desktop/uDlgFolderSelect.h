#pragma once
// The folder selection dialog: picks the root folder of the folder pane. Created once at start-up,
// hidden, and run modally by the main window; the same object keeps its state for the whole run.
// The tree has one root node, the desktop (the user's XDG desktop folder, else the home folder),
// whose children are its sub-folders, then the home folder and "/": every folder is reachable.
// Folders are read when their node is first expanded and not watched afterwards.

#include <QDialog>

#include <string>

class QFrame;
class QPushButton;
class QTreeWidget;
class QTreeWidgetItem;

class TdlgFolderSelect : public QDialog {
  Q_OBJECT

 public:
  explicit TdlgFolderSelect(QWidget* parent = nullptr);

  // The path of the folder selected in the tree (no trailing delimiter, except "/" itself);
  // empty when no node is selected.
  std::string SelectedPath() const;

  // The desktop node's folder: $XDG_DESKTOP_DIR (or ~/Desktop) when it exists, else the home
  // folder.
  static std::string DesktopPath();

  QFrame* Bevel1 = nullptr;
  QTreeWidget* ShellTreeView1 = nullptr;
  QPushButton* OKBtn = nullptr;
  QPushButton* CancelBtn = nullptr;

 protected:
  void showEvent(QShowEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  QTreeWidgetItem* AddNode(QTreeWidgetItem* parent, const std::string& path,
                           const QString& caption);
  void FillChildren(QTreeWidgetItem* node);
  void PlaceControls();
};

// The program's one folder dialog, made hidden at start-up; nullptr until then.
extern TdlgFolderSelect* dlgFolderSelect;
