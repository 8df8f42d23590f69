#include "desktop/uDlgFolderSelect.h"

#include <QPushButton>

TdlgFolderSelect* dlgFolderSelect = nullptr;

TdlgFolderSelect::TdlgFolderSelect(QWidget* parent) : QDialog(parent) {
  setObjectName("dlgFolderSelect");
  setWindowTitle("Select Path");
  resize(471, 384);
  OKBtn = new QPushButton("OK", this);
  OKBtn->setObjectName("OKBtn");
  OKBtn->setGeometry(159, 350, 75, 25);
  OKBtn->setDefault(true);
  connect(OKBtn, &QPushButton::clicked, this, &QDialog::accept);
  CancelBtn = new QPushButton("キャンセル", this);
  CancelBtn->setObjectName("CancelBtn");
  CancelBtn->setGeometry(239, 350, 75, 25);
  connect(CancelBtn, &QPushButton::clicked, this, &QDialog::reject);
}

std::string TdlgFolderSelect::SelectedPath() const { return {}; }
