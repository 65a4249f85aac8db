#include "render/FontData.h"

#include <sys/mman.h>

#include <algorithm>
#include <condition_variable>
#include <exception>
#include <mutex>
#include <new>
#include <thread>
#include <vector>

#include "platform/Files.h"

namespace {

constexpr int kBlock = kFontDataCell / 24;  // 4 x 4 pixels per weight

// Hands rows rendered by worker threads to the writing thread in order,
// letting the workers run at most a few rows ahead of the file.
class RowPipeline {
 public:
  RowPipeline(std::vector<FontRasterFn> rasterisers)
      : rows_(kAtlasRows), lookahead_(static_cast<int>(rasterisers.size()) + 1) {
    for (auto& fn : rasterisers) workers_.emplace_back([this, fn = std::move(fn)] { Work(fn); });
  }
  ~RowPipeline() {
    {
      std::lock_guard<std::mutex> lock(m_);
      stop_ = true;
    }
    cv_.notify_all();
    for (auto& t : workers_) t.join();
  }

  // Waits for row and takes its bytes; rethrows a rasteriser's exception.
  std::vector<std::uint8_t> Take(int row) {
    std::unique_lock<std::mutex> lock(m_);
    cv_.wait(lock, [&] { return !rows_[row].empty() || error_; });
    if (error_) std::rethrow_exception(error_);
    return std::move(rows_[row]);
  }
  // The row has been written: workers may move on.
  void Written(int rowsWritten) {
    {
      std::lock_guard<std::mutex> lock(m_);
      written_ = rowsWritten;
    }
    cv_.notify_all();
  }

 private:
  void Work(const FontRasterFn& rasterise) {
    for (;;) {
      int row;
      {
        std::unique_lock<std::mutex> lock(m_);
        cv_.wait(lock,
                 [&] { return stop_ || next_ >= kAtlasRows || next_ < written_ + lookahead_; });
        if (stop_ || next_ >= kAtlasRows) return;
        row = next_++;
      }
      std::vector<std::uint8_t> bytes(kAtlasRowBytes);
      try {
        EncodeFontDataRow(row, rasterise, bytes.data());
      } catch (...) {
        std::lock_guard<std::mutex> lock(m_);
        if (!error_) error_ = std::current_exception();
        stop_ = true;
        cv_.notify_all();
        return;
      }
      {
        std::lock_guard<std::mutex> lock(m_);
        rows_[row] = std::move(bytes);
      }
      cv_.notify_all();
    }
  }

  std::mutex m_;
  std::condition_variable cv_;
  std::vector<std::vector<std::uint8_t>> rows_;
  const int lookahead_;
  int next_ = 0;
  int written_ = 0;
  bool stop_ = false;
  std::exception_ptr error_;
  std::vector<std::thread> workers_;
};

}  // namespace

AtlasMemory::AtlasMemory() {
  void* p = mmap(nullptr, kAtlasBytes, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
  if (p == MAP_FAILED) throw std::bad_alloc();
  bytes_ = static_cast<std::uint8_t*>(p);
}

AtlasMemory::~AtlasMemory() { munmap(bytes_, kAtlasBytes); }

std::uint8_t AtlasRowLead(int row) {
  return static_cast<std::uint8_t>(row < 31 ? 0x81 + row : 0xE0 + (row - 31));
}

void EncodeGlyphSlot(const GlyphMask& mask, std::uint8_t* slot) {
  const bool whole = mask.Width == kFontDataCell && mask.Height == kFontDataCell &&
                     mask.Left == 0 && mask.Top == 0 &&
                     mask.Alpha.size() >= std::size_t(kFontDataCell) * kFontDataCell;
  if (!whole) {
    const bool valid = mask.Width > 0 && mask.Height > 0 &&
                       mask.Alpha.size() >= static_cast<std::size_t>(mask.Width) * mask.Height;
    for (int b = 0; b < 24; ++b)
      for (int a = 0; a < 24; ++a) {
        int background = 0;
        for (int dy = 0; dy < kBlock; ++dy)
          for (int dx = 0; dx < kBlock; ++dx)
            background += !valid || mask.At(kBlock * a + dx, kBlock * b + dy) == 0;
        slot[24 * b + a] = static_cast<std::uint8_t>(background);
      }
    return;
  }
  // Only an exact zero is background: a smoothed edge counts as ink.
  for (int b = 0; b < 24; ++b) {
    std::uint8_t* out = slot + 24 * b;
    std::fill(out, out + 24, 0);
    for (int dy = 0; dy < kBlock; ++dy) {
      const std::uint8_t* p = mask.Alpha.data() + std::size_t(kBlock * b + dy) * kFontDataCell;
      for (int a = 0; a < 24; ++a, p += kBlock)
        out[a] = static_cast<std::uint8_t>(out[a] + (p[0] == 0) + (p[1] == 0) + (p[2] == 0) +
                                           (p[3] == 0));
    }
  }
}

void EncodeFontDataRow(int row, const FontRasterFn& rasterise, std::uint8_t* out) {
  const std::uint8_t lead = AtlasRowLead(row);
  GlyphMask mask;
  for (int t = 0; t < kAtlasRowSlots; ++t) {
    mask.Width = mask.Height = 0;  // keep the buffer, forget the last glyph
    const bool drawn = rasterise(lead, static_cast<std::uint8_t>(0x40 + t), mask);
    std::uint8_t* slot = out + std::size_t(t) * kAtlasSlotBytes;
    if (drawn)
      EncodeGlyphSlot(mask, slot);
    else
      std::fill(slot, slot + kAtlasSlotBytes, 16);
  }
}

FontDataResult CreateFontData(const std::string& outPath, const FontRasterFactory& makeRasteriser,
                              const FontRowFn& onRow, const FontAbortFn& aborted, int threads) {
  RemoveStaleTemporariesNative(outPath);  // left by runs that were killed
  // Written as the settings file is, through a link; a folder, a FIFO or a
  // device of that name, or a loop of links, is refused before any row.
  ReplacingFile file(outPath);
  if (!file.Opened()) return FontDataResult::WriteFailed;

  threads = std::clamp(threads, 1, kAtlasRows);
  std::vector<std::uint8_t> trailer(kFontDataTrailerBytes);
  bool stopped = false;
  auto finishRow = [&](int row, const std::vector<std::uint8_t>& bytes) {
    if (!file.Write(bytes.data(), bytes.size())) return false;
    std::copy_n(bytes.begin(), kFontDataTrailerBytes, trailer.begin());
    if (onRow) onRow(row + 1);
    stopped = aborted && aborted();
    return true;
  };

  if (threads == 1) {
    const FontRasterFn rasterise = makeRasteriser();
    std::vector<std::uint8_t> bytes(kAtlasRowBytes);
    for (int row = 0; row < kAtlasRows && !stopped; ++row) {
      EncodeFontDataRow(row, rasterise, bytes.data());
      if (!finishRow(row, bytes)) return FontDataResult::WriteFailed;
    }
  } else {
    std::vector<FontRasterFn> rasterisers;
    for (int i = 0; i < threads; ++i) rasterisers.push_back(makeRasteriser());
    RowPipeline pipeline(std::move(rasterisers));
    for (int row = 0; row < kAtlasRows && !stopped; ++row) {
      const std::vector<std::uint8_t> bytes = pipeline.Take(row);
      if (!finishRow(row, bytes)) return FontDataResult::WriteFailed;
      pipeline.Written(row + 1);
    }
  }

  // Stopped, the rows made so far are no font data to draw from: the file
  // under the name stays as it was, and the temporary one goes.
  if (stopped) return FontDataResult::Aborted;
  if (!file.Write(trailer.data(), trailer.size()) || !file.Commit())
    return FontDataResult::WriteFailed;
  return FontDataResult::Done;
}
