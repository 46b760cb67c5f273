#include "settings/SettingsStore.h"

#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/Codec.h"
#include "platform/MessagePump.h"
#include "settings/SettingsMessages.h"
#include "settings/ValueEncoding.h"

namespace tess {

namespace {

constexpr std::string_view kCrLf = "\r\n";
constexpr int kMaxAppends = 11;

// CR LF, a lone LF and a lone CR all end a line (the store writes CR LF; files edited by
// hand may hold the others).
bool isLineEnd(char c)
{
    return c == '\r' || c == '\n';
}

// A value must stay on its line.
bool isValidValue(std::string_view value)
{
    return value.find_first_of("\r\n") == std::string_view::npos;
}

// A section or key name must not hold CR or LF, nor a one-byte "=", "[" or "]" (trail
// bytes of two-byte characters are fine), and must not end inside a two-byte character.
bool isValidName(std::string_view name)
{
    if (name.find_first_of("\r\n") != std::string_view::npos)
        return false; // never a trail byte: a line end wherever it stands
    for (std::size_t i = 0; i < name.size(); ++i) {
        auto b = static_cast<unsigned char>(name[i]);
        if (b >= 0x80) {
            if (i + 1 == name.size())
                return false;
            ++i;
            continue;
        }
        if (b == '\r' || b == '\n' || b == '=' || b == '[' || b == ']')
            return false;
    }
    return true;
}

// Reads a whole regular file; false on any failure (a FIFO or device is never read).
bool readWholeFd(int fd, std::string& out)
{
    struct stat st {};
    if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode))
        return false;
    std::string data;
    data.reserve(static_cast<std::size_t>(st.st_size));
    char buf[65536];
    off_t at = 0;
    while (true) {
        ssize_t n = pread(fd, buf, sizeof buf, at);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        if (n == 0)
            break;
        data.append(buf, static_cast<std::size_t>(n));
        at += n;
    }
    out = std::move(data);
    return true;
}

bool readWholeFile(const std::string& path, std::string& out)
{
    int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0)
        return false;
    bool ok = readWholeFd(fd, out);
    ::close(fd);
    return ok;
}

bool writeAll(int fd, const char* data, std::size_t size, off_t at)
{
    while (size > 0) {
        ssize_t n = pwrite(fd, data, size, at);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        data += n;
        size -= static_cast<std::size_t>(n);
        at += n;
    }
    return true;
}

} // namespace

SettingsStore::~SettingsStore()
{
    close();
}

bool SettingsStore::open(const std::string& path)
{
    close();
    path_ = path;
    int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NONBLOCK, 0644);
    if (fd >= 0 && flock(fd, LOCK_EX | LOCK_NB) != 0) {
        // Another store (in this or another process) holds the file.
        ::close(fd);
        fd = -1;
    }
    if (fd >= 0) {
        // Editing in place needs the image to equal the file; without it, do not hold it.
        if (readWholeFd(fd, image_)) {
            fd_ = fd;
            return true;
        }
        ::close(fd);
        image_.clear();
        return false;
    }
    if (!readWholeFile(path, image_))
        image_.clear();
    return false;
}

void SettingsStore::close()
{
    if (fd_ >= 0) {
        ::close(fd_);
        fd_ = -1;
    }
    image_.clear();
    image_.shrink_to_fit();
    dirtyFrom_ = std::string::npos;
}

bool SettingsStore::atLineStart(std::size_t p) const
{
    return p == 0 || isLineEnd(image_[p - 1]);
}

std::size_t SettingsStore::lineEnd(std::size_t from) const
{
    const std::size_t n = image_.size();
    while (from < n && !isLineEnd(image_[from]))
        ++from;
    return from;
}

std::size_t SettingsStore::nextLine(std::size_t from) const
{
    std::size_t e = lineEnd(from);
    if (e >= image_.size())
        return std::string::npos;
    if (image_[e] == '\r' && e + 1 < image_.size() && image_[e + 1] == '\n')
        return e + 2;
    return e + 1;
}

std::size_t SettingsStore::findHeader(std::string_view header, std::size_t start) const
{
    while (true) {
        std::size_t p = image_.find(header, start);
        if (p == std::string::npos || atLineStart(p))
            return p;
        start = p + 1;
    }
}

long long SettingsStore::findHeaderBetween(std::size_t from, std::size_t to) const
{
    if (from > image_.size())
        return -1;
    // The first line that starts at or after `from`.
    std::size_t line = from == 0 ? 0 : nextLine(from - 1);
    while (line != std::string::npos && line < to) {
        const std::size_t e = lineEnd(line);
        if (e - line >= 2 && image_[line] == '[' && image_[e - 1] == ']' && e - 1 <= to)
            return static_cast<long long>(line);
        line = nextLine(line);
    }
    return -1;
}

std::size_t SettingsStore::findKeyLine(std::size_t headerAt, std::string_view key) const
{
    for (std::size_t line = nextLine(headerAt); line != std::string::npos; line = nextLine(line)) {
        const std::size_t e = lineEnd(line);
        if (e - line >= 2 && image_[line] == '[' && image_[e - 1] == ']')
            return std::string::npos; // the next section begins
        if (e - line > key.size() && image_.compare(line, key.size(), key) == 0 && image_[line + key.size()] == '=')
            return line;
    }
    return std::string::npos;
}

std::string SettingsStore::readItem(std::string_view section, std::string_view key,
                                    std::string_view def, bool emptyIsDefault) const
{
    std::string header = "[" + std::string(section) + "]";
    pumpMessages();
    // Only the first header of the section counts.
    std::size_t p = findHeader(header, 0);
    if (p == std::string::npos)
        return std::string(def);
    std::size_t k = findKeyLine(p, key);
    if (k == std::string::npos)
        return std::string(def);
    std::size_t v = k + key.size() + 1;
    std::size_t e = lineEnd(v);
    if (e == v && emptyIsDefault)
        return std::string(def);
    return image_.substr(v, e - v);
}

SettingsStore::WriteStatus SettingsStore::writeItem(std::string_view section, std::string_view key, std::string_view value,
                             bool direct)
{
    if (!isValidName(section) || !isValidName(key) || !isValidValue(value))
        return WriteStatus::Failed;
    if (direct)
        return writeDirect(section, key, value);
    pending_.push_back({0, {std::string(section), std::string(key), std::string(value)}});
    if (busy_)
        return WriteStatus::Queued;
    return runPendingWrites();
}

SettingsStore::WriteStatus SettingsStore::runPendingWrites()
{
    if (busy_)
        return WriteStatus::Queued; // the running drain picks up the queue
    if (pending_.empty())
        return WriteStatus::Failed;
    WriteStatus first = WriteStatus::Failed;
    bool haveFirst = false;
    while (!pending_.empty()) {
        PendingWrite w = pending_.front();
        busy_ = true;
        const WriteStatus status = writeDirect(w.texts[0], w.texts[1], w.texts[2]);
        pending_.pop_front();
        busy_ = false;
        if (!haveFirst) {
            first = status;
            haveFirst = true;
        }
    }
    return first;
}

SettingsStore::WriteStatus SettingsStore::writeDirect(std::string_view section, std::string_view key, std::string_view value)
{
    if (!isValidName(section) || !isValidName(key) || !isValidValue(value))
        return WriteStatus::Failed;
    const std::string header = "[" + std::string(section) + "]";
    std::size_t start = 0;
    int appended = 0;
    bool fileOk = true;
    while (true) {
        // Other events may run here and change the image (reads, close, open); every
        // offset below is taken afresh after this call.
        pumpMessages();
        std::size_t p = findHeader(header, start);
        if (p == std::string::npos) {
            std::size_t oldLength = image_.size();
            if (oldLength > 0 && !isLineEnd(image_.back()))
                image_ += kCrLf;
            image_ += header;
            fileOk = syncFile(oldLength, std::string::npos) && fileOk;
            start = oldLength;
            if (++appended >= kMaxAppends) {
                reportFailure();
                return WriteStatus::Failed;
            }
            continue;
        }
        std::size_t k = findKeyLine(p, key);
        if (k != std::string::npos) {
            std::size_t v = k + key.size() + 1;
            std::size_t e = lineEnd(v);
            bool sameSize = (e - v) == value.size();
            image_.replace(v, e - v, value);
            fileOk = syncFile(v, sameSize ? v + value.size() : std::string::npos) && fileOk;
            return fileOk ? WriteStatus::Done : WriteStatus::Failed;
        }
        // A new key line goes directly below the header line, whole, in one change of
        // the file; whatever else the header's line holds stays on it.
        std::size_t at = lineEnd(p);
        std::string line = std::string(kCrLf) + std::string(key) + "=" + std::string(value);
        image_.insert(at, line);
        fileOk = syncFile(at, std::string::npos) && fileOk;
        return fileOk ? WriteStatus::Done : WriteStatus::Failed;
    }
}

bool SettingsStore::syncFile(std::size_t from, std::size_t to)
{
    if (fd_ < 0)
        return true; // no file held: the image alone changes
    if (dirtyFrom_ != std::string::npos) {
        from = std::min(from, dirtyFrom_);
        to = std::string::npos;
    }
    from = std::min(from, image_.size());
    bool ok;
    if (to != std::string::npos) {
        ok = writeAll(fd_, image_.data() + from, std::min(to, image_.size()) - from, static_cast<off_t>(from));
    } else {
        ok = resizeFile(from);
    }
    dirtyFrom_ = ok ? std::string::npos : from;
    return ok;
}

bool SettingsStore::resizeFile(std::size_t from)
{
    struct stat st {};
    if (fstat(fd_, &st) != 0)
        return false;
    const auto oldSize = static_cast<std::size_t>(st.st_size);
    const std::size_t newSize = image_.size();
    // Every intermediate state of the file is its old content followed by line breaks,
    // or its new content followed by line breaks; readers skip empty lines, so a write
    // that fails or a process that dies half-way loses no key.
    if (newSize > oldSize) {
        // Take the room first: without it, nothing of the old content has been touched.
        const std::string room(newSize - oldSize, '\n');
        if (!writeAll(fd_, room.data(), room.size(), static_cast<off_t>(oldSize))) {
            (void)!ftruncate(fd_, static_cast<off_t>(oldSize));
            return false;
        }
        return writeAll(fd_, image_.data() + from, newSize - from, static_cast<off_t>(from));
    }
    // Shrinking: the new tail and line breaks over the rest of the old one in one write,
    // then the file is cut.
    std::string tail(image_, from);
    tail.append(oldSize - newSize, '\n');
    return writeAll(fd_, tail.data(), tail.size(), static_cast<off_t>(from)) &&
           ftruncate(fd_, static_cast<off_t>(newSize)) == 0;
}

void SettingsStore::reportFailure()
{
    SettingsMessage warning;
    warning.text = std::string(codec::gb(u8"配置模块出现意外，可能导致无法正常保存！详情请咨询Korvell。"));
    warning.caption = std::string(codec::gb(u8"Korvell："));
    warning.icon = SettingsMessage::Icon::Warning;
    warning.modality = SettingsMessage::Modality::System;
    showSettingsMessage(warning);

    SettingsMessage dump;
    dump.text = image_;
    dump.caption = std::string(codec::gb(u8"信息："));
    dump.icon = SettingsMessage::Icon::None;
    dump.modality = SettingsMessage::Modality::Task;
    showSettingsMessage(dump);
}

std::string SettingsStore::readText(std::string_view key, std::string_view def) const
{
    return settings::decodeText(readItem(section_, key, settings::encodeText(def), true));
}

bool SettingsStore::writeText(std::string_view key, std::string_view value)
{
    return writeItem(section_, key, settings::encodeText(value), false) == WriteStatus::Done;
}

double SettingsStore::readNumber(std::string_view key, double def) const
{
    return settings::parseNumber(readItem(section_, key, settings::formatNumber(def), true));
}

bool SettingsStore::writeNumber(std::string_view key, double value)
{
    return writeItem(section_, key, settings::formatNumber(value), false) == WriteStatus::Done;
}

bool SettingsStore::readBool(std::string_view key, bool def) const
{
    return readItem(section_, key, settings::boolText(def), true) == settings::boolText(true);
}

bool SettingsStore::writeBool(std::string_view key, bool value)
{
    return writeItem(section_, key, settings::boolText(value), false) == WriteStatus::Done;
}

std::string SettingsStore::sideFilePath(std::string_view key) const
{
    if (path_.empty())
        return {};
    std::string section = codec::gb18030ToUtf8(section_).text;
    std::string name = codec::gb18030ToUtf8(key).text;
    for (std::string_view part : {std::string_view(section), std::string_view(name)}) {
        if (part.find('/') != std::string_view::npos || part.find('\0') != std::string_view::npos)
            return {};
    }
    std::size_t slash = path_.rfind('/');
    std::string folder = slash == std::string::npos ? std::string() : path_.substr(0, slash + 1);
    return folder + "inibin/" + section + "-" + name + ".ibn";
}

std::string SettingsStore::readBytes(std::string_view key, std::string_view def) const
{
    std::string file = sideFilePath(key);
    std::string bytes;
    if (file.empty() || !readWholeFile(file, bytes) || bytes.empty())
        return std::string(def);
    return bytes;
}

bool SettingsStore::writeBytes(std::string_view key, std::string_view bytes)
{
    std::string file = sideFilePath(key);
    if (file.empty())
        return false;
    std::string folder = file.substr(0, file.rfind('/'));
    ::mkdir(folder.c_str(), 0755); // an existing folder is fine
    // Written beside and renamed over the old file, so a failed write keeps the old bytes.
    std::string temp = file + ".tmp";
    int fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0)
        return false;
    bool ok = writeAll(fd, bytes.data(), bytes.size(), 0);
    ok = (::close(fd) == 0) && ok;
    if (ok)
        ok = ::rename(temp.c_str(), file.c_str()) == 0;
    if (!ok)
        ::unlink(temp.c_str());
    return ok;
}

} // namespace tess
