#pragma once
// The records the file and colour dialogs are called with, and what is read
// out of them: plain data, so that what fills them in is testable without a
// window. The dialogs themselves are window/forms/dialogs.h.

#include "core/numbers.h"

#include <QList>
#include <QString>
#include <QStringList>

#include <array>
#include <cstdint>

namespace platform {

constexpr std::uint32_t OFN_OVERWRITEPROMPT = 0x2;
constexpr std::uint32_t OFN_HIDEREADONLY = 0x4;
constexpr std::uint32_t OFN_PATHMUSTEXIST = 0x800;
constexpr std::uint32_t OFN_FILEMUSTEXIST = 0x1000;

constexpr std::uint32_t CC_RGBINIT = 0x1;
constexpr std::uint32_t CC_FULLOPEN = 0x2;
constexpr std::uint32_t CC_PREVENTFULLOPEN = 0x4;
constexpr std::uint32_t CC_ANYCOLOR = 0x100;

// A string field left unset is a null QString.
struct OPENFILENAME {
  std::uint32_t lStructSize = 0;
  std::uintptr_t hwndOwner = 0;
  std::uintptr_t hInstance = 0;
  QString lpstrFilter;  // description NUL pattern NUL ... NUL
  QString lpstrCustomFilter;
  std::uint32_t nMaxCustFilter = 0;
  std::uint32_t nFilterIndex = 0;
  QString lpstrFile;  // in: initial name; out: the chosen path, ended by a NUL
  std::uint32_t nMaxFile = 0;
  QString lpstrFileTitle;  // out: the chosen name without folder, ended by a NUL
  std::uint32_t nMaxFileTitle = 0;
  QString lpstrInitialDir;
  QString lpstrTitle;
  std::uint32_t Flags = 0;
  std::uint16_t nFileOffset = 0;
  std::uint16_t nFileExtension = 0;
  QString lpstrDefExt;
  std::intptr_t lCustData = 0;
  std::uintptr_t lpfnHook = 0;
  QString lpTemplateName;
};

using CustomColorTable = std::array<ColorValue, 16>;

struct CHOOSECOLOR {
  std::uint32_t lStructSize = 0;
  std::uintptr_t hwndOwner = 0;
  std::uintptr_t hInstance = 0;
  ColorValue rgbResult = 0;
  CustomColorTable* lpCustColors = nullptr;
  std::uint32_t Flags = 0;
  std::intptr_t lCustData = 0;
  std::uintptr_t lpfnHook = 0;
  QString lpTemplateName;
};

// The filter list of a file dialog split into (description, pattern) pairs.
struct FileFilter {
  QString description;
  QString pattern;
};
QList<FileFilter> SplitFilterList(const QString& filter);

// The text of a NUL-ended buffer, cut at its first NUL.
QString BeforeNul(const QString& buffer);

// A confirmed name with the record's default extension: "." + extension is
// added unless the name already ends in it, in any case.
QString WithDefaultExtension(const QString& path, const QString& extension);

}  // namespace platform
