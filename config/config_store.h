// The settings file "config.cfg": an INI-like text of [sections] and key=value lines.
// The store keeps nothing between calls; every query re-reads the file and every change
// rewrites it, so the file on disk is always the one truth.
#pragma once

#include <string>
#include <vector>

namespace korvane {

inline const char* const kConfigFile = "config.cfg";
inline const char* const kConfigBackupFile = "config_backup.cfg";

// One stored line of the file, in file order.
struct ConfigRecord {
    std::string comments; // comment lines that stood before this line, each ending in '\n'
    char marker = ' ';    // '#' or ';' when the line was marked; never written back
    std::string section;  // for a header line: its own name
    std::string key;      // empty for a header line
    std::string value;    // empty for a header line
};

// One setting to store: its key, value and section.
struct ConfigChange {
    std::string key;
    std::string value;
    std::string section;
};

class ConfigStore {
  public:
    // Value of the first record with this section and key; empty when there is none or the
    // file cannot be read.
    static std::string getValue(std::string key, std::string section, std::string file);

    // Changes the first matching key, or adds it right after the section's header, or adds
    // the section with the key at the end. False when the file cannot be read (nothing is
    // created), cannot be rewritten, or a text could not be read back the same (a line
    // break, a key that is empty, holds '=', starts with '[', '#' or ';' or has blanks at an
    // end, a value ending in blanks, a section name holding ']').
    static bool setValue(std::string key, std::string value, std::string section, std::string file);

    // Applies the changes in order, as that many setValue calls would, but reads and rewrites
    // the file once: a kill part-way leaves either all old or all new values. False, with the
    // file untouched, when any change is refused or the file cannot be read or rewritten;
    // `reason`, when given, then says why (a full disk: "No space left on device").
    static bool setValues(const std::vector<ConfigChange>& changes, std::string file,
                          std::string* reason = nullptr);

    // Both answer true when the file cannot be read, so callers fall back to "present".
    static bool recordExists(std::string key, std::string section, std::string file);
    static bool sectionExists(std::string section, std::string file);

    // The first matching record, or an empty list.
    static std::vector<ConfigRecord> getRecords(std::string key, std::string section,
                                                std::string file);

    // Whole-file read and write. loadRecords clears the list first. saveRecords replaces the
    // file through a temporary file in the same folder, so an interrupted write never leaves
    // a half-written settings file behind.
    static bool loadRecords(std::string file, std::vector<ConfigRecord>& records);
    static bool saveRecords(std::string file, const std::vector<ConfigRecord>& records);

    // Removes the given characters from both ends of the text.
    static void trim(std::string& text, std::string chars = " \t\r\n");

    // The file is a regular file that can be opened for reading.
    static bool fileExists(std::string file);

    // Byte-for-byte copy of the settings file onto the backup name, replacing any old copy.
    static bool backupConfigFile(std::string file = kConfigFile,
                                 std::string backup = kConfigBackupFile);
};

// Puts the backup back in place of the settings file (the backup name is gone afterwards).
// False when there is no backup or it cannot be moved.
bool restoreConfigBackup(const std::string& file = kConfigFile,
                         const std::string& backup = kConfigBackupFile);

// Deletes the backup; true when no backup remains.
bool deleteConfigBackup(const std::string& backup = kConfigBackupFile);

} // namespace korvane
