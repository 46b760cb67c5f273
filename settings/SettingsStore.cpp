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

// A section or key name must not hold a one-byte CR, LF, "=", "[" or "]" (trail bytes of
// two-byte characters are fine) and must not end inside a two-byte character.
bool isValidName(std::string_view name)
{
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

std::size_t SettingsStore::findHeader(std::string_view header, std::size_t start) const
{
    while (true) {
        std::size_t p = image_.find(header, start);
        if (p == std::string::npos)
            return p;
        if (p == 0 || (p >= 2 && image_[p - 2] == '\r' && image_[p - 1] == '\n'))
            return p;
        start = p + 1;
    }
}

long long SettingsStore::findHeaderBetween(std::size_t from, std::size_t to) const
{
    std::size_t pos = from;
    while (true) {
        std::size_t m = image_.find("\r\n[", pos);
        if (m == std::string::npos || m >= to)
            return -1;
        std::size_t a = m + 2;
        std::size_t close = image_.find("]\r\n", a);
        // Without a "]" CR LF after a, there is none after any later "[" either.
        if (close == std::string::npos || close > to)
            return -1;
        // Last CR LF inside [a, close]; none means the header line is complete.
        std::size_t last = std::string::npos;
        for (std::size_t i = close; i > a; --i) {
            if (image_[i - 1] == '\r' && image_[i] == '\n') {
                last = i - 1;
                break;
            }
        }
        if (last == std::string::npos || last < a)
            return static_cast<long long>(a);
        // Every "[" after a line break before `last` shares this "]" and holds `last`;
        // only the one right after `last` can qualify.
        pos = last;
    }
}

std::string SettingsStore::readItem(std::string_view section, std::string_view key,
                                    std::string_view def, bool emptyIsDefault) const
{
    std::string header = "[" + std::string(section) + "]";
    std::string keyLine = std::string(kCrLf) + std::string(key) + "=";
    std::size_t start = 0;
    while (true) {
        pumpMessages();
        std::size_t p = image_.find(header, start);
        if (p == std::string::npos)
            return std::string(def);
        if (p > 0 && !(p >= 2 && image_[p - 2] == '\r' && image_[p - 1] == '\n')) {
            start = p + 1;
            continue;
        }
        std::size_t k = image_.find(keyLine, p + header.size() - 1);
        if (k == std::string::npos || findHeaderBetween(p + header.size(), k + 1) != -1)
            return std::string(def);
        std::size_t v = k + keyLine.size();
        std::size_t e = image_.find(kCrLf, v);
        if (e == std::string::npos)
            e = image_.size();
        if (e == v && emptyIsDefault)
            return std::string(def);
        return image_.substr(v, e - v);
    }
}

int SettingsStore::writeItem(std::string_view section, std::string_view key, std::string_view value,
                             bool direct)
{
    if (!isValidName(section) || !isValidName(key) || value.find(kCrLf) != std::string_view::npos)
        return kFailed;
    if (direct)
        return writeDirect(section, key, value);
    pending_.push_back({0, {std::string(section), std::string(key), std::string(value)}});
    if (busy_)
        return kQueued;
    return runPendingWrites();
}

int SettingsStore::runPendingWrites()
{
    if (busy_)
        return kQueued; // the running drain picks up the queue
    if (pending_.empty())
        return kFailed;
    int first = kFailed;
    bool haveFirst = false;
    while (!pending_.empty()) {
        PendingWrite w = pending_.front();
        busy_ = true;
        int status = writeDirect(w.texts[0], w.texts[1], w.texts[2]);
        pending_.pop_front();
        busy_ = false;
        if (!haveFirst) {
            first = status;
            haveFirst = true;
        }
    }
    return first;
}

int SettingsStore::writeDirect(std::string_view section, std::string_view key, std::string_view value)
{
    if (!isValidName(section) || !isValidName(key) || value.find(kCrLf) != std::string_view::npos)
        return kFailed;
    const std::string header = "[" + std::string(section) + "]";
    const std::string keyLine = std::string(kCrLf) + std::string(key) + "=";
    std::size_t start = 0;
    int appended = 0;
    int inserted = 0;
    bool fileOk = true;
    while (true) {
        // Other events may run here and change the image (reads, close, open); every
        // offset below is taken afresh after this call.
        pumpMessages();
        std::size_t p = image_.find(header, start);
        if (p == std::string::npos) {
            std::size_t oldLength = image_.size();
            if (oldLength > 0)
                image_ += kCrLf;
            image_ += header;
            fileOk = syncFile(oldLength, std::string::npos) && fileOk;
            start = oldLength;
            if (++appended >= kMaxAppends) {
                reportFailure();
                return kFailed;
            }
            continue;
        }
        if (p > 0 && !(p >= 2 && image_[p - 2] == '\r' && image_[p - 1] == '\n')) {
            start = p + 1;
            continue;
        }
        std::size_t afterHeader = p + header.size();
        std::size_t k = image_.find(keyLine, afterHeader - 1);
        if (k != std::string::npos && findHeaderBetween(afterHeader, k + 1) != -1)
            k = std::string::npos;
        if (k != std::string::npos) {
            std::size_t v = k + keyLine.size();
            std::size_t e = image_.find(kCrLf, v);
            if (e == std::string::npos)
                e = image_.size();
            bool sameSize = (e - v) == value.size();
            image_.replace(v, e - v, value);
            fileOk = syncFile(v, sameSize ? v + value.size() : std::string::npos) && fileOk;
            return fileOk ? kDone : kFailed;
        }
        // A new key goes directly below its header; the next pass sets its value. Only an
        // event that keeps replacing the image could make this repeat; give up then.
        if (++inserted >= kMaxAppends) {
            reportFailure();
            return kFailed;
        }
        image_.insert(afterHeader, keyLine);
        fileOk = syncFile(afterHeader, std::string::npos) && fileOk;
        start = p;
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
    std::size_t end = to == std::string::npos ? image_.size() : std::min(to, image_.size());
    bool ok = writeAll(fd_, image_.data() + from, end - from, static_cast<off_t>(from));
    if (ok && to == std::string::npos)
        ok = ftruncate(fd_, static_cast<off_t>(image_.size())) == 0;
    dirtyFrom_ = ok ? std::string::npos : from;
    return ok;
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
    return writeItem(section_, key, settings::encodeText(value), false) == kDone;
}

double SettingsStore::readNumber(std::string_view key, double def) const
{
    return settings::parseNumber(readItem(section_, key, settings::formatNumber(def), true));
}

bool SettingsStore::writeNumber(std::string_view key, double value)
{
    return writeItem(section_, key, settings::formatNumber(value), false) == kDone;
}

bool SettingsStore::readBool(std::string_view key, bool def) const
{
    return readItem(section_, key, settings::boolText(def), true) == settings::boolText(true);
}

bool SettingsStore::writeBool(std::string_view key, bool value)
{
    return writeItem(section_, key, settings::boolText(value), false) == kDone;
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
