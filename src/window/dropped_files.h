#pragma once
// Files dropped on the window.

#include "window/shortcuts.h"

#include <QMimeData>
#include <QString>

class MainWindow;

namespace imagefiles {

// The first local file among dropped data, or empty when none is there
// (text, a web address).
QString FirstLocalFile(const QMimeData& data);

// The window takes dropped files, a text box too: the first local file is
// opened as if chosen in the open dialog, once the drop is over. Anything
// else dropped is left to the text boxes and ignored elsewhere.
void AcceptDroppedFiles(MainWindow& window, const app::Dispatch& dispatch);

}  // namespace imagefiles
