#pragma once
// The settings file: one section/key/value text file (CR LF lines, GB18030 bytes),
// kept in memory as an image and edited in place on disk, so that after every write
// the file's bytes equal the image. Byte values live in side files under inibin/.
//
// Lines may also end in a lone LF or a lone CR (files edited by hand); the store reads
// them as line ends and leaves every byte it does not replace where it was. A header
// line is one that starts with "[" and ends with "]"; a section's keys are the lines
// after its first header up to the next header line.
//
// A write that changes the file's size first takes the room it needs (or, shrinking,
// first overwrites the old tail), so a write that fails for lack of space leaves the old
// content intact, and a process that dies in the middle leaves each key with its old or
// its new value (possibly followed by empty lines, which readers skip).
//
// Texts (sections, keys, values) are GB18030 byte strings. Paths are native file
// system paths (UTF-8 on Linux).
//
// Writes issued while a write is running (from inside the message-pump step) are
// queued, reported as not done, and carried out afterwards in arrival order.
#include <cstddef>
#include <deque>
#include <string>
#include <string_view>
#include <vector>

namespace tess {

class SettingsStore {
public:
    // What became of a write: carried out, refused or not carried out, or queued behind
    // a running write (it happens later).
    enum class WriteStatus { Done, Failed, Queued };

    SettingsStore() = default;
    ~SettingsStore();
    SettingsStore(const SettingsStore&) = delete;
    SettingsStore& operator=(const SettingsStore&) = delete;

    // Loads the file into the image (an unreadable file gives an empty image), then
    // opens it for reading and writing (created when missing, never truncated) and
    // takes an exclusive advisory lock. Returns true when this process now holds the
    // file; false when it cannot be opened or another store holds the lock. After a
    // false result reads still work and writes change the image only.
    bool open(const std::string& path);
    // Releases the file and its lock and empties the image.
    void close();
    bool holdsFile() const { return fd_ >= 0; }
    const std::string& path() const { return path_; }
    // The whole content as the store sees it (equals the file while it is held).
    const std::string& image() const { return image_; }

    void setSection(std::string_view name) { section_ = name; }
    const std::string& section() const { return section_; }

    // Raw value of key in section; default when missing (or empty and emptyIsDefault).
    std::string readItem(std::string_view section, std::string_view key, std::string_view def,
                         bool emptyIsDefault) const;
    // direct false: queued behind a running write (the normal form).
    // direct true: changes image and file now.
    // Returns Done, Failed or Queued. A section or key holding CR, LF, "=", "[" or "]"
    // (as one-byte characters), or a value holding CR or LF, is rejected with Failed.
    WriteStatus writeItem(std::string_view section, std::string_view key, std::string_view value, bool direct);
    // Runs the queued writes in order; the status of the first one, Failed when none.
    WriteStatus runPendingWrites();
    // Offset of the "[" of a header line that starts after `from` and whose "]" is not
    // beyond `to`, or -1.
    long long findHeaderBetween(std::size_t from, std::size_t to) const;

    // Typed values in the current section. Writers return true only when the write was
    // carried out now (a queued write returns false and happens later).
    std::string readText(std::string_view key, std::string_view def) const;
    bool writeText(std::string_view key, std::string_view value);
    double readNumber(std::string_view key, double def) const;
    bool writeNumber(std::string_view key, double value);
    bool readBool(std::string_view key, bool def) const;
    bool writeBool(std::string_view key, bool value);
    // Side file of key: raw bytes, no header. Missing or empty file gives def.
    std::string readBytes(std::string_view key, std::string_view def) const;
    bool writeBytes(std::string_view key, std::string_view bytes);
    // <folder of path>/inibin/<section>-<key>.ibn (names converted to UTF-8); empty before
    // open or when the section or key cannot form a file name (holds "/" or a zero byte).
    std::string sideFilePath(std::string_view key) const;

    bool busy() const { return busy_; }
    std::size_t pendingWrites() const { return pending_.size(); }

private:
    struct PendingWrite {
        int kind = 0;
        std::vector<std::string> texts; // section, key, value
    };

    WriteStatus writeDirect(std::string_view section, std::string_view key, std::string_view value);
    // Writes image bytes [from, to) to the file; to == npos writes to the end and sets the size.
    bool syncFile(std::size_t from, std::size_t to);
    // Makes the file equal the image from `from` to its end, where the size changes.
    bool resizeFile(std::size_t from);
    bool atLineStart(std::size_t p) const;
    // Offset of the line end (CR or LF) at or after from, or the image size.
    std::size_t lineEnd(std::size_t from) const;
    // Start of the line after the one holding `from`; npos when it is the last line.
    std::size_t nextLine(std::size_t from) const;
    // Offset of the first occurrence of header at or after start that begins a line.
    std::size_t findHeader(std::string_view header, std::size_t start) const;
    // Start of the line "key=..." in the section whose header is at headerAt, or npos.
    std::size_t findKeyLine(std::size_t headerAt, std::string_view key) const;
    void reportFailure();

    std::string image_;
    int fd_ = -1;
    std::string path_;
    bool busy_ = false;
    std::deque<PendingWrite> pending_;
    std::string section_;
    std::size_t dirtyFrom_ = std::string::npos; // first offset where the file may lag the image
};

} // namespace tess
