#include "image/fits_header_info.h"

namespace nvk::image {

int ProcessingHistory::usedCount() const {
  int used = 0;
  for (const auto& s : slots_) {
    if (!s.empty()) ++used;
  }
  return used;
}

bool ProcessingHistory::add(std::string_view entry) {
  for (auto& s : slots_) {
    if (s.empty()) {
      s.assign(entry.substr(0, kMaxEntryLength));
      return true;
    }
  }
  return false;
}

void ProcessingHistory::undoLast() {
  for (auto it = slots_.rbegin(); it != slots_.rend(); ++it) {
    if (!it->empty()) {
      it->clear();
      return;
    }
  }
}

void ProcessingHistory::setSlot(int index, std::string_view entry) {
  if (index < 0 || index >= kSlots) return;
  slots_[static_cast<std::size_t>(index)].assign(entry.substr(0, kMaxEntryLength));
}

void ProcessingHistory::clear() {
  for (auto& s : slots_)
    s.clear();
}

}  // namespace nvk::image
