// libFuzzer target for the settings file. Input: the bytes of a "config.cfg". Whatever they
// hold, a load, save and reload keeps every record and a second save writes the same bytes;
// the same lines read alike with a byte-order mark or with CRLF or CR line ends; and a setting
// made from the same bytes is either refused with the file untouched or reads back with every
// other record as it was.
#include "config_store.h"

#include <fuzzer/FuzzedDataProvider.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <stdlib.h>
#include <string>
#include <unistd.h>
#include <vector>

using namespace korvane;

namespace {

std::string folder;
std::string file;

void removeFolder() {
    // The store's temporary files are renamed into place or unlinked, so only ours is left.
    ::unlink(file.c_str());
    ::rmdir(folder.c_str());
}

std::string shown(const std::string& text) {
    std::string out = "\"";
    for (char ch : text) {
        const unsigned char c = static_cast<unsigned char>(ch);
        if (c >= 0x20 && c < 0x7f && c != '"' && c != '\\') {
            out += static_cast<char>(c);
        } else {
            char hex[8];
            std::snprintf(hex, sizeof hex, "\\x%02x", c);
            out += hex;
        }
    }
    return out + "\"";
}

void dump(const char* name, const std::vector<ConfigRecord>& records) {
    std::fprintf(stderr, "%s (%zu records):\n", name, records.size());
    for (const ConfigRecord& r : records)
        std::fprintf(stderr, "  comments=%s section=%s key=%s value=%s\n",
                     shown(r.comments).c_str(), shown(r.section).c_str(), shown(r.key).c_str(),
                     shown(r.value).c_str());
}

[[noreturn]] void fail(const char* what) {
    std::fprintf(stderr, "config_fuzz: %s\n", what);
    // abort skips the atexit clean-up, and /dev/shm outlives the run.
    removeFolder();
    std::abort();
}

void writeBytes(const std::string& bytes) {
    std::FILE* f = std::fopen(file.c_str(), "wb");
    if (!f || std::fwrite(bytes.data(), 1, bytes.size(), f) != bytes.size() || std::fclose(f) != 0)
        fail("cannot write the input file");
}

std::string readBytes() {
    std::string bytes;
    std::FILE* f = std::fopen(file.c_str(), "rb");
    if (!f)
        fail("cannot read the file back");
    char buf[4096];
    std::size_t n;
    while ((n = std::fread(buf, 1, sizeof buf, f)) > 0)
        bytes.append(buf, n);
    std::fclose(f);
    return bytes;
}

// The marker is left out: it is documented as never written back.
bool same(const ConfigRecord& a, const ConfigRecord& b) {
    return a.comments == b.comments && a.section == b.section && a.key == b.key &&
           a.value == b.value;
}

bool same(const std::vector<ConfigRecord>& a, const std::vector<ConfigRecord>& b) {
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (!same(a[i], b[i]))
            return false;
    return true;
}

void expectSame(const std::vector<ConfigRecord>& expected, const std::vector<ConfigRecord>& got,
                const char* what) {
    if (same(expected, got))
        return;
    dump("expected", expected);
    dump("got", got);
    fail(what);
}

std::vector<ConfigRecord> loadFrom(const std::string& bytes) {
    writeBytes(bytes);
    std::vector<ConfigRecord> records;
    if (!ConfigStore::loadRecords(file, records))
        fail("a readable regular file did not load");
    return records;
}

std::string replaced(const std::string& text, char from, const std::string& to) {
    std::string out;
    for (char c : text) {
        if (c == from)
            out += to;
        else
            out += c;
    }
    return out;
}

// Texts any settings file must be able to hold: the game's own keys, sections and values look
// like this.
bool plain(const std::string& text) {
    for (char c : text)
        if (!((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
              c == ' ' || c == '_' || c == '.' || c == ',' || c == ':' || c == '-'))
            return false;
    return text.empty() || (text.front() != ' ' && text.back() != ' ');
}

constexpr std::size_t kNone = static_cast<std::size_t>(-1);

std::size_t findRecord(const std::vector<ConfigRecord>& records, const std::string& section,
                       const std::string& key) {
    for (std::size_t i = 0; i < records.size(); ++i)
        if (records[i].section == section && records[i].key == key)
            return i;
    return kNone;
}

void checkSetting(const std::uint8_t* data, std::size_t size,
                  const std::vector<ConfigRecord>& before, const std::string& saved) {
    // Integers come from the end of the input, texts from its start, so the file's own
    // bytes steer the setting too.
    FuzzedDataProvider provider(data, size);
    const std::uint8_t choice = provider.ConsumeIntegral<std::uint8_t>();
    const std::size_t pick = provider.ConsumeIntegral<std::uint16_t>();
    std::string section = provider.ConsumeRandomLengthString(24);
    std::string key = provider.ConsumeRandomLengthString(24);
    const std::string value = provider.ConsumeRandomLengthString(48);
    // Existing keys and sections take the paths that change a line or insert into a section.
    if (!before.empty() && choice % 3 != 2) {
        const ConfigRecord& r = before[pick % before.size()];
        section = r.section;
        if (choice % 3 == 0 && !r.key.empty())
            key = r.key;
    }

    const bool ok = ConfigStore::setValue(key, value, section, file);
    const std::string texts = section + key + value;
    const bool mustRefuse = key.empty() || key.find('=') != std::string::npos ||
                            texts.find_first_of("\r\n") != std::string::npos;
    if (ok && mustRefuse)
        fail("setValue took an empty key, a key with '=' or a line break");
    if (!ok && !mustRefuse && plain(section) && plain(key) && plain(value))
        fail("setValue refused a plain setting");
    if (!ok) {
        if (readBytes() != saved)
            fail("a refused setValue changed the file");
        return;
    }

    const auto report = [&](const char* what, const std::vector<ConfigRecord>& after) {
        std::fprintf(stderr, "setValue(key=%s, value=%s, section=%s)\n", shown(key).c_str(),
                     shown(value).c_str(), shown(section).c_str());
        dump("before", before);
        dump("after", after);
        fail(what);
    };
    std::vector<ConfigRecord> after;
    if (!ConfigStore::loadRecords(file, after))
        fail("the file did not load after setValue");
    if (ConfigStore::getValue(key, section, file) != value)
        report("getValue does not return the value setValue stored", after);
    const std::size_t at = findRecord(after, section, key);
    if (at == kNone)
        report("the stored setting is not a record of its section and key", after);

    // Without the setting (and the header written for a new section) the rest is as before.
    std::vector<ConfigRecord> restBefore = before;
    std::vector<ConfigRecord> restAfter = after;
    const std::size_t old = findRecord(before, section, key);
    if (old != kNone) {
        if (after[at].comments != before[old].comments)
            report("the changed line lost its comments", after);
        restBefore.erase(restBefore.begin() + static_cast<std::ptrdiff_t>(old));
    }
    restAfter.erase(restAfter.begin() + static_cast<std::ptrdiff_t>(at));
    bool newSection = true;
    for (const ConfigRecord& r : before)
        newSection = newSection && r.section != section;
    if (newSection && at > 0 && after[at - 1].key.empty() && after[at - 1].section == section)
        restAfter.erase(restAfter.begin() + static_cast<std::ptrdiff_t>(at) - 1);
    if (!same(restBefore, restAfter))
        report("setValue changed other records", after);
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    // Every query re-reads the file and every change rewrites it (with fsync): memory-backed
    // storage keeps the runs fast.
    char templ[] = "/dev/shm/korvane-config-fuzz-XXXXXX";
    char fallback[] = "/tmp/korvane-config-fuzz-XXXXXX";
    const char* made = ::mkdtemp(templ);
    if (!made)
        made = ::mkdtemp(fallback);
    if (!made)
        fail("cannot make a scratch folder");
    folder = made;
    file = folder + "/config.cfg";
    std::atexit(removeFolder);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string bytes(reinterpret_cast<const char*>(data), size);
    const std::vector<ConfigRecord> first = loadFrom(bytes);

    // Files written by other editors say the same.
    const std::string bom = "\xEF\xBB\xBF";
    if (bytes.compare(0, 3, bom) != 0)
        expectSame(first, loadFrom(bom + bytes), "a byte-order mark changed what the file says");
    if (bytes.find('\r') == std::string::npos) {
        expectSame(first, loadFrom(replaced(bytes, '\n', "\r\n")),
                   "CRLF line ends changed what the file says");
        expectSame(first, loadFrom(replaced(bytes, '\n', "\r")),
                   "CR line ends changed what the file says");
    }

    if (!ConfigStore::saveRecords(file, first))
        fail("saveRecords failed");
    const std::string saved = readBytes();
    std::vector<ConfigRecord> second;
    if (!ConfigStore::loadRecords(file, second))
        fail("the saved file did not load");
    expectSame(first, second, "a saved file reads back different records");
    if (!ConfigStore::saveRecords(file, second))
        fail("saveRecords failed");
    if (readBytes() != saved)
        fail("saving the reloaded records wrote different bytes");

    checkSetting(data, size, second, saved);
    return 0;
}
