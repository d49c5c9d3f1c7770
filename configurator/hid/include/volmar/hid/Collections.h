#pragma once

// Turns one node's report descriptor into the collections the device list
// shows, and the language-table rule for serial numbers. Qt-free; shared by
// every backend.

#include "volmar/hid/HidBackend.h"

#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace volmar::hid {

// One CollectionInfo per top-level collection of `descriptor`, each a copy of
// `node` (path, attributes, strings, openability) with its caps, input report
// ids, collection index and a deviceId of `nodeId` + "#" + index. A
// descriptor that cannot be parsed (or declares no collection) still gives
// one entry, without caps, so the device is listed; its descriptorProblem
// then says why.
std::vector<CollectionInfo> collectionsOf(const CollectionInfo& node, const std::string& nodeId,
                                          std::span<const std::uint8_t> descriptor);

// A device that answers its serial-number request with its language table
// (string descriptor 0) has no serial number: the first n characters of the
// serial, padded with zeros, equal to the n language ids give an empty text.
// `languageIds` empty means the table is unknown (Linux offers it only
// through usbfs), and the serial is kept as it is.
std::u16string serialAfterLanguageRule(const std::u16string& serial,
                                       std::span<const std::uint16_t> languageIds);

} // namespace volmar::hid
