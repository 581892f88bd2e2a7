// The texts of the real dialogs are Spanish whatever the system's locale (the
// tests run under LANG=C and LC_ALL=C).
#include "formats/codecs.h"
#include "formats/filenames.h"
#include "support/modal_user.h"
#include "support/picture_files.h"
#include "window/forms/qtdialogs.h"
#include "window/model/image_files.h"

#include <QAbstractButton>
#include <QApplication>
#include <QColorDialog>
#include <QDialogButtonBox>
#include <QDir>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QMap>
#include <QMessageBox>
#include <QMouseEvent>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTranslator>
#include <QTreeView>
#include <gtest/gtest.h>

#include <set>

#include <fcntl.h>
#include <unistd.h>
#include <utime.h>

using namespace imagefilestest;
using namespace platform;
using testsupport::ModalUser;
using testsupport::On;

namespace {

// Asked before every other translator, notes each text that none of them
// translates, then lets them answer.
class UntranslatedTexts : public QTranslator {
 public:
  // Texts that Spanish writes as English does.
  static const QStringList& sameInSpanish() {
    static const QStringList keys{"QShortcut/Alt", "QShortcut/Meta", "QShortcut/Ctrl", "QShortcut/Shift",
                                  "QColorDialog/&HTML:"};
    return keys;
  }
  QString translate(const char* context, const char* source, const char* disambiguation, int n) const override {
    if (busy_) return {};
    busy_ = true;
    const QString text = QCoreApplication::translate(context, source, disambiguation, n);
    busy_ = false;
    const QString key = QStringLiteral("%1/%2").arg(context, source);
    if (text == QLatin1String(source) && !sameInSpanish().contains(key)) seen.insert(key.toStdString());
    return {};
  }
  bool isEmpty() const override { return false; }
  mutable std::set<std::string> seen;

 private:
  mutable bool busy_ = false;
};

QStringList widgetTexts(QWidget* dialog) {
  QStringList texts;
  for (auto* label : dialog->findChildren<QLabel*>()) texts << label->text();
  for (auto* button : dialog->findChildren<QAbstractButton*>()) texts << button->text() << button->toolTip();
  texts.removeAll(QString());
  return texts;
}

class DialogTexts : public ::testing::Test {
 protected:
  void SetUp() override {
    InstallSpanishTexts();
    QCoreApplication::installTranslator(&untranslated);
  }
  void TearDown() override { QCoreApplication::removeTranslator(&untranslated); }
  UntranslatedTexts untranslated;
};

TEST_F(DialogTexts, TheOpenDialogNamesTypesSizesAndDatesInSpanish) {
  ASSERT_NE(QLocale::system().language(), QLocale::Spanish) << "run under a system locale other than Spanish";
  QTemporaryDir dir;
  ASSERT_TRUE(QDir(dir.path()).mkdir("carpeta"));
  ASSERT_TRUE(WriteFile(dir.filePath("foto.bmp"), QByteArray(1536, 'x')));
  QFile photo(dir.filePath("foto.bmp"));
  ASSERT_TRUE(photo.open(QIODevice::ReadWrite));
  ASSERT_TRUE(photo.setFileTime(QDateTime(QDate(2024, 3, 5), QTime(14, 7)), QFileDevice::FileModificationTime));
  photo.close();

  QStringList headers, texts;
  QMap<QString, QStringList> rows;
  ModalUser user({On<QFileDialog>(
      [&](QFileDialog& d) {
        auto* view = d.findChild<QTreeView*>();
        const QAbstractItemModel* model = view->model();
        for (int c = 0; c < 4; ++c) headers << model->headerData(c, Qt::Horizontal).toString();
        for (int r = 0; r < 2; ++r) {
          QStringList row;
          for (int c = 0; c < 4; ++c) row << model->index(r, c, view->rootIndex()).data().toString();
          rows.insert(row.first(), row);
        }
        texts = widgetTexts(&d);
      },
      [](QFileDialog& d) {
        auto* view = d.findChild<QTreeView*>();
        return view && view->model()->rowCount(view->rootIndex()) == 2 &&
               !view->model()->index(1, 3, view->rootIndex()).data().toString().isEmpty();
      })});
  QtDialogs dialogs;
  FileRequest request = imagefiles::OpenDialogRequest();
  request.initialFile = dir.filePath("foto.bmp");
  EXPECT_FALSE(dialogs.ChooseFileToOpen(request));
  auto joined = [](const QStringList& l) { return l.join(" | ").toStdString(); };
  EXPECT_EQ(joined(headers), "Nombre | Tamaño | Tipo | Última modificación");
  EXPECT_EQ(joined(rows.value("carpeta").mid(0, 3)), "carpeta |  | Carpeta");
  EXPECT_EQ(joined(rows.value("foto.bmp")), "foto.bmp | 1,50 KiB | imagen BMP de Windows | 5/3/24 14:07");
  EXPECT_TRUE(texts.contains("Cancelar")) << joined(texts);
  EXPECT_EQ(untranslated.seen, std::set<std::string>{}) << "texts Qt left in English";
}

TEST_F(DialogTexts, TheColourDialogAndTheMessageBoxSpeakSpanish) {
  QStringList colourTexts, messageTexts;
  int messageWidth = 0, titleNeeds = 0;
  ModalUser user(
      {On<QColorDialog>([&](QColorDialog& d) { colourTexts = widgetTexts(&d); }), On<QMessageBox>([&](QMessageBox& d) {
         messageTexts = widgetTexts(&d);
         messageWidth = d.width();
         titleNeeds = TitleBarWidth(d.windowTitle(), d);
       })});
  QtDialogs dialogs;
  ColourRequest colour;
  EXPECT_FALSE(dialogs.ChooseColour(colour));
  EXPECT_TRUE(colourTexts.contains("Colores &básicos")) << colourTexts.join(" | ").toStdString();
  EXPECT_TRUE(colourTexts.contains("Cancelar"));
  dialogs.ShowMessage("Dibujo terminado");
  EXPECT_TRUE(messageTexts.contains("Aceptar")) << messageTexts.join(" | ").toStdString();
  EXPECT_GE(messageWidth, titleNeeds) << "the title bar would cut the title short";
  EXPECT_EQ(untranslated.seen, std::set<std::string>{}) << "texts Qt left in English";
}

// The texts Qt's Spanish translations lack are answered from the program's
// own, asked as Qt asks for them.
TEST(SpanishTexts, TheTextsQtsTranslationsLackAreSupplied) {
  InstallSpanishTexts();
  const struct {
    const char *source, *disambiguation, *spanish;
  } texts[] = {
      {"Drive", nullptr, "Unidad"},
      {"File", nullptr, "Archivo"},
      {"File Folder", "Match Windows Explorer", "Carpeta"},
      {"Folder", "All other platforms", "Carpeta"},
      {"Shortcut", "All other platforms", "Acceso directo"},
      {"Alias", "OS X Finder", "Alias"},
      {"Unknown", nullptr, "Desconocido"},
  };
  for (const auto& t : texts)
    EXPECT_EQ(QCoreApplication::translate("QAbstractFileIconProvider", t.source, t.disambiguation).toStdString(),
              t.spanish)
        << t.source;
}

TEST(OpenDialogNames, ANameThatIsNotUtf8IsListedAndOpens) {
  InstallSpanishTexts();
  QTemporaryDir dir;
  const QByteArray latin1Name("a\xF1o.bmp");
  const QByteArray bytes = Encode(Gradient(6, 4), "bmp");
  const int fd = ::open((QFile::encodeName(dir.path()) + '/' + latin1Name).constData(), O_WRONLY | O_CREAT, 0644);
  ASSERT_GE(fd, 0);
  ASSERT_EQ(::write(fd, bytes.constData(), bytes.size()), bytes.size());
  ::close(fd);
  const struct utimbuf march5 {
    QDateTime(QDate(2024, 3, 5), QTime(14, 7)).toSecsSinceEpoch(),
        QDateTime(QDate(2024, 3, 5), QTime(14, 7)).toSecsSinceEpoch()
  };
  ASSERT_EQ(::utime((QFile::encodeName(dir.path()) + '/' + latin1Name).constData(), &march5), 0);
  ASSERT_TRUE(WriteFile(dir.filePath("b.bmp"), bytes));
  const QString expected = dir.path() + "/" + DecodeFileName(latin1Name);

  // Picked in the list or typed as shown, then the open button; or a double click.
  enum Way { Picked, Typed, DoubleClicked };
  for (Way way : {Picked, Typed, DoubleClicked}) {
    QStringList listed, columns;
    bool openEnabled = false;
    ModalUser user({On<QFileDialog>(
        [&](QFileDialog& d) {
          auto* view = d.findChild<QListView*>("listView");
          for (int r = 0; r < 2; ++r) listed << view->model()->index(r, 0, view->rootIndex()).data().toString();
          const QModelIndex entry = view->model()->index(int(listed.indexOf("año.bmp")), 0, view->rootIndex());
          for (int c = 0; c < 4; ++c) columns << entry.siblingAtColumn(c).data().toString();
          QPushButton* open = d.findChild<QDialogButtonBox*>("buttonBox")->button(QDialogButtonBox::Open);
          if (way == DoubleClicked) {
            const QPoint at = view->visualRect(entry).center();
            QMouseEvent click(QEvent::MouseButtonDblClick, at, view->viewport()->mapToGlobal(at), Qt::LeftButton,
                              Qt::LeftButton, Qt::NoModifier);
            QApplication::sendEvent(view->viewport(), &click);
            openEnabled = true;
            return;
          }
          if (way == Typed) {  // what the user types replaces the selection
            view->clearSelection();
            d.findChild<QLineEdit*>("fileNameEdit")->setText("año.bmp");
          } else {
            view->setCurrentIndex(entry);
          }
          openEnabled = open->isEnabled();
          open->click();
        },
        [](QFileDialog& d) {
          auto* view = d.findChild<QListView*>("listView");
          return view && view->model()->rowCount(view->rootIndex()) == 2 &&
                 view->selectionModel()->selectedRows().size() == 1;  // b.bmp, as the dialog was given
        })});
    QtDialogs dialogs;
    FileRequest request = imagefiles::OpenDialogRequest();
    request.initialFile = dir.filePath("b.bmp");
    EXPECT_TRUE(dialogs.ChooseFileToOpen(request)) << "way " << way;
    EXPECT_EQ(listed.join(" | ").toStdString(), "b.bmp | año.bmp");
    EXPECT_EQ(columns.join(" | ").toStdString(),
              ("año.bmp | " + QLocale().formattedDataSize(bytes.size()) + " | imagen BMP de Windows | 5/3/24 14:07")
                  .toStdString());
    EXPECT_TRUE(openEnabled);
    EXPECT_EQ(request.chosenPath, expected);
    EXPECT_EQ(testsupport::FirstDifference(LoadPicture(request.chosenPath), Gradient(6, 4)), "");
  }
}

}  // namespace
