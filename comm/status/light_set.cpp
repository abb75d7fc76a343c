// The lamp slots of a status-light controller.
#include "comm/status/light_set.h"

namespace telvane {

TLightSet::TLightSet(ChangedEvent changed) : changed_(std::move(changed)) {}

TLightSet::~TLightSet() {
  for (std::size_t i = 0; i < kSlotCount; ++i) Bind(static_cast<Slot>(i), nullptr);
}

void TLightSet::Bind(Slot slot, IStatusLamp* lamp) {
  Binding& b = slots_[slot];
  if (b.lamp) b.lamp->Unwatch(b.watch);
  b = Binding{};
  if (!lamp) return;
  b.lamp = lamp;
  b.watch = lamp->Watch([this, slot](IStatusLamp&) { slots_[slot] = Binding{}; });
}

void TLightSet::SetLight(Slot slot, IStatusLamp* lamp) {
  if (slot >= kSlotCount || slots_[slot].lamp == lamp) return;
  IStatusLamp* previous = slots_[slot].lamp;
  Bind(slot, lamp);
  if (changed_) changed_(previous);
}

void TLightSet::Assign(const TLightSet& other) {
  if (&other == this) return;
  for (std::size_t i = 0; i < kSlotCount; ++i) SetLight(static_cast<Slot>(i), other.slots_[i].lamp);
}

}  // namespace telvane
