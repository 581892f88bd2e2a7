// The real file dialogs, driven on the offscreen platform.
#include "formats/codecs.h"
#include "support/modal_user.h"
#include "support/picture_files.h"
#include "support/test_window.h"
#include "window/forms/qtdialogs.h"
#include "window/model/image_files.h"

#include <QAbstractProxyModel>
#include <QApplication>
#include <QDialogButtonBox>
#include <QDir>
#include <QFileDialog>
#include <QFileSystemModel>
#include <QItemSelectionModel>
#include <QLineEdit>
#include <QListView>
#include <QMessageBox>
#include <QPushButton>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace imagefilestest;
using namespace platform;
using testsupport::FirstDifference;

namespace {

using testsupport::ModalUser;
using testsupport::On;

// Types path into the dialog's name box and presses the accept button.
ModalUser::Action choose(const QString& path) {
  return On<QFileDialog>([path](QFileDialog& d) {
    testsupport::TypeInto(d.findChild<QLineEdit*>("fileNameEdit"), path);
    static_cast<QDialog&>(d).accept();
  });
}

ModalUser::Action answer(const QString& button, QString* text) {
  return On<QMessageBox>([button, text](QMessageBox& box) {
    *text = box.text();
    for (QAbstractButton* b : box.buttons())
      if (b->text() == button) return b->click();
    ADD_FAILURE() << "no button " << button.toStdString();
  });
}

// What the user sees of the open dialog: its title, its one filter, and the
// files of the folder listed under it, pictures or not.
TEST(QtFileDialogs, TheOpenDialogShowsItsTitleItsFilterAndTheFiles) {
  QTemporaryDir dir;
  for (const char* name : {"a.gif", "notas.txt", "escaneo"}) ASSERT_TRUE(WriteFile(dir.filePath(name), RedPixelGif()));
  QtDialogs dialogs;
  FileRequest request = imagefiles::OpenDialogRequest();
  request.initialFile = dir.filePath("a.gif");  // opens in that folder
  const auto rows = [](QFileDialog& d) {
    auto* view = d.findChild<QListView*>("listView");
    QStringList names;
    for (int r = 0; r < view->model()->rowCount(view->rootIndex()); ++r)
      names << view->model()->index(r, 0, view->rootIndex()).data().toString();
    return names;
  };
  ModalUser user({On<QFileDialog>(
      [&](QFileDialog& d) {
        EXPECT_EQ(d.windowTitle(), "Selecciona una imagen");
        EXPECT_EQ(d.nameFilters().join(" | ").toStdString(), "imágenes bmp-gif-jpg (*.*)");
        EXPECT_EQ(rows(d).join(" | ").toStdString(), "a.gif | escaneo | notas.txt") << "*.* is every file";
        EXPECT_EQ(d.fileMode(), QFileDialog::ExistingFile) << "a name that is not there is not taken";
      },
      [&](QFileDialog& d) { return rows(d).size() == 3; })});
  EXPECT_FALSE(dialogs.ChooseFileToOpen(request));
  EXPECT_EQ(user.acted, 1);
  EXPECT_EQ(request.chosenPath, "") << "a cancelled dialog fills in nothing";
}

// The file dialog reaches parts of Qt's dialog that have no public access:
// a Qt that renames or drops one fails here, naming the part, before the user
// meets a dialog that quietly does less.
TEST(QtFileDialogs, ThePartsOfQtsDialogReachedWithoutItsInterfaceAreFound) {
  for (bool save : {false, true}) {
    QtDialogs dialogs;
    FileRequest request = save ? imagefiles::SaveDialogRequest() : imagefiles::OpenDialogRequest();
    ModalUser user({On<QFileDialog>([&](QFileDialog& dialog) {
      const FileDialogParts parts = FindFileDialogParts(dialog);
      EXPECT_NE(parts.name, nullptr) << "Qt's file dialog has no QLineEdit named \"fileNameEdit\": the typed name "
                                        "can no longer win over a stale selection, nor be filled in for a name that "
                                        "is not UTF-8";
      EXPECT_FALSE(parts.views.isEmpty()) << "no view of Qt's file dialog shows its proxy model: the names that "
                                             "are not UTF-8 can no longer be picked, nor a stale selection dropped";
      EXPECT_FALSE(parts.selections.isEmpty()) << "the views of Qt's file dialog have no selection model";
      if (!save) {  // only the open dialog uses its button box
        EXPECT_NE(parts.buttons, nullptr) << "Qt's file dialog has no QDialogButtonBox named \"buttonBox\": the "
                                             "open button can no longer be enabled for a name that is not UTF-8";
        EXPECT_TRUE(parts.buttons && parts.buttons->button(QDialogButtonBox::Open))
            << "Qt's file dialog has no open button";
      }
    })});
    EXPECT_FALSE(save ? dialogs.ChooseFileToSave(request) : dialogs.ChooseFileToOpen(request));
    EXPECT_EQ(user.acted, 1) << "no file dialog was shown";
  }
}

TEST(QtFileDialogs, TheOpenDialogReturnsALongPathWhole) {
  QTemporaryDir dir;
  QString folder = dir.path();
  for (int i = 0; i < 3; ++i) {
    folder += "/" + QString(100, QChar(u'x' + i));
    ASSERT_TRUE(QDir().mkpath(folder));
  }
  const QString path = folder + "/gato.gif";
  ASSERT_TRUE(WriteFile(path, RedPixelGif()));
  QtDialogs dialogs;
  FileRequest request = imagefiles::OpenDialogRequest();
  ModalUser user({choose(path)});
  EXPECT_TRUE(dialogs.ChooseFileToOpen(request));
  EXPECT_EQ(user.unexpected, 0);
  EXPECT_EQ(request.chosenPath, path);
  EXPECT_EQ(request.chosenName, "gato.gif");
}

// The list's selection left behind while a name was typed (a folder, named on
// the way to a file, or the entry of an earlier round) never wins over the name
// in the box; an entry clicked in the list, which fills the box, still does.
TEST(QtFileDialogs, TheTypedNameWinsOverAStaleSelection) {
  QTemporaryDir dir;
  ASSERT_TRUE(QDir(dir.path()).mkdir("sub"));
  const QString other = dir.filePath("perro.gif");
  ASSERT_TRUE(WriteFile(other, RedPixelGif()));
  struct Case {
    bool save;
    QString selected, typed, chosen;
  } cases[] = {
      {true, dir.filePath("sub"), "nueva", dir.filePath("nueva.bmp")},
      {true, other, dir.filePath("nueva"), dir.filePath("nueva.bmp")},
      {false, other, "perro.gif", other},
  };
  for (const Case& c : cases) {
    QtDialogs dialogs;
    FileRequest request = c.save ? imagefiles::SaveDialogRequest() : imagefiles::OpenDialogRequest();
    request.initialFile = c.selected;  // the dialog opens in the folder
    ModalUser user({On<QFileDialog>([&](QFileDialog& d) {
      auto* name = d.findChild<QLineEdit*>("fileNameEdit");
      auto* list = d.findChild<QListView*>("listView");
      auto* model = d.findChild<QFileSystemModel*>();
      ASSERT_TRUE(name && list && model);
      QModelIndex entry = model->index(c.selected);
      if (auto* proxy = qobject_cast<QAbstractProxyModel*>(list->model())) entry = proxy->mapFromSource(entry);
      name->clearFocus();  // the keys reach the box while it has no focus
      list->selectionModel()->select(entry, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
      name->setText(c.typed);
      static_cast<QDialog&>(d).accept();
      EXPECT_FALSE(d.isVisible()) << "the dialog stayed open in " << d.directory().path().toStdString();
    })});
    EXPECT_TRUE(c.save ? dialogs.ChooseFileToSave(request) : dialogs.ChooseFileToOpen(request))
        << c.typed.toStdString();
    EXPECT_EQ(request.chosenPath.toStdString(), c.chosen.toStdString());
  }
}

TEST(QtFileDialogs, TheSaveDialogShowsItsTitleAndFilter) {
  QtDialogs dialogs;
  FileRequest request = imagefiles::SaveDialogRequest();
  ModalUser user({On<QFileDialog>([](QFileDialog& d) {
    EXPECT_EQ(d.windowTitle(), "Guardar como  ");
    EXPECT_EQ(d.nameFilters().join(" | ").toStdString(), "Archivo gráfico (*.bmp)");
  })});
  EXPECT_FALSE(dialogs.ChooseFileToSave(request));
  EXPECT_EQ(user.acted, 1);
}

class SaveThroughTheRealDialog : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(dir.isValid());
    ASSERT_TRUE(WriteFile(existing(), "antiguo"));
    t->pictureBox->setPicture(Gradient(20, 10));
  }
  QString existing() const { return dir.filePath("foto.bmp"); }

  QTemporaryDir dir;
  QtDialogs dialogs;
  testsupport::TestWindow t{true, &dialogs};
};

TEST_F(SaveThroughTheRealDialog, TypingANameWithoutBmpAsksAboutTheFileReallyWritten) {
  QString question;
  ModalUser user({choose(dir.filePath("foto")), answer("&Sí", &question)});
  t->saveImageAs();
  EXPECT_EQ(user.unexpected, 0);
  EXPECT_TRUE(question.contains(existing())) << question.toStdString();
  EXPECT_EQ(FirstDifference(LoadPicture(existing()), Gradient(20, 10)), "");
  EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files), QStringList{"foto.bmp"});
}

TEST_F(SaveThroughTheRealDialog, AnsweringNoGoesBackToTheDialog) {
  QString question;
  ModalUser user({choose(dir.filePath("foto.bmp")), answer("&No", &question), choose(dir.filePath("otra"))});
  t->saveImageAs();
  EXPECT_EQ(user.unexpected, 0);
  EXPECT_TRUE(question.contains(existing())) << question.toStdString();
  EXPECT_EQ(ReadFile(existing()), "antiguo");
  EXPECT_EQ(FirstDifference(LoadPicture(dir.filePath("otra.bmp")), Gradient(20, 10)), "");
  EXPECT_FALSE(QFile::exists(dir.filePath("foto.bmp.bmp")));
}

TEST_F(SaveThroughTheRealDialog, ANewNameIsWrittenWithoutAQuestion) {
  ModalUser user({choose(dir.filePath("nueva"))});
  t->saveImageAs();
  EXPECT_EQ(user.unexpected, 0) << "no question for a file that does not exist";
  EXPECT_EQ(FirstDifference(LoadPicture(dir.filePath("nueva.bmp")), Gradient(20, 10)), "");
  EXPECT_EQ(ReadFile(existing()), "antiguo");
}

}  // namespace
