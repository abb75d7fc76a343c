// The "simulated line" telephony device: a pass-through call on it starts a
// SimLine and hands its modem's pseudo-terminal to the port.
#pragma once

#include <functional>

#include "comm/simline/sim_line.h"
#include "comm/tapi/telephony_line.h"

namespace telvane {

// A line factory for the simulated line device: Connect starts a SimLine
// with `config` and gives side A's pseudo-terminal (ecTapiCallUnavail when
// the line cannot start or has no pseudo-terminal, as for TerminalToTerminal;
// onStartError then hears why); Disconnect stops the line and then calls
// onEnd with it, so that the call records can be read.
TelephonyLineFactory SimulatedLineFactory(SimLineConfig config,
                                          std::function<void(const SimLine&)> onEnd = {},
                                          std::function<void(const std::string&)> onStartError = {});

}  // namespace telvane
