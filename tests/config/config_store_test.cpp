#include "config_store.h"
#include "file_replace.h"

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include "temp_dir.h"

using korvane::ConfigRecord;
using korvane::ConfigStore;

namespace {

class ConfigStoreTest : public ::testing::Test {
  protected:
    TempDir dir;
    std::string cfg = dir.file("config.cfg");
};

TEST_F(ConfigStoreTest, ReadsSectionsKeysAndTheLastLineWithoutBreak) {
    writeFile(cfg, "[Video]\nRS=OpenGL\nW=1024\n\n[Game]\nLang=Cesky\nPlayerName=Jan Novak");
    EXPECT_EQ(ConfigStore::getValue("RS", "Video", cfg), "OpenGL");
    EXPECT_EQ(ConfigStore::getValue("W", "Video", cfg), "1024");
    EXPECT_EQ(ConfigStore::getValue("Lang", "Game", cfg), "Cesky");
    EXPECT_EQ(ConfigStore::getValue("PlayerName", "Game", cfg), "Jan Novak");
    // Section and key are both part of the lookup, exact and case-sensitive.
    EXPECT_EQ(ConfigStore::getValue("RS", "Game", cfg), "");
    EXPECT_EQ(ConfigStore::getValue("rs", "Video", cfg), "");
    EXPECT_EQ(ConfigStore::getValue("W", "video", cfg), "");
    EXPECT_TRUE(ConfigStore::recordExists("Lang", "Game", cfg));
    EXPECT_FALSE(ConfigStore::recordExists("Lang", "Video", cfg));
    EXPECT_TRUE(ConfigStore::sectionExists("Game", cfg));
    EXPECT_FALSE(ConfigStore::sectionExists("Audio", cfg));
}

TEST_F(ConfigStoreTest, CrLfFileReadsLikeLf) {
    writeFile(cfg, "[Video]\r\nRS=OpenGL\r\nFS=No\r\n[Game]\r\nSounds=true\r\n");
    EXPECT_EQ(ConfigStore::getValue("RS", "Video", cfg), "OpenGL");
    EXPECT_EQ(ConfigStore::getValue("FS", "Video", cfg), "No");
    EXPECT_EQ(ConfigStore::getValue("Sounds", "Game", cfg), "true");
    ASSERT_TRUE(ConfigStore::setValue("FS", "Yes", "Video", cfg));
    EXPECT_EQ(readFile(cfg), "[Video]\nRS=OpenGL\nFS=Yes\n[Game]\nSounds=true\n");
}

// Files from other editors: a byte-order mark and old Mac line ends.
TEST_F(ConfigStoreTest, ByteOrderMarkAndCrOnlyLineEndsRead) {
    for (const std::string text : {"\xEF\xBB\xBF[Video]\nRS=OpenGL\n[Game]\nLang=Cesky\n",
                                   "[Video]\rRS=OpenGL\r[Game]\rLang=Cesky\r",
                                   "\xEF\xBB\xBF[Video]\rRS=OpenGL\r\n[Game]\nLang=Cesky"}) {
        writeFile(cfg, text);
        EXPECT_EQ(ConfigStore::getValue("RS", "Video", cfg), "OpenGL");
        EXPECT_EQ(ConfigStore::getValue("Lang", "Game", cfg), "Cesky");
        ASSERT_TRUE(ConfigStore::setValue("Lang", "English", "Game", cfg));
        EXPECT_EQ(readFile(cfg), "[Video]\nRS=OpenGL\n[Game]\nLang=English\n");
    }
}

TEST_F(ConfigStoreTest, SpacesAroundEqualsStayInKeyAndValue) {
    writeFile(cfg, "[Video]\nShadows = true\n  W=800  \n");
    EXPECT_EQ(ConfigStore::getValue("Shadows", "Video", cfg), "");
    EXPECT_EQ(ConfigStore::getValue("Shadows ", "Video", cfg), " true");
    // Only the line's ends are trimmed.
    EXPECT_EQ(ConfigStore::getValue("W", "Video", cfg), "800");
}

TEST_F(ConfigStoreTest, DuplicateKeyFirstOneWinsAndOnlyItChanges) {
    writeFile(cfg, "[Game]\nLang=English\nLang=Cesky\n");
    EXPECT_EQ(ConfigStore::getValue("Lang", "Game", cfg), "English");
    auto recs = ConfigStore::getRecords("Lang", "Game", cfg);
    ASSERT_EQ(recs.size(), 1u);
    EXPECT_EQ(recs[0].value, "English");
    ASSERT_TRUE(ConfigStore::setValue("Lang", "Deutsch", "Game", cfg));
    EXPECT_EQ(readFile(cfg), "[Game]\nLang=Deutsch\nLang=Cesky\n");
    EXPECT_TRUE(ConfigStore::getRecords("Nope", "Game", cfg).empty());
}

TEST_F(ConfigStoreTest, SetValuePlacesNewKeyAfterHeaderAndNewSectionAtEnd) {
    writeFile(cfg, "[Video]\nRS=OpenGL\nW=1024\n[Game]\nLang=English\n");
    ASSERT_TRUE(ConfigStore::setValue("AA", "2", "Video", cfg));
    EXPECT_EQ(readFile(cfg), "[Video]\nAA=2\nRS=OpenGL\nW=1024\n[Game]\nLang=English\n");
    ASSERT_TRUE(ConfigStore::setValue("Volume", "7", "Audio", cfg));
    EXPECT_EQ(readFile(cfg),
              "[Video]\nAA=2\nRS=OpenGL\nW=1024\n[Game]\nLang=English\n[Audio]\nVolume=7\n");
    EXPECT_EQ(ConfigStore::getValue("Volume", "Audio", cfg), "7");
    // A new key in the last section goes after its header too, not after its last key.
    ASSERT_TRUE(ConfigStore::setValue("LastIP", "127.0.0.1", "Game", cfg));
    EXPECT_EQ(ConfigStore::getValue("LastIP", "Game", cfg), "127.0.0.1");
    EXPECT_NE(readFile(cfg).find("[Game]\nLastIP=127.0.0.1\nLang=English\n"), std::string::npos);
}

TEST_F(ConfigStoreTest, CommentsStayBeforeTheirLineAndTrailingOnesAreDropped) {
    writeFile(cfg, "# Korvane settings\n[Game]\nLang=English\n\n; display\n; options\n[Video]\n"
                   "RS=OpenGL\n# trailing note\n");
    std::vector<ConfigRecord> recs;
    ASSERT_TRUE(ConfigStore::loadRecords(cfg, recs));
    ASSERT_EQ(recs.size(), 4u);
    EXPECT_EQ(recs[0].comments, "# Korvane settings\n");
    EXPECT_EQ(recs[2].section, "Video");
    EXPECT_EQ(recs[2].comments, "; display\n; options\n");
    ASSERT_TRUE(ConfigStore::setValue("W", "800", "Video", cfg));
    EXPECT_EQ(readFile(cfg), "# Korvane settings\n[Game]\nLang=English\n; display\n; options\n"
                             "[Video]\nW=800\nRS=OpenGL\n");
}

TEST_F(ConfigStoreTest, MarkedLinesReadAndWriteBackUnmarked) {
    writeFile(cfg, "#[Game]\n#FlipView=true\n; Sounds = false\n");
    std::vector<ConfigRecord> recs;
    ASSERT_TRUE(ConfigStore::loadRecords(cfg, recs));
    ASSERT_EQ(recs.size(), 3u);
    EXPECT_EQ(recs[0].marker, '#');
    EXPECT_EQ(recs[0].section, "Game");
    EXPECT_EQ(recs[1].marker, '#');
    EXPECT_EQ(recs[2].marker, ';');
    EXPECT_EQ(ConfigStore::getValue("FlipView", "Game", cfg), "true");
    EXPECT_EQ(ConfigStore::getValue("Sounds ", "Game", cfg), " false");
    ASSERT_TRUE(ConfigStore::setValue("Lang", "English", "Game", cfg));
    EXPECT_EQ(readFile(cfg), "[Game]\nLang=English\nFlipView=true\nSounds = false\n");
}

TEST_F(ConfigStoreTest, OddLinesNeitherFailNorLoseTheirNeighbours) {
    // A header missing its ']' names the rest of the line; stray text is left out; a '['
    // inside a value stays in the value.
    writeFile(cfg, "[Video\nW=800\n[Game]\njust words\nPlayerName=[CZ] Jan\nLang=Cesky\n");
    EXPECT_EQ(ConfigStore::getValue("W", "Video", cfg), "800");
    EXPECT_EQ(ConfigStore::getValue("PlayerName", "Game", cfg), "[CZ] Jan");
    ASSERT_TRUE(ConfigStore::setValue("H", "600", "Video", cfg));
    // Written twice more: the keys stay in their sections.
    ASSERT_TRUE(ConfigStore::setValue("Sounds", "true", "Game", cfg));
    ASSERT_TRUE(ConfigStore::setValue("Sounds", "false", "Game", cfg));
    EXPECT_EQ(readFile(cfg), "[Video]\nH=600\nW=800\n[Game]\nSounds=false\n"
                             "PlayerName=[CZ] Jan\nLang=Cesky\n");
    EXPECT_EQ(ConfigStore::getValue("Lang", "Game", cfg), "Cesky");
}

TEST_F(ConfigStoreTest, KeysBeforeAnyHeaderBelongToTheNamelessSection) {
    writeFile(cfg, "Top=1\n[Game]\nLang=English\n");
    EXPECT_EQ(ConfigStore::getValue("Top", "", cfg), "1");
    EXPECT_EQ(ConfigStore::getValue("Top", "Game", cfg), "");
}

TEST_F(ConfigStoreTest, MissingFileReadsEmptyAndIsNeverCreated) {
    EXPECT_EQ(ConfigStore::getValue("RS", "Video", cfg), "");
    EXPECT_TRUE(ConfigStore::recordExists("RS", "Video", cfg));
    EXPECT_TRUE(ConfigStore::sectionExists("Video", cfg));
    EXPECT_TRUE(ConfigStore::getRecords("RS", "Video", cfg).empty());
    EXPECT_FALSE(ConfigStore::fileExists(cfg));
    std::vector<ConfigRecord> recs(3);
    EXPECT_FALSE(ConfigStore::loadRecords(cfg, recs));
    EXPECT_TRUE(recs.empty());
    EXPECT_FALSE(ConfigStore::setValue("RS", "OpenGL", "Video", cfg));
    EXPECT_FALSE(std::filesystem::exists(cfg));
    // A folder of that name is not a settings file.
    std::filesystem::create_directory(cfg);
    EXPECT_FALSE(ConfigStore::fileExists(cfg));
    EXPECT_FALSE(ConfigStore::setValue("RS", "OpenGL", "Video", cfg));
}

// Opening a FIFO for reading would wait for a writer forever.
TEST_F(ConfigStoreTest, FifoIsUnreadableAtOnceAndNeverReplaced) {
    ASSERT_EQ(::mkfifo(cfg.c_str(), 0644), 0);
    EXPECT_FALSE(ConfigStore::fileExists(cfg));
    std::vector<ConfigRecord> recs;
    EXPECT_FALSE(ConfigStore::loadRecords(cfg, recs));
    EXPECT_EQ(ConfigStore::getValue("RS", "Video", cfg), "");
    EXPECT_FALSE(ConfigStore::setValue("RS", "OpenGL", "Video", cfg));
    EXPECT_FALSE(ConfigStore::backupConfigFile(cfg, dir.file("backup.cfg")));
    struct stat st {};
    ASSERT_EQ(::stat(cfg.c_str(), &st), 0);
    EXPECT_TRUE(S_ISFIFO(st.st_mode));
}

TEST_F(ConfigStoreTest, SetValuesChangesAllOrNothing) {
    writeFile(cfg, "[Video]\nRS=OpenGL\n");
    EXPECT_FALSE(ConfigStore::setValues({{"W", "800", "Video"}, {"Bad", "a\nb", "Game"}}, cfg));
    EXPECT_EQ(readFile(cfg), "[Video]\nRS=OpenGL\n");
    ASSERT_TRUE(ConfigStore::setValues(
        {{"W", "800", "Video"}, {"H", "600", "Video"}, {"Lang", "Cesky", "Game"}}, cfg));
    EXPECT_EQ(readFile(cfg), "[Video]\nH=600\nW=800\nRS=OpenGL\n[Game]\nLang=Cesky\n");
}

TEST_F(ConfigStoreTest, UnwritableFileMakesSetValueFailAndStaysUnchanged) {
    const std::string original = "[Video]\nRS=OpenGL\n";
    if (::geteuid() != 0) {
        writeFile(cfg, original);
        ::chmod(cfg.c_str(), 0444);
        EXPECT_FALSE(ConfigStore::setValue("RS", "Direct3D9", "Video", cfg));
        EXPECT_EQ(readFile(cfg), original);
        ::chmod(cfg.c_str(), 0644);
    }
    // Readable but not writable even for the super-user: no temporary file can be made there.
    ASSERT_TRUE(ConfigStore::fileExists("/proc/version"));
    EXPECT_FALSE(ConfigStore::setValue("RS", "OpenGL", "Video", "/proc/version"));
    EXPECT_FALSE(ConfigStore::saveRecords("/proc/version", {}));
}

TEST_F(ConfigStoreTest, LineBreaksInTextsAreRefusedInsteadOfCorruptingTheFile) {
    writeFile(cfg, "[Game]\nPlayerName=Jan\n");
    EXPECT_FALSE(ConfigStore::setValue("PlayerName", "Eve\n[Video]\nRS=Evil", "Game", cfg));
    EXPECT_FALSE(ConfigStore::setValue("PlayerName", "Eve\rX", "Game", cfg));
    EXPECT_FALSE(ConfigStore::setValue("Player=Name", "x", "Game", cfg));
    EXPECT_EQ(readFile(cfg), "[Game]\nPlayerName=Jan\n");
}

TEST_F(ConfigStoreTest, RewriteLeavesNoTemporaryFilesAndKeepsPermissions) {
    writeFile(cfg, "[Game]\nLang=English\n");
    ::chmod(cfg.c_str(), 0640);
    ASSERT_TRUE(ConfigStore::setValue("Lang", "Cesky", "Game", cfg));
    struct stat st {};
    ASSERT_EQ(::stat(cfg.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0640u);
    int entries = 0;
    for (const auto& e : std::filesystem::directory_iterator(dir.path())) {
        (void)e;
        ++entries;
    }
    EXPECT_EQ(entries, 1);
}

TEST_F(ConfigStoreTest, SymlinkedSettingsFileKeepsTheLink) {
    std::string real = dir.file("real.cfg");
    writeFile(real, "[Game]\nLang=English\n");
    std::filesystem::create_symlink(real, cfg);
    ASSERT_TRUE(ConfigStore::setValue("Lang", "Cesky", "Game", cfg));
    EXPECT_TRUE(std::filesystem::is_symlink(cfg));
    EXPECT_EQ(readFile(real), "[Game]\nLang=Cesky\n");
}

TEST_F(ConfigStoreTest, BackupIsByteForByteAndRestoreAndDeleteWork) {
    std::string backup = dir.file("config_backup.cfg");
    // CR LF, no final line break, a zero byte and a non-ASCII name: copied untouched.
    const char raw[] = "[Game]\r\nPlayerName=Ji\xc5\x99\xc3\xad\r\nX=a\0b\r\n# end";
    const std::string bytes(raw, sizeof raw - 1);
    writeFile(cfg, bytes);
    writeFile(backup, "stale and longer than what replaces it ..................\n");
    ASSERT_TRUE(ConfigStore::backupConfigFile(cfg, backup));
    EXPECT_EQ(readFile(backup), bytes);
    EXPECT_EQ(std::filesystem::file_size(backup), bytes.size());

    writeFile(cfg, "[Video]\nRS=Broken\n");
    ASSERT_TRUE(korvane::restoreConfigBackup(cfg, backup));
    EXPECT_EQ(readFile(cfg), bytes);
    EXPECT_FALSE(std::filesystem::exists(backup));
    EXPECT_FALSE(korvane::restoreConfigBackup(cfg, backup));
    EXPECT_EQ(readFile(cfg), bytes);

    ASSERT_TRUE(ConfigStore::backupConfigFile(cfg, backup));
    EXPECT_TRUE(korvane::deleteConfigBackup(backup));
    EXPECT_FALSE(std::filesystem::exists(backup));
    EXPECT_TRUE(korvane::deleteConfigBackup(backup));
    EXPECT_FALSE(ConfigStore::backupConfigFile(dir.file("none.cfg"), backup));
    EXPECT_FALSE(std::filesystem::exists(backup));
}

TEST(ConfigTrim, RemovesOnlyTheGivenCharactersAtBothEnds) {
    std::string s = " \t x y \r\n";
    ConfigStore::trim(s);
    EXPECT_EQ(s, "x y");
    s = "--a-b--";
    ConfigStore::trim(s, "-");
    EXPECT_EQ(s, "a-b");
    s = " \r\n\t";
    ConfigStore::trim(s);
    EXPECT_EQ(s, "");
}

} // namespace

TEST(ReadFileBounded, ReadErrorsAndOddFilesAreRefusalsWithTheReason) {
    TempDir dir;
    std::string bytes = "stale", reason;
    // Reported as regular files of size 0, and failing at the first read.
    EXPECT_FALSE(korvane::readFileBounded("/proc/self/mem", 1 << 20, bytes, reason));
    EXPECT_EQ(reason, std::strerror(EIO));
    EXPECT_TRUE(bytes.empty());
    // A file of /proc also reports size 0 but has text: the bound holds all the same.
    EXPECT_FALSE(korvane::readFileBounded("/proc/self/maps", 16, bytes, reason));
    EXPECT_EQ(reason, "larger than 16 bytes");
    ASSERT_EQ(::mkfifo(dir.file("fifo").c_str(), 0600), 0);
    EXPECT_FALSE(korvane::readFileBounded(dir.file("fifo"), 100, bytes, reason));
    EXPECT_EQ(reason, "not a regular file");
    EXPECT_FALSE(korvane::readFileBounded(dir.file("none"), 100, bytes, reason));
    EXPECT_EQ(reason, std::strerror(ENOENT));
    writeFile(dir.file("game.pgn"), "1. e4 *\n");
    EXPECT_TRUE(korvane::readFileBounded(dir.file("game.pgn"), 8, bytes, reason));
    EXPECT_EQ(bytes, "1. e4 *\n");
    EXPECT_FALSE(korvane::readFileBounded(dir.file("game.pgn"), 7, bytes, reason));
}

TEST(WriteFileReplacing, SaysWhyItWroteNothing) {
    TempDir dir;
    std::string reason;
    EXPECT_FALSE(korvane::writeFileReplacing(dir.file("none/x.pgn"), "x", &reason));
    EXPECT_EQ(reason, std::strerror(ENOENT));
    std::filesystem::create_directory(dir.file("folder"));
    EXPECT_FALSE(korvane::writeFileReplacing(dir.file("folder"), "x", &reason));
    EXPECT_EQ(reason, "not a regular file");
    EXPECT_FALSE(
        ConfigStore::setValues({{"Lang", "Cesky", "Game"}}, dir.file("none.cfg"), &reason));
    EXPECT_NE(reason.find(std::strerror(ENOENT)), std::string::npos) << reason;
}

TEST(StaleTemporaries, ThoseOfEndedProcessesGoTheRestStay) {
    TempDir dir;
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0)
        ::_exit(0);
    ::waitpid(child, nullptr, 0);
    const std::string dead = "config_backup.cfg.tmp." + std::to_string(child) + ".0";
    const std::string alive = "config.cfg.tmp." + std::to_string(::getppid()) + ".3";
    const std::vector<std::string> others = {"config.cfg", "notes.tmp.txt", "x.tmp.12", "x.tmp.a.1",
                                             ".tmp.1.2"};
    for (const std::string& name : others)
        writeFile(dir.file(name), "keep");
    writeFile(dir.file(dead), "half");
    writeFile(dir.file(alive), "being written");
    EXPECT_EQ(korvane::removeStaleTemporaries(dir.path()), 1);
    EXPECT_FALSE(std::filesystem::exists(dir.file(dead)));
    EXPECT_TRUE(std::filesystem::exists(dir.file(alive)));
    for (const std::string& name : others)
        EXPECT_TRUE(std::filesystem::exists(dir.file(name))) << name;
}
