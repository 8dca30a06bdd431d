#pragma once

#include <string>

#include "text/Varnell.Identity.h"

// The community the caption and the chart's label name; the report header names it too.
inline constexpr const char* CommunityName = "Moravi";

inline std::string VarnellCaption() {
  return std::string(VarnellIdentity::ProductName) + ' ' + VarnellIdentity::ProductVersion + " (" +
         CommunityName + " Ver.)";
}

inline std::string CafeText() {
  return std::string(CommunityName) + " (" + VarnellIdentity::CommunityAddress + ")";
}
