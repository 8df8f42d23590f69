#include "app/uMain.h"

#include "tags/sMediaTagReader.h"

#include "app/uMainShared.h"

using namespace umain;

// Play list.

void TfrmMain::BuildPlayList() {
  if (!TagReader) return;
  ListViewPlay->setRowCount(0);
  // The rows of the folder's playable files come with the play list's own work.
}

void TfrmMain::FilterComboBox1Click(QObject* /*Sender*/) { BuildPlayList(); }
