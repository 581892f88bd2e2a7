#pragma once
// Shift held shows what a filter would do before it runs, in the view only.
// Over the picture, the pixels that "Quitar este color" would change if the
// colour under the pointer were its target are tinted, following the
// pointer; over a filter's button, the view shows that filter's result with
// the colours and the settings a run would read now. Releasing Shift, or
// leaving, shows the picture as it is. Nothing else changes: the picture, the
// undo history, the clipboard and the readouts are never touched, and a click
// does what it does without it. The filter buttons' tooltips tell of it.
// Over an item of the picture's menu of filters, the view shows that
// filter's result: a button's filter as over its button, a page step's
// result computed off the window's thread once for the picture as it is.

#include "window/model/preview.h"

#include <optional>

class MainWindow;
class QMenu;
class QWidget;

namespace app {

void InstallShiftPreview(MainWindow& window, QMenu* filterMenu = nullptr);

// What the view shows with Shift held over the widget under: nothing unless
// it is the picture or a filter's button.
std::optional<filters::Preview> PreviewOver(const MainWindow& window, const QWidget* under);

// What the view shows with Shift held over the menu's item for filter (its
// place in filters::StepNames); a page step's result is asked for, and
// nothing shows until it has come in.
std::optional<filters::Preview> PreviewOfFilter(MainWindow& window, int filter);

}  // namespace app
