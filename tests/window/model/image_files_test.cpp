// The rules of opening, the file list and saving, without the window.
#include "window/model/image_files.h"

#include <gtest/gtest.h>

using namespace imagefiles;
using namespace platform;

TEST(TypeCheck, TakesTheLastThreeLettersInAnyCaseAndJpegNames) {
  const struct {
    const char* path;
    bool accepted;
  } cases[] = {
      {"/fotos/FOTO.Jpg", true},
      {"/fotos/a.gif", true},
      {"/fotos/B.BMP", true},
      {"/fotos/foto.jpeg", true},
      {"/fotos/FOTO.JPEG", true},
      {"/fotos/copiabmp", true},
      {"/fotos/foto.png", false},
      {"/fotos/foto.tif", false},
      {"/fotos/foto.jpe", false},
      {"/fotos/jpeg", false},
      {"gif", true},
      {"if", false},
      {"", false},
      {"/fotos/foto.bmp ", false},
  };
  for (const auto& c : cases) EXPECT_EQ(IsSupportedGraphic(QString::fromUtf8(c.path)), c.accepted) << c.path;
}

TEST(FolderByLength, KeepsTheTrailingSeparator) {
  const struct {
    const char* path;
    const char* title;
    const char* folder;
  } cases[] = {
      {"/home/ana/fotos/gato.jpg", "gato.jpg", "/home/ana/fotos/"},
      {"/gato.jpg", "gato.jpg", "/"},
      {"/tmp/año 2024/niño.gif", "niño.gif", "/tmp/año 2024/"},
      {"/tmp/gato.jpg", "", "/tmp/gato.jpg"},
  };
  for (const auto& c : cases) {
    const QString path = QString::fromUtf8(c.path), title = QString::fromUtf8(c.title);
    EXPECT_EQ(FolderByLength(path, path.size(), title.size()), QString::fromUtf8(c.folder)) << c.path;
  }
  EXPECT_EQ(FolderByLength("/gato.jpg", 0, 8), "") << "a length that went missing names no folder";
}

TEST(ListFilePath, NamesTheFileInEveryFolderIncludingTheRoot) {
  EXPECT_EQ(ListFilePath("/home/ana/fotos", "gato.jpg"), "/home/ana/fotos/gato.jpg");
  EXPECT_EQ(ListFilePath("/", "gato.jpg"), "/gato.jpg");
  EXPECT_EQ(ListFilePath("/tmp/", "b c.bmp"), "/tmp/b c.bmp");
}

TEST(SaveName, AddsBmpOnlyWhenTheNameDoesNotEndInIt) {
  const struct {
    const char* typed;
    const char* written;
  } cases[] = {
      {"/img/foto", "/img/foto.bmp"},     {"/img/foto.bmp", "/img/foto.bmp"},     {"/img/FOTO.BMP", "/img/FOTO.BMP"},
      {"/img/foto.Bmp", "/img/foto.Bmp"}, {"/img/foto.jpg", "/img/foto.jpg.bmp"}, {"/img/fotobmp", "/img/fotobmp.bmp"},
      {"/img/foto.", "/img/foto..bmp"},
  };
  for (const auto& c : cases) EXPECT_EQ(SaveName(c.typed), c.written) << c.typed;
}

TEST(FailureMessage, LeadLineBreakAndDescription) {
  EXPECT_EQ(FailureMessage(CannotReadLead(), "Imagen no válida"),
            QStringLiteral("Sin poder acceder  \r\nERROR: Imagen no válida"));
  EXPECT_EQ(FailureMessage(CannotSaveLead(), "x"), "Sin poder guardar  \r\nERROR: x");
}
