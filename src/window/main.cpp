#include "formats/codecs.h"
#include "window/forms/qtdialogs.h"
#include "window/main_window.h"

#include <QApplication>
#include <QScreen>

int main(int argc, char* argv[]) {
  QApplication::setAttribute(Qt::AA_DontUseNativeDialogs);
  QApplication app(argc, argv);
  QApplication::setApplicationName(QStringLiteral("Tintaborra"));
  QApplication::setApplicationVersion(QStringLiteral("1.00"));
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
  return QApplication::exec();
}
