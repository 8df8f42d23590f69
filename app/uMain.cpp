#include "app/uMain.h"

#include <QAction>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QFrame>
#include <QHeaderView>
#include <QKeyEvent>
#include <QListWidget>
#include <QMenu>
#include <QMouseEvent>
#include <QScrollBar>
#include <QSplitter>
#include <QStatusBar>
#include <QStyle>
#include <QTableWidget>
#include <QTimer>
#include <QToolButton>
#include <QVBoxLayout>

#include "app/Application.h"
#include "app/ApplicationEvents.h"
#include "app/CustomDrawDelegate.h"
#include "app/FilterComboBox.h"
#include "app/FlowLayout.h"
#include "app/uMainShared.h"
#include "desktop/TrayIcon.h"
#include "desktop/Winplace.h"
#include "desktop/uDlgFolderSelect.h"
#include "engine/VideoGate1000.h"
#include "imaging/ABitmap.h"
#include "platform/Profile.h"
#include "tags/sMediaTagReader.h"

using namespace umain;

namespace {

// The narrowest window: every tool-bar button still fits a row, AutoNextFolder the widest.
constexpr int kMinimumWidth = 320;

}  // namespace

TfrmMain::TfrmMain(TEngineFactory engineFactory) : EngineFactory_(std::move(engineFactory)) {
  setObjectName("frmMain");
  // The closest installed match of the form's "ＭＳ Ｐゴシック" at 12 pixels: a proportional
  // Japanese gothic.
  QFont font("IPAPGothic");
  font.setPixelSize(12);
  setFont(font);
  move(204, 144);
  resize(939, 539);
  CreateActions();
  CreateToolBar();
  CreatePanes();
  // At the smallest width the tool bar takes the most rows; the panes keep their minimum below.
  setMinimumSize(kMinimumWidth, ActionToolBar1->heightForWidth(kMinimumWidth) +
                                    Splitter1->minimumHeight() + PanelBottom->height());
  CreatePopupMenu();
  // The tray icon as the form stores it; its loaded step shows it before FormCreate runs.
  TrayIcon1 = new TTrayIcon(this);
  TrayIcon1->setObjectName("TrayIcon1");
  TrayIcon1->SetRBPopupMenu(PopupMenu1);
  TrayIcon1->SetTipHelp("Orvane");
  TrayIcon1->SetOnDblClick(
      [this](QObject* sender) { RunHandler([&] { TrayIcon1DblClick(sender); }); });
  RunHandler([this] { TrayIcon1->Loaded(); });
  Timer1 = new QTimer(this);
  Timer1->setObjectName("Timer1");
  Timer1->setInterval(200);
  ApplicationEvents1 = new TApplicationEvents(this);
  ConnectEvents();
  RunHandler([this] { FormCreate(); });
  Timer1->start();
}

TfrmMain::~TfrmMain() {
  // The end of a file and the hotkeys stop before the settings are saved: an error box shown
  // during the save runs its own event loop, where neither may start a file or run a command on
  // state that is being written.
  Timer1->stop();
  ApplicationEvents1->SetOnMessage({});
  RunHandler([this] { FormDestroy(); });
  // When FormDestroy stopped early, these still go, and the engine before the bar it moves.
  Engine_.reset();
  TagReader_.reset();
  Background.reset();
}

namespace {

using THandler = void (TfrmMain::*)(QObject*);

// The window's handler of each command, in the table's order; the seek actions share one, which
// reads the tag of the action that ran it.
constexpr auto kHandlers = std::to_array<THandler>({
    &TfrmMain::ActionPlayExecute,       &TfrmMain::ActionStopExecute,
    &TfrmMain::ActionPauseExecute,      &TfrmMain::ActionPrevExecute,
    &TfrmMain::ActionNextExecute,       &TfrmMain::ActionPrevFolderExecute,
    &TfrmMain::ActionNextFolderExecute, &TfrmMain::ActionAutoNextFolderExecute,
    &TfrmMain::ActionSelectPathExecute, &TfrmMain::ActionUseVideoGateExecute,
    &TfrmMain::ActionMinus15Execute,    &TfrmMain::ActionMinus15Execute,
    &TfrmMain::ActionMinus15Execute,    &TfrmMain::ActionMinus15Execute,
    &TfrmMain::ActionMinus15Execute,    &TfrmMain::ActionMinus15Execute,
    &TfrmMain::ActionMinus15Execute,    &TfrmMain::ActionMinus15Execute,
    &TfrmMain::ActionMinus15Execute,    &TfrmMain::ActionShowExecute,
    &TfrmMain::ActionHideExecute,       &TfrmMain::ActionFlipVisibleExecute,
    &TfrmMain::ActionExitExecute,       nullptr /* PlayPause: remote controls only */});
static_assert(kHandlers.size() == kCommands.size(), "one handler for each command");

// The form's field of each action, in the table's order.
constexpr auto kActionFields = std::to_array<QAction* TfrmMain::*>({
    &TfrmMain::ActionPlay,       &TfrmMain::ActionStop,           &TfrmMain::ActionPause,
    &TfrmMain::ActionPrev,       &TfrmMain::ActionNext,           &TfrmMain::ActionPrevFolder,
    &TfrmMain::ActionNextFolder, &TfrmMain::ActionAutoNextFolder, &TfrmMain::ActionSelectPath,
    &TfrmMain::ActionUseVideoGate, &TfrmMain::ActionMinus15,      &TfrmMain::ActionMinus5,
    &TfrmMain::ActionPlus5,      &TfrmMain::ActionPlus15,         &TfrmMain::ActionPlus30,
    &TfrmMain::ActionPlus45,     &TfrmMain::ActionPlus60,         &TfrmMain::ActionPlus75,
    &TfrmMain::ActionPlus90,     &TfrmMain::ActionShow,           &TfrmMain::ActionHide,
    &TfrmMain::ActionFlipVisible, &TfrmMain::ActionExit});
static_assert(kActionFields.size() + 1 == kCommands.size(), "a field for each action");

}  // namespace

QAction* TfrmMain::NewAction(const TCommandInfo& info) {
  auto* action = new QAction(QString::fromUtf8(info.Caption), ActionManager1);
  action->setObjectName(info.ActionName);
  action->setCheckable(info.Checkable);
  if (info.SeekSeconds != 0) action->setData(info.SeekSeconds);
  if (info.Hint != nullptr) action->setToolTip(QString::fromUtf8(info.Hint));
  if (info.ImageIndex >= 0) action->setIcon(ImageListAction.Icon(info.ImageIndex));
  // The buttons' captions carry their accelerators; menus keep the plain action captions.
  if (info.ButtonCaption != nullptr) action->setIconText(QString::fromUtf8(info.ButtonCaption));
  // Show has no handler on the action: its menu item runs ActionShowExecute (wired there).
  const THandler handler = kHandlers[static_cast<size_t>(info.Command)];
  if (info.Command != TCommand::Show) {
    connect(action, &QAction::triggered, this,
            [this, action, handler] { RunHandler([&] { (this->*handler)(action); }); });
  }
  return action;
}

void TfrmMain::CreateActions() {
  ActionManager1 = new QObject(this);
  ActionManager1->setObjectName("ActionManager1");
  const QStyle::StandardPixmap pictures[] = {QStyle::SP_MediaPlay, QStyle::SP_MediaStop,
                                             QStyle::SP_MediaSkipBackward,
                                             QStyle::SP_MediaSkipForward, QStyle::SP_MediaPause};
  for (QStyle::StandardPixmap picture : pictures) {
    ImageListAction.Add(style()->standardIcon(picture).pixmap(16, 16).toImage());
  }
  for (size_t i = 0; i < kActionFields.size(); ++i) {
    Actions_[i] = NewAction(kCommands[i]);
    this->*kActionFields[i] = Actions_[i];
  }
}

QAction* TfrmMain::Action(TCommand command) const { return Actions_[static_cast<size_t>(command)]; }

void TfrmMain::CreateToolBar() {
  // A panel of flat buttons rather than a QToolBar: it wraps to as many rows as the window's
  // width needs, where a tool bar would hide the last buttons behind an extension arrow. Its
  // height follows its width (the flow layout's height for width).
  ActionToolBar1 = new QWidget(this);
  ActionToolBar1->setObjectName("ActionToolBar1");
  auto* layout = new TFlowLayout(ActionToolBar1);
  layout->setContentsMargins(2, 2, 2, 2);
  layout->setSpacing(0);
  for (const TCommandLayout& entry : kToolBar) {
    if (!entry) {
      auto* separator = new QFrame(ActionToolBar1);
      separator->setFrameShape(QFrame::VLine);
      separator->setFrameShadow(QFrame::Sunken);
      separator->setFixedSize(8, 22);
      layout->addWidget(separator);
      continue;
    }
    auto* button = new QToolButton(ActionToolBar1);
    button->setDefaultAction(Action(*entry));
    button->setAutoRaise(true);
    button->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    button->setFixedHeight(24);
    layout->addWidget(button);
  }
}

void TfrmMain::CreatePanes() {
  auto* central = new QWidget(this);
  auto* centralLayout = new QVBoxLayout(central);
  centralLayout->setContentsMargins(0, 0, 0, 0);
  centralLayout->setSpacing(0);
  centralLayout->addWidget(ActionToolBar1);

  Splitter1 = new QSplitter(Qt::Horizontal, central);
  Splitter1->setObjectName("Splitter1");
  // However small the window: a whole tile in the folder pane (with the pane's border and the
  // list's frame), and so a few rows in the play list.
  Splitter1->setMinimumHeight(kTileSize + 2 * 8 + 8);
  PanelFolder = new QWidget(Splitter1);
  PanelFolder->setObjectName("PanelFolder");
  auto* folderLayout = new QVBoxLayout(PanelFolder);
  folderLayout->setContentsMargins(8, 8, 8, 8);
  ListViewFolder = new QListWidget(PanelFolder);
  ListViewFolder->setObjectName("ListViewFolder");
  ListViewFolder->setViewMode(QListView::IconMode);
  ListViewFolder->setMovement(QListView::Static);
  ListViewFolder->setResizeMode(QListView::Adjust);
  ListViewFolder->setSelectionMode(QAbstractItemView::SingleSelection);
  ListViewFolder->setIconSize(QSize(ImageListFolder.Width(), ImageListFolder.Height()));
  ListViewFolder->setContextMenuPolicy(Qt::CustomContextMenu);
  // The selection stays visible while another control has the focus.
  QPalette palette = ListViewFolder->palette();
  palette.setColor(QPalette::Inactive, QPalette::Highlight,
                   palette.color(QPalette::Active, QPalette::Highlight));
  palette.setColor(QPalette::Inactive, QPalette::HighlightedText,
                   palette.color(QPalette::Active, QPalette::HighlightedText));
  ListViewFolder->setPalette(palette);
  folderLayout->addWidget(ListViewFolder);

  PanelPlay = new QWidget(Splitter1);
  PanelPlay->setObjectName("PanelPlay");
  auto* playLayout = new QVBoxLayout(PanelPlay);
  playLayout->setContentsMargins(0, 0, 0, 0);
  playLayout->setSpacing(0);
  FilterComboBox1 = new TFilterComboBox(PanelPlay);
  FilterComboBox1->setObjectName("FilterComboBox1");
  playLayout->addWidget(FilterComboBox1);
  ListViewPlay = new QTableWidget(PanelPlay);
  ListViewPlay->setObjectName("ListViewPlay");
  ListViewPlay->setShowGrid(true);
  ListViewPlay->setSelectionBehavior(QAbstractItemView::SelectRows);
  ListViewPlay->setSelectionMode(QAbstractItemView::SingleSelection);
  ListViewPlay->setEditTriggers(QAbstractItemView::NoEditTriggers);
  ListViewPlay->verticalHeader()->hide();
  // Rows as tight as a report list's: one line of text and a little room (Qt's default is taller).
  ListViewPlay->verticalHeader()->setDefaultSectionSize(ListViewPlay->fontMetrics().height() + 4);
  ListViewPlay->setWordWrap(false);
  CreatePlayListColumns();
  playLayout->addWidget(ListViewPlay);
  Splitter1->setSizes({537, width() - 537});
  centralLayout->addWidget(Splitter1, 1);

  PanelBottom = new QWidget(central);
  PanelBottom->setObjectName("PanelBottom");
  PanelBottom->setFixedHeight(54);
  auto* bottomLayout = new QVBoxLayout(PanelBottom);
  bottomLayout->setContentsMargins(0, 0, 0, 0);
  ScrollBar1 = new QScrollBar(Qt::Horizontal, PanelBottom);
  ScrollBar1->setObjectName("ScrollBar1");
  bottomLayout->addWidget(ScrollBar1);
  StatusBar1 = new QStatusBar(PanelBottom);
  StatusBar1->setObjectName("StatusBar1");
  StatusBar1->setSizeGripEnabled(false);
  bottomLayout->addWidget(StatusBar1);
  centralLayout->addWidget(PanelBottom);
  setCentralWidget(central);
}

void TfrmMain::CreatePlayListColumns() {
  ListViewPlay->setColumnCount(3);
  ListViewPlay->setHorizontalHeaderLabels({"FileName", "Title", "Artist"});
  for (int column = 0; column < 3; ++column) ListViewPlay->setColumnWidth(column, 200);
}

void TfrmMain::CreatePopupMenu() {
  PopupMenu1 = new QMenu(this);
  PopupMenu1->setObjectName("PopupMenu1");
  for (const TCommandLayout& entry : kPopupMenu) {
    if (entry) PopupMenu1->addAction(Action(*entry));
    else PopupMenu1->addSeparator();
  }
  connect(ActionShow, &QAction::triggered, this,
          [this] { RunHandler([this] { ActionShowExecute(ActionShow); }); });
}

void TfrmMain::ConnectEvents() {
  // Any double-click in the play list plays, the empty area below the rows included, as a list
  // view's double-click event does; so it is taken from the list's surface, not its cells.
  ListViewPlay->viewport()->installEventFilter(this);
  connect(ListViewFolder, &QListWidget::itemDoubleClicked, this,
          [this] { RunHandler([this] { ListViewFolderDblClick(ListViewFolder); }); });
  connect(ListViewFolder, &QWidget::customContextMenuRequested, this, [this](const QPoint& at) {
    PopupMenu1->popup(ListViewFolder->viewport()->mapToGlobal(at));
  });
  ListViewFolder->installEventFilter(this);
  ListViewFolder->viewport()->installEventFilter(this);
  // Every change of an entry's selected state is reported, the lost selection first.
  connect(ListViewFolder->selectionModel(), &QItemSelectionModel::selectionChanged, this,
          [this](const QItemSelection& selected, const QItemSelection& deselected) {
            for (const QModelIndex& index : deselected.indexes()) {
              RunHandler([&] { ListViewFolderSelectItem(ListViewFolder->item(index.row()), false); });
            }
            for (const QModelIndex& index : selected.indexes()) {
              RunHandler([&] { ListViewFolderSelectItem(ListViewFolder->item(index.row()), true); });
            }
          });
  ListViewPlay->setItemDelegate(new TCustomDrawDelegate(
      ListViewPlay, [this](int row, QStyleOptionViewItem& option, bool& defaultDraw) {
        ListViewPlayCustomDrawItem(ListViewPlay, row, option, defaultDraw);
      }));
  connect(FilterComboBox1, &QComboBox::activated, this,
          [this] { RunHandler([this] { FilterComboBox1Click(FilterComboBox1); }); });
  connect(ScrollBar1, &QScrollBar::actionTriggered, this, [this](int action) {
    RunHandler([&] {
      int position = ScrollBar1->sliderPosition();
      ScrollBar1Scroll(ScrollBar1, action, position);
      ScrollBar1->setSliderPosition(position);
    });
  });
  connect(Timer1, &QTimer::timeout, this, [this] { RunHandler([this] { Timer1Timer(Timer1); }); });
  // The session follows the check mark, however it is set.
  connect(ActionAutoNextFolder, &QAction::toggled, this,
          [this](bool on) { Session_.SetAutoNextFolder(on); });
  ApplicationEvents1->SetOnMessage(
      [this](platform::TMsg& msg, bool& handled) { ApplicationEvents1Message(msg, handled); });
}

void TfrmMain::showEvent(QShowEvent* event) {
  QMainWindow::showEvent(event);
  // Spontaneous show events are the window system's (a restore from the task bar), not a showing.
  if (!event->spontaneous()) RunHandler([this] { FormShow(); });
}

void TfrmMain::closeEvent(QCloseEvent* event) {
  // Closing the main window ends the program; it does not hide it.
  event->accept();
  QCoreApplication::quit();
}

void TfrmMain::mouseDoubleClickEvent(QMouseEvent* event) {
  QMainWindow::mouseDoubleClickEvent(event);
  if (!IsOwnSurface(childAt(event->position().toPoint()))) return;
  RunHandler([this] { FormDblClick(this); });
}

// The window's own surface: the window itself and the bare panels that only hold the controls.
// A double-click that a control passed up unhandled (the status bar, a gap of the tool bar) is
// the control's, not the window's.
bool TfrmMain::IsOwnSurface(const QWidget* widget) const {
  return widget == nullptr || widget == centralWidget() || widget == PanelFolder ||
         widget == PanelPlay || widget == PanelBottom;
}

bool TfrmMain::eventFilter(QObject* watched, QEvent* event) {
  if (watched == ListViewPlay->viewport() && event->type() == QEvent::MouseButtonDblClick &&
      static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton) {
    RunHandler([this] { ActionPlayExecute(ListViewPlay); });
  }
  // A click on the pane's empty area removes the selection, as a large-icon list does; in single
  // selection the view would keep it. The entry that loses it is reported like any other change.
  if (watched == ListViewFolder->viewport() && event->type() == QEvent::MouseButtonPress) {
    const auto* mouse = static_cast<QMouseEvent*>(event);
    if (mouse->button() == Qt::LeftButton &&
        !ListViewFolder->indexAt(mouse->position().toPoint()).isValid()) {
      ListViewFolder->clearSelection();
    }
  }
  if (watched == ListViewFolder && event->type() == QEvent::KeyPress) {
    const auto* keyEvent = static_cast<QKeyEvent*>(event);
    char key = 0;
    if (keyEvent->key() == Qt::Key_Return || keyEvent->key() == Qt::Key_Enter) key = 13;
    else if (keyEvent->key() == Qt::Key_Backspace) key = 8;
    else if (keyEvent->text().size() == 1 && keyEvent->text()[0].unicode() < 0x80) {
      key = static_cast<char>(keyEvent->text()[0].unicode());
    }
    if (key != 0) RunHandler([&] { ListViewFolderKeyPress(ListViewFolder, key); });
  }
  return QMainWindow::eventFilter(watched, event);
}
