// The call state read-out: the line call state bit maps to an ordinal 0..15.
#pragma once

#include <cstdint>

namespace telvane {

// Line call state bits.
inline constexpr std::uint32_t kLineCallIdle = 0x1;
inline constexpr std::uint32_t kLineCallOffering = 0x2;
inline constexpr std::uint32_t kLineCallAccepted = 0x4;
inline constexpr std::uint32_t kLineCallDialTone = 0x8;
inline constexpr std::uint32_t kLineCallDialing = 0x10;
inline constexpr std::uint32_t kLineCallRingback = 0x20;
inline constexpr std::uint32_t kLineCallBusy = 0x40;
inline constexpr std::uint32_t kLineCallSpecialInfo = 0x80;
inline constexpr std::uint32_t kLineCallConnected = 0x100;
inline constexpr std::uint32_t kLineCallProceeding = 0x200;
inline constexpr std::uint32_t kLineCallOnHold = 0x400;
inline constexpr std::uint32_t kLineCallConferenced = 0x800;
inline constexpr std::uint32_t kLineCallOnHoldPendConf = 0x1000;
inline constexpr std::uint32_t kLineCallOnHoldPendTransfer = 0x2000;
inline constexpr std::uint32_t kLineCallDisconnected = 0x4000;

// idle → 0, offering → 1, ... disconnected → 14; any other value
// (no bit, several bits, unknown bits) → 15.
int CallStateOrdinal(std::uint32_t lineCallState);

}  // namespace telvane
