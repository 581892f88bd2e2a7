#pragma once
// What opening, the file list and saving decide without the window: the
// dialog requests, which names are taken for pictures, where a chosen file's
// folder ends, how the list names a file and under which name a picture is saved.

#include "window/model/dialog_requests.h"

#include <QString>

namespace imagefiles {

// The open dialog: one filter listing every file, only an existing file taken.
platform::FileRequest OpenDialogRequest();
// The save dialog: BMP files, ".bmp" added to the name confirmed, and a
// question before an existing file is replaced.
platform::FileRequest SaveDialogRequest();

// A name is taken for a picture when its last three letters, in upper case,
// are JPG, GIF or BMP (the dot is not looked at), or when it ends in ".jpeg".
bool IsSupportedGraphic(const QString& path);

// The folder of a chosen file, from the lengths of its path and of its name:
// the first pathLength - titleLength characters, trailing "/" included.
QString FolderByLength(const QString& path, qsizetype pathLength, qsizetype titleLength);

// The file the list names: its folder and the selected name, one "/" between.
QString ListFilePath(const QString& folder, const QString& fileName);

// The file a save really writes: ".bmp" is added unless the name already ends
// in it, in any case.
QString SaveName(const QString& path);

// "Sin poder acceder  " or "Sin poder guardar  ", a line break, "ERROR: " and
// the failure's description.
QString FailureMessage(const QString& lead, const QString& description);

QString NotSupportedMessage();
QString CannotReadLead();
QString CannotSaveLead();

}  // namespace imagefiles
