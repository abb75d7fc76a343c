// The call state read-out.
#include "comm/tapi/call_state.h"

#include <bit>

namespace telvane {

int CallStateOrdinal(std::uint32_t lineCallState) {
  // The states are single bits from idle (bit 0) to disconnected (bit 14);
  // the ordinal is the bit's position.
  if (!std::has_single_bit(lineCallState) || lineCallState > kLineCallDisconnected) return 15;
  return std::countr_zero(lineCallState);
}

}  // namespace telvane
