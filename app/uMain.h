#pragma once
// TfrmMain, the main window: the folder pane on the left, the play list on the right, the tool
// bar of playback actions above, the position bar and status bar below. It owns the one tag
// reader and the one playback engine of the program, reads the settings file when it is created,
// resumes the previous run when it is first shown and saves its state when it is destroyed.

#include <QMainWindow>

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "app/Commands.h"
#include "app/ImageList.h"
#include "app/PlaySession.h"
#include "app/PlayableExtensions.h"
#include "app/ShortCut.h"
#include "platform/Hotkeys.h"

class QAction;
class QListWidget;
class QListWidgetItem;
class QMenu;
class QScrollBar;
class QSplitter;
class QStatusBar;
class QStyleOptionViewItem;
class QTableWidget;
class QTimer;
class TABitmap;
class TApplicationEvents;
class TFilterComboBox;
class TScrollBarPositionBar;
class TTrayIcon;
class TVideoGate1000;
class TsMediaTagReader;
namespace platform {
class TIniFile;
}

// A rectangle of four 32-bit integers, right and bottom exclusive.
struct TRect {
  int32_t Left = 0;
  int32_t Top = 0;
  int32_t Right = 0;
  int32_t Bottom = 0;
};

class TfrmMain : public QMainWindow {
  Q_OBJECT

 public:
  // Makes the playback engine; tests give one with a fake media runtime.
  using TEngineFactory = std::function<std::unique_ptr<TVideoGate1000>()>;

  // Builds the components, then runs FormCreate. An empty factory gives the real engine.
  explicit TfrmMain(TEngineFactory engineFactory = {});
  // Runs FormDestroy.
  ~TfrmMain() override;

  // Components, with the names of the form (also their objectName).
  QWidget* ActionToolBar1 = nullptr;  // the buttons, wrapping into rows
  QWidget* PanelFolder = nullptr;
  QListWidget* ListViewFolder = nullptr;
  QSplitter* Splitter1 = nullptr;
  QWidget* PanelPlay = nullptr;
  TFilterComboBox* FilterComboBox1 = nullptr;
  QTableWidget* ListViewPlay = nullptr;
  QWidget* PanelBottom = nullptr;
  QScrollBar* ScrollBar1 = nullptr;
  QStatusBar* StatusBar1 = nullptr;
  TImageList ImageListFolder{80, 80};  // FormCreate makes it 96 x 96
  TImageList ImageListAction{16, 16};  // 0 Play, 1 Stop, 2 Prev, 3 Next, 4 Pause
  QMenu* PopupMenu1 = nullptr;
  TTrayIcon* TrayIcon1 = nullptr;      // owned by the window as its QObject child
  QTimer* Timer1 = nullptr;
  TApplicationEvents* ApplicationEvents1 = nullptr;
  QObject* ActionManager1 = nullptr;   // the parent of every action

  // Actions, made from the command table. The tag of a seek action is in data() (seconds). Qt
  // toggles a checkable action before its handler runs.
  QAction* ActionPlay = nullptr;
  QAction* ActionStop = nullptr;
  QAction* ActionPause = nullptr;
  QAction* ActionNext = nullptr;
  QAction* ActionPrev = nullptr;
  QAction* ActionSelectPath = nullptr;
  QAction* ActionShow = nullptr;
  QAction* ActionHide = nullptr;
  QAction* ActionFlipVisible = nullptr;
  QAction* ActionMinus15 = nullptr;
  QAction* ActionMinus5 = nullptr;
  QAction* ActionPlus5 = nullptr;
  QAction* ActionPlus15 = nullptr;
  QAction* ActionPlus30 = nullptr;
  QAction* ActionPlus45 = nullptr;
  QAction* ActionPlus60 = nullptr;
  QAction* ActionPlus75 = nullptr;
  QAction* ActionPlus90 = nullptr;
  QAction* ActionUseVideoGate = nullptr;
  QAction* ActionExit = nullptr;
  QAction* ActionNextFolder = nullptr;
  QAction* ActionPrevFolder = nullptr;
  QAction* ActionAutoNextFolder = nullptr;

  // The action of a command; nullptr for a command that has none (PlayPause).
  QAction* Action(TCommand command) const;
  // Runs the command as its action does (the hotkeys); Show runs ActionShowExecute.
  void RunCommand(TCommand command);
  // Runs a remote control's command: "play" starts the selected file or resumes a paused one,
  // "pause" pauses a playing file, "play-pause" toggles, "show" brings the window to the front
  // even when it is minimised; every other command as RunCommand.
  void RunRemoteCommand(TCommand command);

  // What plays and what comes next; the window shows it.
  TPlaySession& Session() { return Session_; }
  const TPlaySession& Session() const { return Session_; }
  TVideoGate1000* Engine() const { return Engine_.get(); }
  TsMediaTagReader* TagReader() const { return TagReader_.get(); }
  // The tile every folder entry starts from, and where a jacket is laid into it.
  const TABitmap& TileBackground() const { return *Background; }
  const TRect& JacketArea() const { return JacketRect; }
  // What the settings file said about the previous run's end.
  bool ResumePlaying() const { return ResumePlaying_; }
  int64_t ResumePosition() const { return ResumePosition_; }

  // Lifecycle events.
  void FormCreate();
  void FormShow();
  void FormDestroy();

  // Settings file.
  void LoadSettings();
  void SaveSettings();

  // Caption, status bar and tray tip name the file (the stopped text when name is "").
  void UpdateCaption(const std::string& name);
  std::string ReadTitle(const std::string& name);
  // The window caption as 8-bit text.
  const std::string& Caption() const { return Caption_; }

  // Folder pane.
  void BuildFolderList();
  void ListViewFolderSelectItem(QListWidgetItem* Item, bool Selected);
  void ListViewFolderDblClick(QObject* Sender);
  void ListViewFolderKeyPress(QObject* Sender, char& Key);
  void ActionNextFolderExecute(QObject* Sender);
  void ActionPrevFolderExecute(QObject* Sender);
  void ActionAutoNextFolderExecute(QObject* Sender);
  // Worker threads that decode jackets while the pane is rebuilt: -1 (the default) one per core,
  // 0 none (all on the GUI thread).
  void SetFolderTileThreads(int threads) { FolderTileThreads_ = threads; }

  // Play list.
  void BuildPlayList();
  void FilterComboBox1Click(QObject* Sender);
  // Gives the selected row its colours, whether or not the list has the focus.
  void ListViewPlayCustomDrawItem(QObject* Sender, int Row, QStyleOptionViewItem& Option,
                                  bool& DefaultDraw);

  // Playback control.
  void ActionPlayExecute(QObject* Sender);
  void ActionStopExecute(QObject* Sender);
  void ActionPauseExecute(QObject* Sender);
  void ActionNextExecute(QObject* Sender);
  void ActionPrevExecute(QObject* Sender);
  void ActionMinus15Execute(QObject* Sender);  // all nine seek actions; reads Sender's tag
  void ScrollBar1Scroll(QObject* Sender, int ScrollCode, int& ScrollPos);
  void Timer1Timer(QObject* Sender);
  void ActionUseVideoGateExecute(QObject* Sender);
  // An absolute seek of the playing file (the desktop's media controls).
  void SeekTo(int64_t position);

  // Hotkeys and window commands.
  void ApplicationEvents1Message(platform::TMsg& Msg, bool& Handled);
  void ActionShowExecute(QObject* Sender);
  void ActionHideExecute(QObject* Sender);
  void ActionFlipVisibleExecute(QObject* Sender);
  void TrayIcon1DblClick(QObject* Sender);
  void ActionExitExecute(QObject* Sender);
  void ActionSelectPathExecute(QObject* Sender);
  void FormDblClick(QObject* Sender);

 protected:
  void showEvent(QShowEvent* event) override;
  void closeEvent(QCloseEvent* event) override;
  void mouseDoubleClickEvent(QMouseEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void CreateActions();
  QAction* NewAction(const TCommandInfo& info);
  void CreateToolBar();
  void CreatePanes();
  void CreatePopupMenu();
  void ConnectEvents();
  void SetStatusText(const std::string& text);
  bool IsOwnSurface(const QWidget* widget) const;

  // Settings file (uMainSettings.cpp).
  void OpenIni();
  void CloseIni();
  TShortCut RegisterShortCut(int id, const char* keyName, const char* defaultText);
  void SaveShortCut(int id, TShortCut shortCut, const char* keyName);

  // Folder pane and play list.
  void AddFolderEntry(const std::string& name, const QImage& tile);
  void CreatePlayListColumns();
  // The filter's mask; with no entry selected the last one ("all" by default) is chosen first.
  std::string FilterMask();
  // Reads the file's tags and sets the row's Title and Artist cells, empty ones too.
  void FillTagColumns(int row, const std::string& path);

  // Playback: shows a step of the session, starts a row, passes a file that cannot be played,
  // goes on to a file that the engine joined to the one before it.
  void Go(const TPlayStep& step);
  void StartRow(int row);
  void GoPastUnplayableFile();
  void GoOnToJoinedFile();
  int SelectedRow() const;
  // The file that follows the playing one waits in the engine, to follow it without a gap: it
  // is given at the timer's next tick while playing; RenewQueued drops the one given before.
  void QueueFollowingFile();
  void RenewQueued();

  std::array<QAction*, kCommands.size()> Actions_{};  // in the table's order
  bool FirstShow = true;  // until the first showing has done its one-time work
  std::unique_ptr<TABitmap> Background;
  TRect JacketRect;
  std::unique_ptr<TsMediaTagReader> TagReader_;
  std::unique_ptr<TVideoGate1000> Engine_;
  TPlaySession Session_;
  bool ResumePlaying_ = false;
  int64_t ResumePosition_ = 0;  // 100 ns units
  bool HotKeysEnabled = true;
  std::array<TShortCut, kHotkeyCount> ShortCuts_{};  // by hotkey number
  TPlayableExtensions PlayableExtensions;  // the types the play list lists
  std::unique_ptr<platform::TIniFile> Ini;  // only between OpenIni and CloseIni

  TEngineFactory EngineFactory_;
  std::unique_ptr<TScrollBarPositionBar> PositionBar_;
  std::string Caption_;
  int FolderTileThreads_ = -1;
  // True while BuildFolderList empties the pane: the deselection that causes is not the user's.
  bool FolderPaneRebuilding_ = false;
  // True while the timer starts the next file: a message box shown meanwhile (the external
  // output's reports) runs the timer again, which must not start yet another file.
  bool Advancing_ = false;
  // The file that follows is to be given to the engine (see QueueFollowingFile).
  bool QueueWanted_ = false;
  // While the window goes on to a file the engine joined: that file, which plays already.
  std::string Joined_;
};
