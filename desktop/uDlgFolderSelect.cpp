#include "desktop/uDlgFolderSelect.h"

#include <QDir>
#include <QFile>
#include <QFileIconProvider>
#include <QFrame>
#include <QMouseEvent>
#include <QPushButton>
#include <QScreen>
#include <QStandardPaths>
#include <QTreeWidget>

#include "platform/CodePage.h"
#include "platform/FileSearch.h"

TdlgFolderSelect* dlgFolderSelect = nullptr;

namespace {

// The form's client area; the controls keep their distances to its edges from these.
constexpr int kClientWidth = 471;
constexpr int kClientHeight = 384;
constexpr QRect kBevelRect(8, 8, 455, 331);
constexpr QRect kTreeRect(24, 16, 415, 315);
constexpr QRect kOkRect(159, 350, 75, 25);
constexpr QRect kCancelRect(239, 350, 75, 25);

// Each node keeps its folder's path as the file system's bytes; the caption is for display.
constexpr int kPathRole = Qt::UserRole;
// Set on a node once its sub-folders have been read.
constexpr int kFilledRole = Qt::UserRole + 1;

std::string PathOf(const QTreeWidgetItem* node) {
  return node->data(0, kPathRole).toByteArray().toStdString();
}

QString Caption(const std::string& name) {
  return QString::fromStdString(platform::AnsiToUtf8(name));
}

// A rectangle of the form moved and stretched with the client area, by (dw, dh).
QRect Stretched(const QRect& r, int dw, int dh) {
  return QRect(r.left(), r.top(), r.width() + dw, r.height() + dh);
}
QRect KeptAtBottom(const QRect& r, int dh) { return r.translated(0, dh); }

}  // namespace

TdlgFolderSelect::TdlgFolderSelect(QWidget* parent) : QDialog(parent) {
  setObjectName("dlgFolderSelect");
  setWindowTitle("Select Path");
  resize(kClientWidth, kClientHeight);
  Bevel1 = new QFrame(this);
  Bevel1->setObjectName("Bevel1");
  Bevel1->setFrameStyle(QFrame::Box | QFrame::Sunken);
  ShellTreeView1 = new QTreeWidget(this);
  ShellTreeView1->setObjectName("ShellTreeView1");
  ShellTreeView1->setHeaderHidden(true);
  ShellTreeView1->setRootIsDecorated(false);  // no lines or expand button at the root level
  ShellTreeView1->setIndentation(19);
  ShellTreeView1->setSelectionMode(QAbstractItemView::SingleSelection);
  ShellTreeView1->viewport()->installEventFilter(this);
  connect(ShellTreeView1, &QTreeWidget::itemExpanded, this,
          [this](QTreeWidgetItem* node) { FillChildren(node); });
  OKBtn = new QPushButton("OK", this);
  OKBtn->setObjectName("OKBtn");
  OKBtn->setDefault(true);
  connect(OKBtn, &QPushButton::clicked, this, &QDialog::accept);
  CancelBtn = new QPushButton("キャンセル", this);
  CancelBtn->setObjectName("CancelBtn");
  connect(CancelBtn, &QPushButton::clicked, this, &QDialog::reject);
  PlaceControls();

  const std::string desktop = DesktopPath();
  const QString name = Caption(desktop.substr(desktop.rfind('/') + 1));
  QTreeWidgetItem* root = AddNode(nullptr, desktop, name);
  root->setExpanded(true);  // reads the desktop's sub-folders, then home and "/"
  ShellTreeView1->setCurrentItem(root);
}

std::string TdlgFolderSelect::DesktopPath() {
  const QString desktop = QStandardPaths::writableLocation(QStandardPaths::DesktopLocation);
  const std::string path = QFile::encodeName(desktop).toStdString();
  if (!path.empty() && platform::DirectoryExists(path)) return path;
  return QFile::encodeName(QDir::homePath()).toStdString();
}

std::string TdlgFolderSelect::SelectedPath() const {
  const QList<QTreeWidgetItem*> selected = ShellTreeView1->selectedItems();
  return selected.isEmpty() ? std::string() : PathOf(selected.first());
}

QTreeWidgetItem* TdlgFolderSelect::AddNode(QTreeWidgetItem* parent, const std::string& path,
                                           const QString& caption) {
  auto* node = parent ? new QTreeWidgetItem(parent) : new QTreeWidgetItem(ShellTreeView1);
  node->setText(0, caption);
  node->setData(0, kPathRole, QByteArray::fromStdString(path));
  node->setIcon(0, QFileIconProvider().icon(QFileIconProvider::Folder));
  // Whether it has sub-folders is learnt when it is opened; until then it offers to open.
  node->setChildIndicatorPolicy(QTreeWidgetItem::ShowIndicator);
  return node;
}

void TdlgFolderSelect::FillChildren(QTreeWidgetItem* node) {
  if (node->data(0, kFilledRole).toBool()) return;
  node->setData(0, kFilledRole, true);
  const std::string path = PathOf(node);
  const std::string folder = platform::IncludeTrailingPathDelimiter(path);
  for (const platform::TSearchRec& rec : platform::FindFiles(folder + "*.*")) {
    // Hidden folders stay out, as in a file manager's tree ("." and ".." are hidden too).
    if (!rec.Directory || rec.Hidden || rec.Name == "." || rec.Name == "..") continue;
    AddNode(node, folder + rec.Name, Caption(rec.Name));
  }
  if (node->parent() == nullptr) {
    // The desktop node also leads to the home folder and the whole file system.
    const std::string home = QFile::encodeName(QDir::homePath()).toStdString();
    if (home != path) AddNode(node, home, Caption(home.substr(home.rfind('/') + 1)));
    AddNode(node, "/", "/");
  }
  if (node->childCount() == 0)
    node->setChildIndicatorPolicy(QTreeWidgetItem::DontShowIndicatorWhenChildless);
}

void TdlgFolderSelect::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  if (const QScreen* shown = screen()) {
    QRect frame = frameGeometry();
    frame.moveCenter(shown->availableGeometry().center());
    move(frame.topLeft());
  }
}

void TdlgFolderSelect::resizeEvent(QResizeEvent* event) {
  QDialog::resizeEvent(event);
  PlaceControls();
}

void TdlgFolderSelect::PlaceControls() {
  // The frame and the tree stretch with the dialog; the buttons keep their distances to the
  // left and bottom edges.
  const int dw = width() - kClientWidth;
  const int dh = height() - kClientHeight;
  Bevel1->setGeometry(Stretched(kBevelRect, dw, dh));
  ShellTreeView1->setGeometry(Stretched(kTreeRect, dw, dh));
  OKBtn->setGeometry(KeptAtBottom(kOkRect, dh));
  CancelBtn->setGeometry(KeptAtBottom(kCancelRect, dh));
}

bool TdlgFolderSelect::eventFilter(QObject* watched, QEvent* event) {
  // A right click selects the node under the mouse, as a left click does.
  if (watched == ShellTreeView1->viewport() && event->type() == QEvent::MouseButtonPress) {
    const auto* mouse = static_cast<QMouseEvent*>(event);
    if (mouse->button() == Qt::RightButton) {
      if (QTreeWidgetItem* node = ShellTreeView1->itemAt(mouse->position().toPoint()))
        ShellTreeView1->setCurrentItem(node);
    }
  }
  return QDialog::eventFilter(watched, event);
}
