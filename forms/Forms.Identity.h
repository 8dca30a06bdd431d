#pragma once

// Names the windows show. The caption carries the community's name; lCafe adds its address.
inline constexpr const char* VarnellCaption = "Varnell 6.0.5 (Moravi Ver.)";
inline constexpr const char* CommunityName = "Moravi";
inline constexpr const char* CommunityAddress = "https://varnell.example.org/moravi";
