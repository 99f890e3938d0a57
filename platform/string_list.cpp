// String lists: texts with attached object pointers, optional sorting and hashed lookup, and
// the text-file rules of the saved-screens file (any line break on reading, CR LF on writing).
#include "platform/string_list.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdio>

#include "platform/platform.h"

StringList::StringList(bool sorted, bool caseSensitive, bool hashed, bool acceptDuplicates)
    : sorted(sorted), caseSensitive(caseSensitive), hashed(hashed), acceptDuplicates(acceptDuplicates) {}

int StringList::count() const { return static_cast<int>(entries.size()); }

const std::string& StringList::text(int i) const { return entries[static_cast<size_t>(i)].text; }

void* StringList::object(int i) const { return entries[static_cast<size_t>(i)].object; }

void StringList::setObject(int i, void* object) { entries[static_cast<size_t>(i)].object = object; }

int StringList::compare(const std::string& a, const std::string& b) const {
    if (caseSensitive) return a.compare(b);
    size_t n = std::min(a.size(), b.size());
    for (size_t i = 0; i < n; ++i) {
        int ca = tolower(static_cast<unsigned char>(a[i]));
        int cb = tolower(static_cast<unsigned char>(b[i]));
        if (ca != cb) return ca < cb ? -1 : 1;
    }
    return a.size() < b.size() ? -1 : (a.size() > b.size() ? 1 : 0);
}

std::string StringList::key(const std::string& text) const {
    if (caseSensitive) return text;
    std::string lower = text;
    for (char& c : lower) c = static_cast<char>(tolower(static_cast<unsigned char>(c)));
    return lower;
}

void StringList::rebuildHash() const {
    hash.clear();
    hash.reserve(entries.size());
    for (size_t i = 0; i < entries.size(); ++i) hash.emplace(key(entries[i].text), static_cast<int>(i));
    hashValid = true;
}

int StringList::add(const std::string& text, void* object) {
    if (!acceptDuplicates && indexOf(text) >= 0) return -1;
    if (!sorted) {
        entries.push_back(Entry{text, object});
        int index = count() - 1;
        // Appending keeps the hash valid: no other index moves.
        if (hashed && hashValid) hash.emplace(key(text), index);
        return index;
    }
    // A new text goes before the equal texts already present.
    auto at = std::lower_bound(entries.begin(), entries.end(), text,
                               [this](const Entry& e, const std::string& t) { return compare(e.text, t) < 0; });
    int index = static_cast<int>(at - entries.begin());
    entries.insert(at, Entry{text, object});
    hashValid = false;
    return index;
}

void StringList::insert(int i, const std::string& text, void* object) {
    // A sorted list keeps its order: the text goes where it belongs.
    if (sorted) {
        add(text, object);
        return;
    }
    if (i < 0) i = 0;
    if (i > count()) i = count();
    entries.insert(entries.begin() + i, Entry{text, object});
    hashValid = false;
}

void StringList::remove(int i) {
    if (i < 0 || i >= count()) return;
    entries.erase(entries.begin() + i);
    hashValid = false;
}

void StringList::clear() {
    entries.clear();
    hash.clear();
    hashValid = false;
}

int StringList::indexOf(const std::string& text) const {
    if (hashed) {
        if (!hashValid) rebuildHash();
        auto range = hash.equal_range(key(text));
        int found = -1;
        for (auto it = range.first; it != range.second; ++it) {
            if (found < 0 || it->second < found) found = it->second;
        }
        return found;
    }
    if (sorted) {
        auto at = std::lower_bound(entries.begin(), entries.end(), text,
                                   [this](const Entry& e, const std::string& t) { return compare(e.text, t) < 0; });
        if (at != entries.end() && compare(at->text, text) == 0) return static_cast<int>(at - entries.begin());
        return -1;
    }
    for (size_t i = 0; i < entries.size(); ++i) {
        if (compare(entries[i].text, text) == 0) return static_cast<int>(i);
    }
    return -1;
}

int StringList::indexOfObject(const void* object) const {
    for (size_t i = 0; i < entries.size(); ++i) {
        if (entries[i].object == object) return static_cast<int>(i);
    }
    return -1;
}

void StringList::loadFromText(const char* bytes, size_t size) {
    clear();
    size_t p = 0;
    while (p < size && bytes[p] != '\0') {
        size_t start = p;
        while (p < size && bytes[p] != '\0' && bytes[p] != '\r' && bytes[p] != '\n') ++p;
        add(std::string(bytes + start, p - start));
        if (p < size && bytes[p] == '\r') ++p;
        if (p < size && bytes[p] == '\n') ++p;
    }
}

std::string StringList::saveToText() const {
    std::string out;
    size_t total = 0;
    for (const Entry& e : entries) total += e.text.size() + 2;
    out.reserve(total);
    for (const Entry& e : entries) {
        out += e.text;
        out += "\r\n";
    }
    return out;
}

bool StringList::loadFromFile(const std::string& path) {
    FILE* file = fopen(platform::nativePath(path).c_str(), "rb");
    if (!file) return false;
    std::string bytes;
    char buffer[65536];
    size_t n;
    while ((n = fread(buffer, 1, sizeof buffer, file)) > 0) bytes.append(buffer, n);
    bool failed = ferror(file) != 0;
    fclose(file);
    if (failed) return false;
    loadFromText(bytes.data(), bytes.size());
    return true;
}

bool StringList::saveToFile(const std::string& path) const {
    std::string target = platform::nativePath(path);
    std::string temp = target + ".XXXXXX";
    int fd = mkstemp(temp.data());
    if (fd < 0) return false;
    // The new file gets the old one's permissions, or the usual ones for a new file.
    struct stat old;
    mode_t mode;
    if (stat(target.c_str(), &old) == 0) {
        mode = old.st_mode & 07777;
    } else {
        mode_t mask = umask(0);
        umask(mask);
        mode = 0666 & ~mask;
    }
    bool ok = fchmod(fd, mode) == 0;
    std::string bytes = saveToText();
    size_t written = 0;
    while (ok && written < bytes.size()) {
        ssize_t n = write(fd, bytes.data() + written, bytes.size() - written);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
            ok = false;
            break;
        }
        written += static_cast<size_t>(n);
    }
    ok = ok && fsync(fd) == 0;
    ok = close(fd) == 0 && ok;
    ok = ok && rename(temp.c_str(), target.c_str()) == 0;
    if (!ok) {
        unlink(temp.c_str());
        return false;
    }
    // Make the rename itself durable.
    size_t slash = target.rfind('/');
    std::string folder = slash == std::string::npos ? "." : (slash == 0 ? "/" : target.substr(0, slash));
    int dirFd = open(folder.c_str(), O_RDONLY | O_DIRECTORY);
    if (dirFd >= 0) {
        fsync(dirFd);
        close(dirFd);
    }
    return true;
}
