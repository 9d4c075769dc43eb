// The program entry: the main window (whose creation connects both databases), the
// server-name dialog, then the message loop until the window closes.
#include <QApplication>
#include <QSettings>
#include <cstdio>
#include <cstdlib>

#include "app/DarkPalette.h"
#include "app/Dialogs.h"
#include "app/Registry.h"
#include "app/uFrmMain.h"
#include "app/uFrmServer.h"
#include "platform/FileVersion.h"
#include "platform/UncPath.h"

namespace {

bool HaveDisplay() {
  auto set = [](const char* name) {
    const char* v = std::getenv(name);
    return v && *v;
  };
  return set("QT_QPA_PLATFORM") || set("DISPLAY") || set("WAYLAND_DISPLAY");
}

// Where "\\SERVER\SHARE" paths are looked for when the desktop has no mount of its own:
// [Shares] MountRoot in the settings file (default /mnt).
void LoadShareSettings() {
  QSettings settings(TRegistry::SettingsFileName(), QSettings::IniFormat);
  SetUncMountRoot(settings.value("Shares/MountRoot", "/mnt").toString().toStdString());
}

}  // namespace

int main(int argc, char** argv) {
  if (!HaveDisplay()) {
    std::fprintf(stderr,
                 "No display found: this is a desktop program and needs an X or Wayland display.\n"
                 "To run it without one, start it under a virtual X server:\n"
                 "  xvfb-run -a %s\n",
                 argv[0]);
    return 1;
  }
  const std::string programFile = ResolveProgramPath(argv[0]);
  QApplication app(argc, argv);
  ApplyDarkLook(app);
  LoadShareSettings();

  TQtDialogs dialogs(nullptr);
  TfrmMain frmMain(dialogs, programFile);
  try {
    frmMain.FormCreate();
  } catch (const Exception& e) {
    dialogs.MessageDlg(QString::fromStdString(e.Message()), TMsgDlgType::mtError);
  }
  TfrmServerDlg frmServerDlg(&frmMain);
  dialogs.SetServerDialog(&frmServerDlg);
  frmMain.show();
  return app.exec();
}
