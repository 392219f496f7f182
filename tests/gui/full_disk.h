// A small file system that is full, for the tests of what a failed write leaves behind: a
// tmpfs mounted over a folder in a mount namespace of the test's own process (which ends with
// it), filled up to the last byte. Needs the super-user; where it cannot be made the test is
// skipped.
#pragma once

#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sched.h>
#include <string>
#include <sys/mount.h>
#include <unistd.h>
#include <vector>

class FullDisk {
  public:
    // Mounts the tmpfs over `folder` (which must exist); `why` says why not when it fails.
    bool mount(const std::string& folder, std::string& why) {
        if (::unshare(CLONE_NEWNS) != 0 ||
            ::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0 ||
            ::mount("tmpfs", folder.c_str(), "tmpfs", 0, "size=256k") != 0) {
            why = std::string("no private tmpfs here: ") + std::strerror(errno);
            return false;
        }
        folder_ = folder;
        return true;
    }
    // Writes a file that takes every byte that is left.
    void fill() {
        const int fd = ::open((folder_ + "/.fill").c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        ASSERT_GE(fd, 0);
        const std::vector<char> block(4096, 'x');
        while (::write(fd, block.data(), block.size()) > 0) {
        }
        // The last page may still take a few bytes.
        while (::write(fd, block.data(), 1) > 0) {
        }
        ::close(fd);
    }
    ~FullDisk() {
        if (!folder_.empty())
            ::umount2(folder_.c_str(), MNT_DETACH);
    }

  private:
    std::string folder_;
};
