#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

// libata keeps each ATA disk's answer to IDENTIFY DEVICE and shows it to every user: the id
// attribute of the disk's ata_device (.../ata1/link1/dev1.0/ata_device/dev1.0/id), 256 words
// as four hex digits each, eight words a line. It names the disk as the IDENTIFY request does,
// without the privileges the request needs.

// The 512 bytes of the answer (word w in bytes 2w and 2w+1, low byte first, as the disk sends
// it); nullopt unless Text is exactly 256 words of four hex digits separated by white space.
std::optional<std::array<std::uint8_t, 512>> ParseAtaIdentifyText(std::string_view Text);

// The IDENTIFY data of the disk whose SCSI device folder, links resolved, is DeviceFolder
// (".../ata1/host0/target0:0:0/0:0:0:0"); nullopt for a disk that is not on libata.
std::optional<std::array<std::uint8_t, 512>> ReadAtaIdentifyOfDevice(
    const std::string& DeviceFolder);
