#include "window/forms/runtime.h"

#include "window/forms/control.h"

#include <QClipboard>
#include <QCoreApplication>
#include <QGuiApplication>
#include <QScreen>

#include <cstdio>
#include <cstdlib>

namespace platform {

namespace {
std::function<void()>& yieldHook() {
  static std::function<void()> hook;
  return hook;
}
std::function<void()>& endHook() {
  static std::function<void()> hook;
  return hook;
}
QSize& screenOverride() {
  static QSize size;
  return size;
}
QSize screenPixels() {
  if (screenOverride().isValid()) return screenOverride();
  const QScreen* screen = QGuiApplication::primaryScreen();
  return screen ? screen->geometry().size() : QSize(1024, 768);
}
QSize availablePixels() {
  if (screenOverride().isValid()) return screenOverride();
  const QScreen* screen = QGuiApplication::primaryScreen();
  return screen ? screen->availableGeometry().size() : QSize(1024, 768);
}
}  // namespace

void DoEvents() {
  if (yieldHook()) return yieldHook()();
  QCoreApplication::processEvents(QEventLoop::AllEvents);
}

void End() {
  if (endHook()) endHook()();
  std::fflush(nullptr);
  std::_Exit(0);
}

float Screen::Width() { return static_cast<float>(screenPixels().width()) * TwipsPerPixel; }
float Screen::Height() { return static_cast<float>(screenPixels().height()) * TwipsPerPixel; }

float Screen::AvailableWidth() { return static_cast<float>(availablePixels().width()) * TwipsPerPixel; }
float Screen::AvailableHeight() { return static_cast<float>(availablePixels().height()) * TwipsPerPixel; }

void Clipboard::Clear() {
  if (QClipboard* c = QGuiApplication::clipboard()) c->clear();
}

void Clipboard::SetData(const QImage& picture) {
  if (QClipboard* c = QGuiApplication::clipboard()) c->setImage(picture);
}

void Clipboard::SetText(const QString& text) {
  if (QClipboard* c = QGuiApplication::clipboard()) c->setText(text);
}

namespace testing {
void SetDoEvents(std::function<void()> yield) { yieldHook() = std::move(yield); }
void SetScreenPixels(int width, int height) { screenOverride() = QSize(width, height); }
void ClearScreenPixels() { screenOverride() = QSize(); }
void SetEnd(std::function<void()> end) { endHook() = std::move(end); }
}  // namespace testing

}  // namespace platform
