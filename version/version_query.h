// Asks the version service for the number of the latest release, for the About window.
// The query blocks its caller, so the game runs it on a worker (VersionQueryTask); every wait
// is bounded all the same: the whole query ends at most about 4 s after it starts, usually 3 s
// at worst, so an abandoned worker never lingers.
#pragma once

#include <cstddef>
#include <string>

namespace korvane {

inline const char* const kConnectionError = "Connection Error";
inline const char* const kVersionPath = "/latestversion.php";

// The HTTP request for the given host text ("host" or "host:port"), without the zero byte
// that is sent after it.
std::string buildVersionRequest(const std::string& hostText);

// The four characters after the first blank line of a response chunk, or kConnectionError
// when the chunk has no blank line or fewer than four characters follow it. Bytes outside
// printable ASCII are shown as '?', so the window never gets a broken text.
std::string extractVersion(const char* data, std::size_t size);

// Splits "host" or "host:port" (also "[v6]:port"); port 80 when none is given. False for an
// empty host or a port that is not a number in 1..65535.
bool parseHostSpec(const std::string& address, std::string& host, std::string& port);

// The whole query against the host address; returns the text to show: a four-character
// version, or kConnectionError. An empty address answers at once without touching the network.
// Numeric addresses are never looked up; a name is resolved with a bounded wait.
std::string queryLatestVersion(const std::string& hostSpec);

// The version service's address: [Game] "VersionHost" of the settings file.
std::string configuredVersionHost(const std::string& configFile = "config.cfg");

// The same with the host taken from [Game] "VersionHost" of the settings file.
std::string queryLatestVersionFromConfig(const std::string& configFile = "config.cfg");

} // namespace korvane
