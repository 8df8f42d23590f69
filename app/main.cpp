// The program entry: one instance at a time, the main window and the folder dialog, the message
// loop. Its only arguments are the remote's options: Qt is not given the command line.

#include <QIcon>
#include <QSessionManager>

#include "app/Application.h"
#include "app/CommandLine.h"
#include "app/DisplayPlatform.h"
#include "app/uMain.h"
#include "app/uMainMpris.h"
#include "app/uMainRemote.h"
#include "desktop/uDlgFolderSelect.h"
#include "platform/MprisService.h"
#include "platform/NamedMutex.h"
#include "platform/TerminationSignals.h"
#include "platform/X11Threads.h"

namespace {

constexpr const char* kMutexName = "Quillfen_orvane";
// How long a second start waits for the running instance to show its window.
constexpr int kRaiseTimeoutMs = 5000;

}  // namespace

int main(int argc, char** argv) {
  using namespace platform;
  if (const auto status = RunCommandLine(argc, argv)) return *status;
  if (!ChooseDisplayPlatform()) return 1;
  // Another instance runs: ask it to show its window (a user whose window is hidden gets it
  // back by starting the program again), then leave silently, before any window exists.
  if (const HANDLE running = OpenMutexA(MUTEX_ALL_ACCESS, false, kMutexName)) {
    CloseHandle(running);
    RaiseRunningInstance(kRaiseTimeoutMs);
    return 0;
  }
  const HANDLE mutex = CreateMutexA(nullptr, false, kMutexName);
  // Two starts at the same moment can both pass the check above; the later one learns it here.
  if (mutex != 0 && GetLastError() == ERROR_ALREADY_EXISTS) {
    RaiseRunningInstance(kRaiseTimeoutMs);
    return 0;
  }

  InitX11Threads();
  int qtArgc = 1;
  char* qtArgv[] = {argv[0], nullptr};
  TApplication application(qtArgc, qtArgv);
  // Message boxes must not end the program when the main window is hidden.
  application.setQuitOnLastWindowClosed(false);
  // Every window and the tray icon take it (the tray scales it to the size it asks for).
  application.setWindowIcon(QIcon(":/orvane.png"));
  QFont font("IPAPGothic");
  font.setPixelSize(12);
  application.setFont(font);
  // A logout, `kill`, Ctrl+C or a closed terminal ends the program as "Exit" does: the loop ends
  // and the main window's destruction saves the place. A signal that comes during the start
  // waits in the pipe until the loop runs.
  TTerminationSignals endRequests([](int) { QCoreApplication::quit(); });
  // The session manager's end of the session likewise (it may end the process soon after).
  QObject::connect(&application, &QGuiApplication::commitDataRequest,
                   [](QSessionManager&) { QCoreApplication::quit(); });
  int exitCode = 0;
  {
    TfrmMain mainWindow;
    TdlgFolderSelect folderDialog(&mainWindow);
    dlgFolderSelect = &folderDialog;
    // The remote's object is there before the bus name that leads callers to it.
    TMainRemote remote(mainWindow);
    TMainMpris mediaControls(mainWindow);
    mainWindow.show();
    exitCode = application.exec();
    dlgFolderSelect = nullptr;
  }
  // The handle itself stays open until the process ends.
  ReleaseMutex(mutex);
  return exitCode;
}
