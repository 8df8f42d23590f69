// The whole program's start on generated libraries: from the fork to its visible main window,
// with the CPU time and the peak memory of the process at that moment.
//
//   small:   4 album folders, each a 500 x 500 "a.jpg" and two files; the play list of one is
//            listed at start (the previous run's folder)
//   jackets: 2,000 album folders, each a 500 x 500 "a.jpg", with the jacket cache of the runs
//            before (every start after the first)
//   jackets-cold: the same with an empty jacket cache at every start (the first start)
//   jackets-none: the same with a jacket cache that cannot be made (every jacket decoded)
//   plain:   10,000 folders without any picture
//
// "Visible" is: the window manager lists the main window (the one of the process titled
// "... Orvane - ...") and it is mapped. The first showing builds the folder pane before the window
// is mapped, so the pane's rebuild is inside the figure; the view's deferred layout and the first
// paint come after it (polled every 2 ms). Each run starts a copy of the program in a folder of
// its own (its settings file beside it names the library, hotkeys off) with a private
// XDG_RUNTIME_DIR, so an instance that another user of the machine runs cannot take it over, and a
// private XDG_CACHE_HOME for its jacket cache. Then the window is closed
// (WM_DELETE_WINDOW) and the process reaped. One warm-up run per library, then RUNS runs; the
// medians of wall time, CPU time (user + system, all threads, up to the visible window) and
// VmHWM are printed, with the load average before and after.
//
// Usage (needs a window manager; run from the build tree):
//   tests/support/with-desktop build-release/bin/startup_bench build-release/bin/orvane [runs=7]

#include <QBuffer>
#include <QByteArray>
#include <QImage>
#include <QString>

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

using Clock = std::chrono::steady_clock;
constexpr double kGiveUpSeconds = 60;

struct TRun {
  double WallMs = 0;
  double CpuMs = 0;
  double PeakMb = 0;
};

std::string LoadAverage() {
  std::ifstream file("/proc/loadavg");
  std::string one, five, fifteen;
  file >> one >> five >> fifteen;
  return one + " " + five + " " + fifteen;
}

// User + system time of every thread of pid so far.
double CpuMsOf(pid_t pid) {
  std::ifstream file("/proc/" + std::to_string(pid) + "/stat");
  std::string text((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
  const size_t close = text.rfind(')');
  if (close == std::string::npos) return 0;
  std::istringstream fields(text.substr(close + 2));
  std::string field;
  long long utime = 0, stime = 0;
  for (int i = 3; fields >> field; ++i) {  // field 3 is the state
    if (i == 14) utime = std::stoll(field);
    if (i == 15) {
      stime = std::stoll(field);
      break;
    }
  }
  return (utime + stime) * 1000.0 / static_cast<double>(::sysconf(_SC_CLK_TCK));
}

double PeakMbOf(pid_t pid) {
  std::ifstream file("/proc/" + std::to_string(pid) + "/status");
  for (std::string line; std::getline(file, line);) {
    if (line.rfind("VmHWM:", 0) == 0) return std::atof(line.c_str() + 6) / 1024.0;
  }
  return 0;
}

QImage Cover(int seed) {
  QImage image(500, 500, QImage::Format_RGB32);
  for (int y = 0; y < 500; ++y)
    for (int x = 0; x < 500; ++x)
      image.setPixel(x, y, qRgb((x * 7 + seed * 31) & 255, (y * 3 + x / 5) & 255,
                                ((x ^ y) + seed * 17) & 255));
  return image;
}

void WriteText(const fs::path& path, const std::string& text) {
  std::ofstream(path, std::ios::binary) << text;
}

// count folders "album0000"...; with a jacket each when jackets, and files two small files each.
void MakeLibrary(const fs::path& root, int count, bool jackets, bool files) {
  fs::create_directories(root);
  std::vector<QByteArray> covers;
  if (jackets) {
    for (int seed = 0; seed < 16; ++seed) {
      QByteArray bytes;
      QBuffer buffer(&bytes);
      buffer.open(QIODevice::WriteOnly);
      Cover(seed).save(&buffer, "JPG", 90);
      covers.push_back(bytes);
    }
  }
  for (int i = 0; i < count; ++i) {
    char name[32];
    std::snprintf(name, sizeof name, "album%04d", i);
    const fs::path folder = root / name;
    fs::create_directory(folder);
    if (jackets) WriteText(folder / "a.jpg", covers[i % covers.size()].toStdString());
    if (files) {
      WriteText(folder / "01 first.mp3", std::string(4096, '\0'));
      WriteText(folder / "02 second.mp3", std::string(4096, '\0'));
    }
  }
}

class TWatcher {
 public:
  TWatcher() : FDisplay(XOpenDisplay(nullptr)) {
    if (FDisplay == nullptr) {
      std::fprintf(stderr, "startup_bench: no X display (run it under tests/support/with-desktop)\n");
      std::exit(2);
    }
    FRoot = DefaultRootWindow(FDisplay);
    FProtocols = XInternAtom(FDisplay, "WM_PROTOCOLS", False);
    FDelete = XInternAtom(FDisplay, "WM_DELETE_WINDOW", False);
    FPid = XInternAtom(FDisplay, "_NET_WM_PID", False);
    FName = XInternAtom(FDisplay, "_NET_WM_NAME", False);
    FClientList = XInternAtom(FDisplay, "_NET_CLIENT_LIST", False);
    FUtf8 = XInternAtom(FDisplay, "UTF8_STRING", False);
    XSelectInput(FDisplay, FRoot, SubstructureNotifyMask);
    XSync(FDisplay, False);
    // A window that goes away between the listing and the look at it is no error here.
    XSetErrorHandler([](Display*, XErrorEvent*) { return 0; });
  }
  ~TWatcher() { XCloseDisplay(FDisplay); }

  // Runs the program once; false when it did not show its window in time.
  bool Run(const fs::path& program, const fs::path& runtimeDir, const fs::path& cacheDir,
           TRun& run) {
    Drain();
    const auto start = Clock::now();
    const pid_t pid = ::fork();
    if (pid == 0) {
      ::setenv("XDG_RUNTIME_DIR", runtimeDir.c_str(), 1);
      ::setenv("XDG_CACHE_HOME", cacheDir.c_str(), 1);
      ::execl(program.c_str(), program.c_str(), static_cast<char*>(nullptr));
      ::_exit(127);
    }
    const Window window = WaitForMainWindow(pid, start);
    const bool shown = window != 0;
    if (shown) {
      run.WallMs = std::chrono::duration<double, std::milli>(Clock::now() - start).count();
      run.CpuMs = CpuMsOf(pid);
      run.PeakMb = PeakMbOf(pid);
      Close(window);
    } else {
      ::kill(pid, SIGKILL);
    }
    Reap(pid);
    return shown;
  }

 private:
  double Elapsed(Clock::time_point start) const {
    return std::chrono::duration<double>(Clock::now() - start).count();
  }

  void Drain() {
    XSync(FDisplay, False);
    while (XPending(FDisplay) > 0) {
      XEvent event;
      XNextEvent(FDisplay, &event);
    }
  }

  // The bytes of a property of window, "" when it has none.
  std::string Property(Window window, Atom name, Atom type) {
    Atom actual = None;
    int format = 0;
    unsigned long items = 0, after = 0;
    unsigned char* data = nullptr;
    std::string bytes;
    if (XGetWindowProperty(FDisplay, window, name, 0, 1024, False, type, &actual, &format, &items,
                           &after, &data) == Success &&
        data != nullptr) {
      bytes.assign(reinterpret_cast<char*>(data), items * (format == 32 ? sizeof(long) : format / 8));
      XFree(data);
    }
    return bytes;
  }

  bool IsMainWindowOf(Window window, pid_t pid) {
    if (Property(window, FName, FUtf8).find("Orvane - ") == std::string::npos) return false;
    const std::string owner = Property(window, FPid, XA_CARDINAL);
    return owner.size() == sizeof(long) &&
           static_cast<pid_t>(*reinterpret_cast<const long*>(owner.data())) == pid;
  }

  // Mapped by the window manager: the client is mapped inside its frame just before the frame
  // itself, so at the client's MapNotify it may still read IsUnviewable.
  bool Mapped(Window window) {
    XWindowAttributes attributes{};
    return XGetWindowAttributes(FDisplay, window, &attributes) &&
           attributes.map_state != IsUnmapped;
  }

  // The window manager lists the windows it manages on the root window; the main window is the
  // one of ours with the title, mapped. Polled every 2 ms.
  Window WaitForMainWindow(pid_t pid, Clock::time_point start) {
    while (Elapsed(start) < kGiveUpSeconds) {
      const std::string list = Property(FRoot, FClientList, XA_WINDOW);
      for (size_t at = 0; at + sizeof(long) <= list.size(); at += sizeof(long)) {
        const Window window = static_cast<Window>(*reinterpret_cast<const long*>(&list[at]));
        if (Mapped(window) && IsMainWindowOf(window, pid)) return window;
      }
      ::usleep(2000);
    }
    return 0;
  }

  void Close(Window window) {
    XEvent message{};
    message.xclient.type = ClientMessage;
    message.xclient.window = window;
    message.xclient.message_type = FProtocols;
    message.xclient.format = 32;
    message.xclient.data.l[0] = static_cast<long>(FDelete);
    message.xclient.data.l[1] = CurrentTime;
    XSendEvent(FDisplay, window, False, NoEventMask, &message);
    XFlush(FDisplay);
  }

  static void Reap(pid_t pid) {
    const auto start = Clock::now();
    int status = 0;
    while (::waitpid(pid, &status, WNOHANG) == 0) {
      if (std::chrono::duration<double>(Clock::now() - start).count() > 20) {
        ::kill(pid, SIGKILL);
        ::waitpid(pid, &status, 0);
        return;
      }
      ::usleep(10000);
    }
  }

  Display* FDisplay;
  Window FRoot;
  Atom FProtocols, FDelete, FPid, FName, FUtf8, FClientList;
};

double Median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  return values[values.size() / 2];
}

struct TLibrary {
  const char* Name;
  int Folders;
  bool Jackets;
  bool Files;
  enum { Kept, Emptied, Unusable } Cache;  // the jacket cache's state before every start
};

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: startup_bench PROGRAM [runs=7] [library...]\n");
    return 2;
  }
  const fs::path program = fs::absolute(argv[1]);
  const int runs = argc > 2 ? std::max(1, std::atoi(argv[2])) : 7;
  std::vector<std::string> only(argv + std::min(argc, 3), argv + argc);
  const fs::path root = fs::temp_directory_path() / ("orvane-startbench-" + std::to_string(::getpid()));
  fs::create_directories(root / "runtime");
  fs::permissions(root / "runtime", fs::perms::owner_all);
  // The program and its tile background, copied: its settings file goes beside it.
  fs::create_directories(root / "bin");
  fs::copy_file(program, root / "bin" / "orvane");
  for (const fs::path& bg : {program.parent_path() / "bg.bmp",
                             program.parent_path() / "../share/orvane/bg.bmp"}) {
    if (fs::exists(bg)) {
      fs::copy_file(bg, root / "bin" / "bg.bmp");
      break;
    }
  }
  TWatcher watcher;
  const TLibrary libraries[] = {{"small", 4, true, true, TLibrary::Kept},
                                {"jackets-none", 2000, true, false, TLibrary::Unusable},
                                {"jackets-cold", 2000, true, false, TLibrary::Emptied},
                                {"jackets", 2000, true, false, TLibrary::Kept},
                                {"plain", 10000, false, false, TLibrary::Kept}};
  std::printf("%-12s %7s  %9s %9s %9s  %s\n", "library", "folders", "wall ms", "cpu ms",
              "peak MB", "load before -> after");
  for (const TLibrary& library : libraries) {
    if (!only.empty() && std::find(only.begin(), only.end(), library.Name) == only.end()) continue;
    const fs::path folder = root / library.Name;
    MakeLibrary(folder, library.Folders, library.Jackets, library.Files);
    const std::string playPath = library.Files ? (folder / "album0001/").string() : "";
    WriteText(root / "bin" / "orvane.ini",
              "[Main]\nPath=" + folder.string() + "/\nPlayPath=" + playPath +
                  "\nMask=8\n[ShortCut]\nEnable=0\n");
    std::vector<double> wall, cpu, peak;
    const std::string before = LoadAverage();
    for (int i = 0; i <= runs; ++i) {
      TRun run;
      // A fresh folder for an empty cache, not the old one removed: the file system's work on
      // thousands of files just deleted is no part of a first start.
      fs::path cache = root / "cache";
      if (library.Cache == TLibrary::Emptied) cache += std::to_string(i);
      if (library.Cache == TLibrary::Unusable) WriteText(cache, "not a folder");
      if (!watcher.Run(root / "bin" / "orvane", root / "runtime", cache, run)) {
        std::fprintf(stderr, "%s: no window within %.0f s\n", library.Name, kGiveUpSeconds);
        continue;
      }
      if (i == 0) continue;  // the warm-up: page cache, font cache
      wall.push_back(run.WallMs);
      cpu.push_back(run.CpuMs);
      peak.push_back(run.PeakMb);
    }
    if (wall.empty()) continue;
    std::printf("%-12s %7d  %9.0f %9.0f %9.1f  %s -> %s\n", library.Name, library.Folders,
                Median(wall), Median(cpu), Median(peak), before.c_str(), LoadAverage().c_str());
    std::fflush(stdout);
    fs::remove_all(folder);
    fs::remove_all(root / "cache");
    for (int i = 0; i <= runs; ++i) fs::remove_all(root / ("cache" + std::to_string(i)));
  }
  fs::remove_all(root);
  return 0;
}
