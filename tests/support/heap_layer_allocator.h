// Layer bitmaps in plain 16-byte aligned heap memory, for tests and benchmarks:
// counts what it made and deleted, and can be told to fail the next creation.
#pragma once

#include <cstddef>
#include <cstdint>

#include "overlay/overlay_surface.h"

namespace qlv {

class HeapLayerAllocator : public LayerAllocator {
 public:
  void* CreateBitmap(const LayerBitmapInfo& info, uint8_t** pixels) override {
    *pixels = nullptr;
    if (failNext_) {
      failNext_ = false;
      return nullptr;
    }
    if (info.biWidth <= 0 || info.biHeight <= 0) return nullptr;
    auto* block = new AlignedBuffer();
    if (!block->Allocate(static_cast<size_t>(info.biWidth) * static_cast<size_t>(info.biHeight) * 4)) {
      delete block;
      return nullptr;
    }
    ++created_;
    *pixels = block->data();
    return block;
  }
  void DeleteBitmap(void* handle) override {
    if (!handle) return;
    delete static_cast<AlignedBuffer*>(handle);
    ++deleted_;
  }
  int32_t created() const { return created_; }
  int32_t deleted() const { return deleted_; }
  void FailNext(bool fail) { failNext_ = fail; }  // simulates a failed creation

 private:
  int32_t created_ = 0, deleted_ = 0;
  bool failNext_ = false;
};

}  // namespace qlv
