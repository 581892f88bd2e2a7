#pragma once
// Reading a document runs in libraries that may, on a hostile file, never
// return or never look at the flag that asks them to stop. Each opening and
// each page is read in a thread of its own, watched: a call past its budget,
// or still running a moment after the run is asked to stop, is given up, its
// document fails, and the thread is left to itself. A process that leaves
// one behind ends with _exit once its work is done and cleaned up, never
// running the destructors that thread could still be using.

#include "formats/documents/document.h"

#include <QImage>
#include <QString>

#include <atomic>
#include <chrono>
#include <memory>

namespace batch {

// Thrown by a call given up; the reason is the user's.
struct ReadingAbandoned {
  QString reason;
};

// The run's flag that asks every reader to stop, handed to each document
// opened, and the budget of each call: 60 s, or TINTABORRA_LOTE_PLAZO
// seconds when the environment sets it (for trying the watch on a small
// budget). Set once, before any document is read.
void WatchReading(const std::atomic<bool>* stop);
std::chrono::milliseconds ReadingBudget();

// Documents().openDocument and reader->page under the watch; they throw
// what those throw, or ReadingAbandoned.
std::shared_ptr<documents::DocumentReader> OpenWatched(const QString& path, int dpi);
QImage PageWatched(const std::shared_ptr<documents::DocumentReader>& reader, const QString& path, int page);

// Whether a call was given up while still running, in this process.
bool ReadingLeftRunning();

}  // namespace batch
