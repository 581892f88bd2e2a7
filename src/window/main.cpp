#include "formats/codecs.h"
#include "window/command_line.h"
#include "window/forms/qtdialogs.h"
#include "window/main_window.h"

#include <QApplication>
#include <QScreen>

#include <cstdio>

int main(int argc, char* argv[]) {
  // --help, --version and mistakes of usage are answered without a display:
  // the command line is read before Qt connects to one.
  const app::CommandLine line = app::ReadCommandLine(argc, argv);
  switch (line.action) {
    case app::CommandLine::Action::Help:
      std::fputs(app::HelpText, stdout);
      return std::fflush(stdout) == 0 ? 0 : 1;
    case app::CommandLine::Action::Version:
      std::fputs("tintaborra " TINTABORRA_VERSION "\n", stdout);
      return std::fflush(stdout) == 0 ? 0 : 1;
    case app::CommandLine::Action::Usage:
      std::fprintf(stderr, "tintaborra: %s\n%s", line.problem.toLocal8Bit().constData(), app::UsageHint);
      return 2;
    case app::CommandLine::Action::OpenWindow:
      break;
  }
  QApplication::setAttribute(Qt::AA_DontUseNativeDialogs);
  QApplication app(argc, argv);
  QApplication::setApplicationName(QStringLiteral("Tintaborra"));
  QApplication::setApplicationVersion(QStringLiteral(TINTABORRA_VERSION));
  QApplication::setDesktopFileName(QStringLiteral("tintaborra"));
  platform::InitCodecs();

  // Everything the user reads is Spanish, the dialogs' own texts included.
  platform::InstallSpanishTexts();

  platform::QtDialogs dialogs;
  MainWindow window(dialogs);
  dialogs.setOwner(&window);
  window.start();
  // The client area covers the screen from its top-left corner, so the frame
  // and the exit button that the layout placed there are entirely visible.
  window.setGeometry(QApplication::primaryScreen()->geometry());
  window.showFullScreen();
  // A file named on the command line is opened once the window shows, so
  // that a message about it has the window behind it.
  if (!line.file.isEmpty())
    QMetaObject::invokeMethod(
        &window, [&window, &line] { window.openStartFile(line.file); }, Qt::QueuedConnection);
  return QApplication::exec();
}
