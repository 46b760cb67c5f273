#pragma once
// The slots' data files: raw GB18030 bytes of each slot's source text.
#include <string>
#include <string_view>

namespace tess {

// The number of tabs (slots), each with its data file.
inline constexpr int kSlotCount = 7;

// dir + "/JSON数据.txt" for slot 1, dir + "/JSON数据<n>.txt" for slots 2..7.
std::string slotFilePath(const std::string& dir, int slot);

// True when the slot's data file holds nothing: it is missing, unreadable or empty.
bool slotFileEmpty(const std::string& dir, int slot);

// The file's bytes up to the first zero byte; empty when missing or unreadable.
std::string readSlotFile(const std::string& path);

// The text of a file loaded like a paste: UTF-8 (with or without a byte-order mark) and
// UTF-16 with a mark are converted to GB18030; other bytes are taken as GB18030 already.
// Cut at a zero byte.
// False when the file cannot be read.
bool readTextFile(const std::string& path, std::string& out);

} // namespace tess
