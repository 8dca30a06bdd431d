#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

#include "platform/Device.Backend.h"

// Model, firmware revision and serial number of a disk, as text.
struct TIdentity {
  std::string Model;
  std::string Firmware;
  std::string Serial;
};

// Removes every leading and trailing character of code 32 or less (space, NUL, controls);
// inner ones stay.
std::string TrimControl(std::string_view Text);

// Each byte is the character with the same code (0 to 255), written as UTF-8.
void AppendByteAsCharacter(std::string& Text, std::uint8_t Byte);

// IDENTIFY DEVICE words FirstWord..LastWord, the high byte of each word first (ATA strings
// are stored byte-swapped in the little-endian words), not trimmed.
std::string IdentifyWordsText(const std::array<std::uint8_t, 512>& Data, int FirstWord,
                              int LastWord);

// Model: words 27-46, firmware: words 23-26, serial: words 10-19; each trimmed.
TIdentity ParseIdentifyDevice(const std::array<std::uint8_t, 512>& Data);

// Model: bytes 8-31 (vendor and product), firmware: bytes 32-35, serial: bytes 36-43; each
// trimmed.
TIdentity ParseInquiry(const std::array<std::uint8_t, 512>& Data);

// Whether an INQUIRY answer may be read: sent, good status, and no sense data.
bool IsAnswerUsable(const Platform::TPassThroughAnswer& Answer);

// Whether an ATA PASS-THROUGH answer may be read. Some translation layers add sense data
// saying "no error" or "recovered" to a good answer; any other sense key is a refusal.
bool IsAtaAnswerUsable(const Platform::TPassThroughAnswer& Answer);
