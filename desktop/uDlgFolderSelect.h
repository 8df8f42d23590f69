#pragma once
// The folder selection dialog: picks the root folder of the folder pane. Created once at start-up,
// hidden, and run modally by the main window; the same object keeps its state for the whole run.

#include <QDialog>

#include <string>

class QPushButton;

class TdlgFolderSelect : public QDialog {
  Q_OBJECT

 public:
  explicit TdlgFolderSelect(QWidget* parent = nullptr);

  // The folder chosen in the dialog; empty when none is selected.
  std::string SelectedPath() const;

  QPushButton* OKBtn = nullptr;
  QPushButton* CancelBtn = nullptr;
};

// The program's one folder dialog, made hidden at start-up; nullptr until then.
extern TdlgFolderSelect* dlgFolderSelect;
