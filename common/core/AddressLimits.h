#pragma once

// The bounds of a stored reply timeout (addrs.ping_timeout, milliseconds),
// one home for admin, which refuses more, and the monitor, which clamps.
// A minute per attempt is already four minutes per down host and pass.
namespace AddressLimits {

inline constexpr int MinPingTimeoutMs = 1;
inline constexpr int MaxPingTimeoutMs = 60'000;

} // namespace AddressLimits
