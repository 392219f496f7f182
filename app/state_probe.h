#pragma once
// The state probe for end-to-end tests: after every rendered frame the game's observable
// state is written to the file named by KORVANE_STATE_FILE. Readers never see a half
// file: the text goes to FILE.tmp, which is then renamed over FILE.

#include <string>

namespace korvane {

class StateProbe {
  public:
    explicit StateProbe(std::string path) : path_(std::move(path)), tmp_(path_ + ".tmp") {}
    bool write(const std::string& text) const;
    const std::string& path() const { return path_; }

  private:
    std::string path_;
    std::string tmp_;
};

} // namespace korvane
