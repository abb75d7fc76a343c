// TLightSet: the eight lamps a status-light controller drives, one slot per
// serial line signal. A slot is empty or holds a lamp; a lamp that is
// destroyed empties its slot by itself.
#pragma once

#include <array>
#include <cstddef>
#include <functional>

#include "comm/status/status_lamp.h"

namespace telvane {

class TLightSet {
 public:
  enum Slot : std::size_t {
    kCTS, kDSR, kDCD, kRing, kTXD, kRXD, kError, kBreak,
    kSlotCount
  };

  // Told about every slot changed through a setter, with the lamp that was
  // in it (or null). A lamp that disappears on its own empties its slot
  // quietly, since it is usually destroyed in the middle of taking a window
  // down.
  using ChangedEvent = std::function<void(IStatusLamp* previous)>;

  explicit TLightSet(ChangedEvent changed = {});
  ~TLightSet();
  TLightSet(const TLightSet&) = delete;
  TLightSet& operator=(const TLightSet&) = delete;

  IStatusLamp* Light(Slot slot) const { return slots_[slot].lamp; }
  void SetLight(Slot slot, IStatusLamp* lamp);
  // Takes the lamps of another set.
  void Assign(const TLightSet& other);

  IStatusLamp* CTSLight() const { return Light(kCTS); }
  void SetCTSLight(IStatusLamp* lamp) { SetLight(kCTS, lamp); }
  IStatusLamp* DSRLight() const { return Light(kDSR); }
  void SetDSRLight(IStatusLamp* lamp) { SetLight(kDSR, lamp); }
  IStatusLamp* DCDLight() const { return Light(kDCD); }
  void SetDCDLight(IStatusLamp* lamp) { SetLight(kDCD, lamp); }
  IStatusLamp* RINGLight() const { return Light(kRing); }
  void SetRINGLight(IStatusLamp* lamp) { SetLight(kRing, lamp); }
  IStatusLamp* TXDLight() const { return Light(kTXD); }
  void SetTXDLight(IStatusLamp* lamp) { SetLight(kTXD, lamp); }
  IStatusLamp* RXDLight() const { return Light(kRXD); }
  void SetRXDLight(IStatusLamp* lamp) { SetLight(kRXD, lamp); }
  IStatusLamp* ERRORLight() const { return Light(kError); }
  void SetERRORLight(IStatusLamp* lamp) { SetLight(kError, lamp); }
  IStatusLamp* BREAKLight() const { return Light(kBreak); }
  void SetBREAKLight(IStatusLamp* lamp) { SetLight(kBreak, lamp); }

 private:
  struct Binding {
    IStatusLamp* lamp = nullptr;
    int watch = 0;
  };
  void Bind(Slot slot, IStatusLamp* lamp);

  std::array<Binding, kSlotCount> slots_{};
  ChangedEvent changed_;
};

}  // namespace telvane
