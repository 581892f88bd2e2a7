#include "formats/mapped_file.h"

#include <cerrno>
#include <csignal>
#include <cstdint>
#include <mutex>

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

namespace platform {

namespace {

// The mappings being read, for the SIGBUS handler; a slot is free (0), being
// filled (1) or in use (2). More mappings than guarded at once are read into
// memory instead.
struct Slot {
  std::atomic<int> state{0};
  std::atomic<std::uintptr_t> start{0};
  std::atomic<std::size_t> length{0};
  std::atomic<bool> cut{false};
};
constexpr int SlotCount = 64;
Slot guarded[SlotCount];
struct sigaction previous {};
std::uintptr_t pageSize = 4096;

// A page of a mapping past its file's new end: from that page on, the
// mapping is replaced by zeros, and the read that faulted runs again. Any
// other SIGBUS goes where it went before.
void onBusError(int signal, siginfo_t* info, void* context) {
  const auto at = reinterpret_cast<std::uintptr_t>(info->si_addr);
  for (Slot& slot : guarded) {
    if (slot.state.load(std::memory_order_acquire) != 2) continue;
    const std::uintptr_t start = slot.start.load(std::memory_order_relaxed);
    const std::size_t length = slot.length.load(std::memory_order_relaxed);
    if (at < start || at >= start + length) continue;
    const std::uintptr_t page = at & ~(pageSize - 1);
    if (::mmap(reinterpret_cast<void*>(page), start + length - page, PROT_READ, MAP_PRIVATE | MAP_ANONYMOUS | MAP_FIXED,
               -1, 0) != MAP_FAILED) {
      slot.cut.store(true, std::memory_order_relaxed);
      return;
    }
  }
  if ((previous.sa_flags & SA_SIGINFO) && previous.sa_sigaction) {
    previous.sa_sigaction(signal, info, context);
  } else if (previous.sa_handler != SIG_DFL && previous.sa_handler != SIG_IGN) {
    previous.sa_handler(signal);
  } else {
    ::signal(SIGBUS, SIG_DFL);  // the fault comes again, and ends the process as it would have
  }
}

void guardOnce() {
  static std::once_flag once;
  std::call_once(once, [] {
    pageSize = std::uintptr_t(::sysconf(_SC_PAGESIZE));
    struct sigaction action {};
    action.sa_sigaction = onBusError;
    action.sa_flags = SA_SIGINFO;
    sigemptyset(&action.sa_mask);
    ::sigaction(SIGBUS, &action, &previous);
  });
}

int claimSlot(void* start, std::size_t length) {
  for (int i = 0; i < SlotCount; ++i) {
    int expected = 0;
    if (!guarded[i].state.compare_exchange_strong(expected, 1, std::memory_order_acquire)) continue;
    guarded[i].start.store(reinterpret_cast<std::uintptr_t>(start), std::memory_order_relaxed);
    guarded[i].length.store(length, std::memory_order_relaxed);
    guarded[i].cut.store(false, std::memory_order_relaxed);
    guarded[i].state.store(2, std::memory_order_release);
    return i;
  }
  return -1;
}

}  // namespace

MappedFile::~MappedFile() { close(); }

void MappedFile::close() {
  bytes_.clear();
  // The slot is given up before the pages are: a new mapping at the same
  // place is never taken for this one.
  if (slot_ >= 0) guarded[slot_].state.store(0, std::memory_order_release);
  slot_ = -1;
  if (map_) ::munmap(map_, mapped_);
  map_ = nullptr;
  mapped_ = 0;
}

bool MappedFile::cut() const { return slot_ >= 0 && guarded[slot_].cut.load(std::memory_order_relaxed); }

ReadResult MappedFile::open(const QString& path, qint64 maxBytes) {
  close();
  if (path.startsWith(u':')) return ReadWholeFile(path, bytes_, maxBytes);
  int fd = -1;
  qint64 size = 0;
  const ReadResult result = OpenForReading(path, maxBytes, fd, size);
  if (result != ReadResult::Read) return result;
  if (size > 0) {
    guardOnce();
    const std::size_t length = std::size_t(size);
    void* map = ::mmap(nullptr, length, PROT_READ, MAP_PRIVATE | MAP_POPULATE, fd, 0);
    if (map != MAP_FAILED) {
      map_ = map;
      mapped_ = (length + pageSize - 1) & ~(pageSize - 1);
      slot_ = claimSlot(map_, mapped_);
      if (slot_ >= 0) {
        bytes_ = QByteArray::fromRawData(static_cast<const char*>(map_), qsizetype(length));
        ::close(fd);
        return result;
      }
      close();  // no slot to guard it: read instead
    }
  }
  ::close(fd);
  return ReadWholeFile(path, bytes_, maxBytes);
}

}  // namespace platform
