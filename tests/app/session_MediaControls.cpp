// The desktop media controls on a private session bus (the binary runs under dbus-run-session):
// playerctl, a real client process, drives a main window whose engine plays generated files on
// fake sinks in real time. The window's event loop runs while playerctl waits for its answer.

#include <gtest/gtest.h>

#include <QAction>
#include <QTableWidget>

#include "app/FilterComboBox.h"

#include "AppTestSupport.h"
#include "SessionSupport.h"
#include "app/uMain.h"
#include "app/uMainMpris.h"
#include "desktop/Winplace.h"
#include "platform/mediagraph/MediaRuntime.h"
#include "platform/MprisService.h"

using namespace orvane_test;
using namespace session_test;

namespace {

std::unique_ptr<TVideoGate1000> MakeEngineOnFakeSinks() {
  using platform::TSinkOptions;
  return std::make_unique<TVideoGate1000>(std::make_shared<platform::TMediaRuntime>(
      TSinkOptions{TSinkOptions::TKind::Fake, true, nullptr, nullptr}));
}

}  // namespace

TEST(MediaControlsTest, PlayerctlDrivesTheWindowsHandlersAndReadsWhatPlays) {
  EnsureApplication();
  TTempDir dir;
  const std::string album = dir.Path() + "/A";
  ASSERT_TRUE(MakeAlbum(album));
  SetApplicationIniFileName(dir.File("orvane.ini"));
  TMessageRecorder messages;
  THotKeyRecorder hotKeys;
  {
    TfrmMain form(MakeEngineOnFakeSinks);
    form.show();
    // The album's files in the play list, through the "all" filter entry.
    form.Session().SetPlayPath(album + "/");
    form.FilterComboBox1->setCurrentIndex(form.FilterComboBox1->count() - 1);
    form.BuildPlayList();
    ASSERT_EQ(form.ListViewPlay->rowCount(), 3);
    TMainMpris mpris(form);
    ASSERT_TRUE(mpris.Active());
    // Another instance does not get the name while this one holds it.
    platform::TMprisService second(mpris);
    EXPECT_FALSE(second.Start());

    // Metadata changes as PropertiesChanged announces them, one line per title.
    QProcess follower;
    follower.start("playerctl", {"-p", "orvane", "--follow", "metadata", "title"});
    ASSERT_TRUE(follower.waitForStarted(10000));
    QProcess seeks;
    seeks.start("dbus-monitor", {"--session", "type='signal',member='Seeked'"});
    ASSERT_TRUE(seeks.waitForStarted(10000));

    const std::string url = "file://" + album;
    ASSERT_NO_FATAL_FAILURE(RunSteps({
        {{}, {"status"}, Is("Stopped")},
        {{"play"}, {"status"}, Is("Playing")},
        {{}, {"metadata", "title"}, Is("Title 1")},
        {{}, {"metadata", "artist"}, Is("Artist X")},
        {{}, {"metadata", "album"}, Is("Album Y")},
        {{}, {"metadata", "mpris:artUrl"}, Is(url + "/a.jpg")},
        {{}, {"metadata", "xesam:url"}, Is(url + "/01.mp3")},
        {{}, {"metadata", "mpris:length"}, Between(19.9e6, 20.1e6)},
        {{"pause"}, {"status"}, Is("Paused")},
        {{"pause"}, {"status"}, Is("Paused")},
        // Seeks while paused, where the position stays where the seek put it.
        {{"position", "1"}, {"position"}, Between(0.95, 1.05)},
        {{"position", "2+"}, {"position"}, Between(2.95, 3.05)},
        {{"position", "1-"}, {"position"}, Between(1.95, 2.05)},
        // An absolute position past the end is dropped.
        {{"position", "100"}, {"position"}, Between(1.95, 2.05)},
        {{"play"}, {"status"}, Is("Playing")},
        {{"play-pause"}, {"status"}, Is("Paused")},
        {{"play-pause"}, {"status"}, Is("Playing")},
        {{"next"}, {"metadata", "title"}, Is("Title 2")},
        {{"previous"}, {"metadata", "title"}, Is("Title 1")},
        {{"previous"}, {"metadata", "title"}, Is("Title 3")},
        // A relative seek past the end goes on to the next file.
        {{"position", "100+"}, {"metadata", "title"}, Is("Title 1")},
        // Near the end: the end of the file starts the next one.
        {{"position", "19.5"}, {"metadata", "title"}, Is("Title 2")},
        {{}, {"status"}, Is("Playing")},
        {{"stop"}, {"status"}, Is("Stopped")},
    }));

    // A seek of the tool bar is announced too.
    form.ActionPlus5->trigger();
    // One Seeked for each seek that went through: 1, 2+, 1-, 19.5 and the tool bar's. The monitor
    // is read until all have come (or the time is up), then stopped.
    QString seen;
    QDeadlineTimer settle(20000);
    while (seen.count("member=Seeked") < 5 && !settle.hasExpired()) {
      QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
      seen += QString::fromUtf8(seeks.readAllStandardOutput());
    }
    follower.terminate();
    seeks.terminate();
    seen += QString::fromStdString(RunClient(seeks));
    EXPECT_EQ(seen.count("member=Seeked"), 5);
    // A change of the length alone announces the same title again.
    std::string titles;
    for (const QString& line : QString::fromStdString(RunClient(follower)).split('\n')) {
      if (!titles.ends_with(line.toStdString() + "\n")) titles += line.toStdString() + "\n";
    }
    EXPECT_NE(titles.find("Title 1\nTitle 2\nTitle 1\nTitle 3\nTitle 1\nTitle 2\n"),
              std::string::npos)
        << titles;
  }
  SetApplicationIniFileName("");
}
