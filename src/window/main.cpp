#include "formats/codecs.h"
#include "window/form1.h"
#include "window/forms/qtdialogs.h"

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
  Form1 form(dialogs);
  dialogs.setOwner(&form);
  form.Form_Load();
  // The client area covers the screen from its top-left corner, so the frame
  // and the exit button that the layout placed there are entirely visible.
  form.setGeometry(QApplication::primaryScreen()->geometry());
  form.showFullScreen();
  return QApplication::exec();
}
