#pragma once

// How a projector plays the movie it carries: with a desktop Ruffle when one is on the
// PATH, else in the default browser with the Ruffle web player.

#include <optional>
#include <string>
#include <string_view>

namespace pellicor::projector {

// The full path of the executable `name` in the first folder of `searchPath` (a PATH
// value) that holds one; empty entries stand for the current folder.
std::optional<std::string> FindProgram(std::string_view name, std::string_view searchPath);

// Runs `program` with `argument` and waits for it; its exit status (128 + signal when a
// signal ended it). Throws std::runtime_error when it cannot be started.
int RunAndWait(const std::string& program, const std::string& argument);

// `bytes` in base64 (RFC 4648, with padding).
std::string Base64(std::string_view bytes);

// A page that plays `movie` (the whole SWF file, carried inside the page so that the browser
// needs no file access) with the Ruffle web player from `playerScript`, filling the window.
std::string BrowserPageText(std::string_view movieName, std::string_view movie, std::string_view playerScript);

}  // namespace pellicor::projector
