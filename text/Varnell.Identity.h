#pragma once

// Who made this program and where its users meet: shown in the report header and the windows.
// The project's own name, and an address under a reserved domain that belongs to no one.
namespace VarnellIdentity {

inline constexpr const char* ProductName = "Varnell";
inline constexpr const char* ProductVersion = "6.0.5";
inline constexpr const char* MakerName = "Varnell";
inline constexpr const char* CommunityAddress = "varnell.invalid/community";

}  // namespace VarnellIdentity
