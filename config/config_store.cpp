#include "config_store.h"

#include <cerrno>
#include <cstdio>
#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <iostream>
#include <mutex>
#include <set>

#include "file_replace.h"

namespace korvane {

namespace {

const char* const kBlank = " \t\r\n";
const char* const kByteOrderMark = "\xEF\xBB\xBF";

bool isMarker(char c) {
    return c == '#' || c == ';';
}

bool isBlank(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

// Removes blanks and byte-order marks (and comment markers when asked) from the line's
// start; none of them can begin a key that reads back the same.
void dropLeading(std::string& line, bool markers) {
    std::size_t from = 0;
    for (;;) {
        if (line.compare(from, 3, kByteOrderMark) == 0)
            from += 3;
        else if (from < line.size() && (isBlank(line[from]) || (markers && isMarker(line[from]))))
            ++from;
        else
            break;
    }
    line.erase(0, from);
}

// Reports a settings file that is not a regular file once per name: start-up reads the
// file many times and one line says it all.
void reportNotRegular(const std::string& file) {
    static std::mutex lock;
    static std::set<std::string> reported;
    std::lock_guard<std::mutex> guard(lock);
    if (reported.insert(file).second)
        std::cerr << "Korvane: " << file << " is not a regular file; it is treated as unreadable\n";
}

bool readWholeFile(const std::string& file, std::string& out) {
    out.clear();
    // Without O_NONBLOCK opening a FIFO waits for a writer that never comes.
    int fd = ::open(file.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0)
        return false;
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(fd);
        reportNotRegular(file);
        return false;
    }
    char buf[8192];
    for (;;) {
        ssize_t n = ::read(fd, buf, sizeof buf);
        if (n > 0) {
            out.append(buf, static_cast<std::size_t>(n));
        } else if (n == 0) {
            break;
        } else if (errno != EINTR) {
            ::close(fd);
            out.clear();
            return false;
        }
    }
    ::close(fd);
    return true;
}

std::string serialise(const std::vector<ConfigRecord>& records) {
    std::string text;
    for (const ConfigRecord& r : records) {
        text += r.comments;
        if (r.key.empty())
            text += "[" + r.section + "]";
        else
            text += r.key + "=" + r.value;
        text += '\n';
    }
    return text;
}

const ConfigRecord* findRecord(const std::vector<ConfigRecord>& records, const std::string& key,
                               const std::string& section) {
    for (const ConfigRecord& r : records)
        if (r.section == section && r.key == key)
            return &r;
    return nullptr;
}

bool hasSection(const std::vector<ConfigRecord>& records, const std::string& section) {
    for (const ConfigRecord& r : records)
        if (r.section == section)
            return true;
    return false;
}

bool hasLineBreak(const std::string& text) {
    return text.find_first_of("\r\n") != std::string::npos;
}

bool blankAtAnEnd(const std::string& text) {
    return !text.empty() && (isBlank(text.front()) || isBlank(text.back()));
}

// Texts a line of the file cannot hold so that they read back the same: line breaks split
// the line, a key must not be empty, hold '=', start a header or comment, or begin or end
// with blanks (lines are trimmed) or a byte-order mark, a value must not end in blanks, and a
// section name ends at its ']'.
bool storable(const ConfigChange& c) {
    if (hasLineBreak(c.key) || hasLineBreak(c.value) || hasLineBreak(c.section))
        return false;
    if (c.key.empty() || c.key.find('=') != std::string::npos || c.key[0] == '[' ||
        isMarker(c.key[0]) || blankAtAnEnd(c.key) || c.key.compare(0, 3, kByteOrderMark) == 0)
        return false;
    if (!c.value.empty() && isBlank(c.value.back()))
        return false;
    return c.section.find(']') == std::string::npos;
}

// Changes the first matching key, or adds it right after the section's header, or adds the
// section with the key at the end.
void applyChange(std::vector<ConfigRecord>& records, const ConfigChange& change) {
    ConfigRecord added;
    added.section = change.section;
    added.key = change.key;
    added.value = change.value;

    if (!hasSection(records, change.section)) {
        ConfigRecord header;
        header.section = change.section;
        records.push_back(header);
        records.push_back(added);
        return;
    }
    for (ConfigRecord& r : records)
        if (r.section == change.section && r.key == change.key) {
            r.value = change.value;
            return;
        }
    for (auto it = records.begin(); it != records.end(); ++it)
        if (it->section == change.section) {
            records.insert(it + 1, added);
            return;
        }
}

} // namespace

namespace {

bool failWith(std::string* reason, const std::string& why) {
    if (reason)
        *reason = why;
    return false;
}

bool failWithErrno(std::string* reason) {
    return failWith(reason, std::strerror(errno));
}

} // namespace

bool writeFileReplacing(const std::string& file, const std::string& bytes, std::string* reason) {
    // Replace the target of a symbolic link, not the link itself.
    std::string target = file;
    struct stat st {};
    if (::lstat(file.c_str(), &st) == 0 && S_ISLNK(st.st_mode)) {
        char resolved[PATH_MAX];
        if (::realpath(file.c_str(), resolved) == nullptr)
            return failWithErrno(reason);
        target = resolved;
    }
    bool hadFile = false;
    if (::stat(target.c_str(), &st) == 0) {
        if (!S_ISREG(st.st_mode))
            return failWith(reason, "not a regular file");
        // The rename below would succeed even over a read-only file; honour its protection.
        if (::access(target.c_str(), W_OK) != 0)
            return failWithErrno(reason);
        hadFile = true;
    }

    static std::atomic<unsigned> counter{0};
    std::string temp;
    int fd = -1;
    for (int attempt = 0; attempt < 16 && fd < 0; ++attempt) {
        temp = target + ".tmp." + std::to_string(::getpid()) + "." +
               std::to_string(counter.fetch_add(1));
        fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd < 0 && errno != EEXIST)
            return failWithErrno(reason);
    }
    if (fd < 0)
        return failWith(reason, "no free temporary name");
    if (hadFile)
        (void)::fchmod(fd, st.st_mode & 07777);

    int error = 0;
    std::size_t done = 0;
    while (!error && done < bytes.size()) {
        ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (n > 0)
            done += static_cast<std::size_t>(n);
        else if (n < 0 && errno == EINTR)
            continue;
        else
            error = n < 0 ? errno : ENOSPC;
    }
    // The data must be on disk before the name points at it, or a crash could leave an
    // empty file.
    if (!error && ::fsync(fd) != 0)
        error = errno;
    if (::close(fd) != 0 && !error)
        error = errno;
    if (!error && ::rename(temp.c_str(), target.c_str()) != 0)
        error = errno;
    if (error) {
        ::unlink(temp.c_str());
        return failWith(reason, std::strerror(error));
    }
    // The rename itself is on disk once the folder is.
    const std::size_t slash = target.rfind('/');
    const std::string folder = slash == std::string::npos ? "." : target.substr(0, slash + 1);
    const int dir = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dir >= 0) {
        (void)::fsync(dir);
        ::close(dir);
    }
    return true;
}

bool readFileBounded(const std::string& file, std::size_t limit, std::string& bytes,
                     std::string& reason) {
    bytes.clear();
    const int fd = ::open(file.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0)
        return failWithErrno(&reason);
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(fd);
        return failWith(&reason, "not a regular file");
    }
    std::string out;
    char buf[65536];
    for (;;) {
        const ssize_t n = ::read(fd, buf, sizeof buf);
        if (n > 0) {
            if (out.size() + std::size_t(n) > limit) {
                ::close(fd);
                return failWith(&reason, "larger than " + std::to_string(limit) + " bytes");
            }
            out.append(buf, std::size_t(n));
        } else if (n == 0) {
            break;
        } else if (errno != EINTR) {
            const int error = errno;
            ::close(fd);
            return failWith(&reason, std::strerror(error));
        }
    }
    ::close(fd);
    bytes = std::move(out);
    return true;
}

int removeStaleTemporaries(const std::string& folder) {
    DIR* dir = ::opendir(folder.c_str());
    if (!dir)
        return 0;
    int removed = 0;
    while (const dirent* entry = ::readdir(dir)) {
        // NAME.tmp.PID.N, as writeFileReplacing names them; nothing else is touched.
        const std::string name = entry->d_name;
        const std::size_t mark = name.rfind(".tmp.");
        if (mark == std::string::npos || mark == 0)
            continue;
        const std::string tail = name.substr(mark + 5);
        const std::size_t dot = tail.find('.');
        if (dot == 0 || dot == std::string::npos || dot + 1 == tail.size() ||
            tail.find_first_not_of("0123456789.") != std::string::npos ||
            tail.find('.', dot + 1) != std::string::npos || dot > 9)
            continue;
        const pid_t pid = pid_t(std::stol(tail.substr(0, dot)));
        // A process of that number still running may be writing it; this one is starting and
        // writes nothing yet.
        if (pid != ::getpid() && (pid <= 0 || ::kill(pid, 0) == 0 || errno != ESRCH))
            continue;
        if (::unlink((folder + "/" + name).c_str()) == 0)
            ++removed;
    }
    ::closedir(dir);
    return removed;
}

void ConfigStore::trim(std::string& text, std::string chars) {
    std::size_t first = text.find_first_not_of(chars);
    if (first == std::string::npos) {
        text.clear();
        return;
    }
    std::size_t last = text.find_last_not_of(chars);
    text = text.substr(first, last - first + 1);
}

bool ConfigStore::loadRecords(std::string file, std::vector<ConfigRecord>& records) {
    records.clear();
    std::string text;
    if (!readWholeFile(file, text))
        return false;

    // Editors on other systems add a byte-order mark or end lines with a bare CR.
    std::size_t pos = 0;
    std::string pending; // comment lines waiting for the next stored line
    std::string current; // the section of the lines that follow
    while (pos < text.size()) {
        std::size_t end = text.find_first_of("\r\n", pos);
        if (end == std::string::npos)
            end = text.size();
        std::string line = text.substr(pos, end - pos);
        pos = end + 1;

        trim(line, kBlank);
        dropLeading(line, false);
        if (line.empty())
            continue;

        ConfigRecord rec;
        if (isMarker(line[0])) {
            if (line.find_first_of("[=") == std::string::npos) {
                pending += line;
                pending += '\n';
                continue;
            }
            // A commented-out setting still counts as a setting; however many markers it
            // has, it is written back without them.
            rec.marker = line[0];
            dropLeading(line, true);
        }

        if (!line.empty() && line[0] == '[') {
            // Without a ']' the rest of the line is the name; a '=' in the name is part of
            // it, so "[Game=1]" stays a section.
            line.erase(0, 1);
            std::size_t close = line.find(']');
            if (close != std::string::npos)
                line.erase(close);
            rec.comments = pending;
            pending.clear();
            rec.section = line;
            current = line;
        } else {
            const std::size_t equals = line.find('=');
            // Neither header nor setting: nothing to keep. Writing it back as an empty
            // header would move every later key of its section into the nameless section.
            if (equals == std::string::npos || equals == 0)
                continue;
            rec.comments = pending;
            pending.clear();
            rec.section = current;
            rec.key = line.substr(0, equals);
            rec.value = line.substr(equals + 1);
        }
        records.push_back(std::move(rec));
    }
    return true;
}

bool ConfigStore::saveRecords(std::string file, const std::vector<ConfigRecord>& records) {
    return writeFileReplacing(file, serialise(records));
}

std::string ConfigStore::getValue(std::string key, std::string section, std::string file) {
    std::vector<ConfigRecord> records;
    if (!loadRecords(file, records))
        return std::string();
    const ConfigRecord* r = findRecord(records, key, section);
    return r ? r->value : std::string();
}

bool ConfigStore::recordExists(std::string key, std::string section, std::string file) {
    std::vector<ConfigRecord> records;
    if (!loadRecords(file, records))
        return true;
    return findRecord(records, key, section) != nullptr;
}

bool ConfigStore::sectionExists(std::string section, std::string file) {
    std::vector<ConfigRecord> records;
    if (!loadRecords(file, records))
        return true;
    return hasSection(records, section);
}

std::vector<ConfigRecord> ConfigStore::getRecords(std::string key, std::string section,
                                                  std::string file) {
    std::vector<ConfigRecord> records;
    if (!loadRecords(file, records))
        return {};
    const ConfigRecord* r = findRecord(records, key, section);
    if (!r)
        return {};
    return {*r};
}

bool ConfigStore::setValue(std::string key, std::string value, std::string section,
                           std::string file) {
    return setValues({{std::move(key), std::move(value), std::move(section)}}, file);
}

bool ConfigStore::setValues(const std::vector<ConfigChange>& changes, std::string file,
                            std::string* reason) {
    for (const ConfigChange& c : changes)
        if (!storable(c))
            return failWith(reason, "a value the file cannot hold as it is");

    std::vector<ConfigRecord> records;
    errno = 0;
    if (!loadRecords(file, records))
        return failWith(reason, file + (errno ? std::string(": ") + std::strerror(errno)
                                              : std::string(" cannot be read")));
    for (const ConfigChange& c : changes)
        applyChange(records, c);
    return writeFileReplacing(file, serialise(records), reason);
}

bool ConfigStore::fileExists(std::string file) {
    int fd = ::open(file.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0)
        return false;
    struct stat st {};
    bool ok = ::fstat(fd, &st) == 0 && S_ISREG(st.st_mode);
    ::close(fd);
    return ok;
}

bool ConfigStore::backupConfigFile(std::string file, std::string backup) {
    std::string bytes;
    if (!readWholeFile(file, bytes))
        return false;
    return writeFileReplacing(backup, bytes);
}

bool restoreConfigBackup(const std::string& file, const std::string& backup) {
    if (!ConfigStore::fileExists(backup))
        return false;
    // rename replaces the old file in one step, so there is never a moment without settings.
    return std::rename(backup.c_str(), file.c_str()) == 0;
}

bool deleteConfigBackup(const std::string& backup) {
    return std::remove(backup.c_str()) == 0 || errno == ENOENT;
}

} // namespace korvane
