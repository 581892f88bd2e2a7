#pragma once
// A qpdf pipeline that collects what a stream gives up to a limit: a stream
// that inflates to more than is wanted never fills memory, and is stopped
// there. Its stop is an exception that qpdf passes over silently when told
// to suppress warnings (pipeStreamData), and that reaches the caller when the
// stream's data is in memory.

#include <QByteArray>

#include <qpdf/Pipeline.hh>

#include <algorithm>
#include <exception>

namespace documents {

class BoundedBuffer : public Pipeline {
 public:
  struct Full : std::exception {};
  explicit BoundedBuffer(qsizetype limit) : Pipeline("bounded", nullptr), limit_(limit) {}
  void write(unsigned char const* data, size_t len) override {
    const auto room = std::size_t(limit_ - bytes_.size());
    bytes_.append(reinterpret_cast<const char*>(data), qsizetype(std::min(len, room)));
    if (len > room) {
      full_ = true;
      throw Full();
    }
  }
  void finish() override {}
  QByteArray& bytes() { return bytes_; }
  bool full() const { return full_; }

 private:
  qsizetype limit_;
  QByteArray bytes_;
  bool full_ = false;
};

}  // namespace documents
