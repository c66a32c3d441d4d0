#include "gfx/image_store.h"

#include "platform/platform.h"

ImageStore gImageStore;

bool ImageStore::Create(const char* programDir, platform::Window* window, int clientWidth,
                        int clientHeight) {
  programDir_ = programDir ? programDir : "";
  window_ = window;
  clientRight_ = clientWidth;
  clientBottom_ = clientHeight;
  back_.Create(clientRight_, clientBottom_);
  for (int i = 0; i < SHEET_SLOTS; ++i) {
    sheet_[i].Release();
    mask_[i].Release();
    keyed_[i].Release();
  }
  return true;
}

bool ImageStore::Destroy() {
  for (int i = 0; i < SHEET_SLOTS; ++i) {
    if (!sheet_[i].Valid()) continue;
    sheet_[i].Release();
    if (mask_[i].Valid()) {
      mask_[i].Release();
      keyed_[i].Release();
    }
  }
  back_.Release();
  window_ = nullptr;
  return true;
}

bool ImageStore::Clear() {
  if (!back_.Valid()) return false;
  back_.FillBlack();
  return true;
}

bool ImageStore::Present() {
  if (!window_ || !back_.Valid()) return false;
  window_->Present(back_.Pixels(), back_.Width(), back_.Height());
  return true;
}

namespace {
bool InSlots(int slot) { return slot >= 0 && slot < SHEET_SLOTS; }
}  // namespace

bool ImageStore::SlotLoaded(int slot) const { return InSlots(slot) && sheet_[slot].Valid(); }
bool ImageStore::SlotHasMask(int slot) const { return SlotLoaded(slot) && mask_[slot].Valid(); }
bool ImageStore::SlotTransparent(int slot) const {
  return SlotLoaded(slot) && keyed_[slot].Valid();
}
const Surface* ImageStore::Sheet(int slot) const {
  return SlotLoaded(slot) ? &sheet_[slot] : nullptr;
}
const Surface* ImageStore::Mask(int slot) const {
  return SlotHasMask(slot) ? &mask_[slot] : nullptr;
}
const Surface* ImageStore::Keyed(int slot) const {
  return SlotTransparent(slot) ? &keyed_[slot] : nullptr;
}
