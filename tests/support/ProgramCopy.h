#pragma once
// The real program copied into a test's own folder, so that its settings file lands there, with
// the environment that gives it a runtime folder of its own, so that the single-instance lock of
// another run of the program on this machine is never seen.

#include <QProcessEnvironment>
#include <QString>

#include <filesystem>

namespace orvane_test {

inline QProcessEnvironment CopyProgramInto(const std::filesystem::path& dir) {
  namespace fs = std::filesystem;
  fs::copy_file(fs::path(ORVANE_BIN_DIR) / "orvane", dir / "orvane");
  fs::create_directory(dir / "run");
  fs::permissions(dir / "run", fs::perms::owner_all);
  QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
  environment.insert("XDG_RUNTIME_DIR", QString::fromStdString((dir / "run").string()));
  return environment;
}

}  // namespace orvane_test
