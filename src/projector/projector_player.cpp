#include "projector/projector_player.h"

#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <stdexcept>

#include "batch/export_packaging.h"

extern char** environ;

namespace pellicor::projector {

namespace {

bool IsExecutableFile(const std::string& path) {
    struct stat info {};
    return stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode) && access(path.c_str(), X_OK) == 0;
}

// Text for a JavaScript string literal inside a script element.
std::string JavaScriptString(std::string_view text) {
    std::string quoted = "\"";
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (c == '"' || c == '\\') {
            quoted += '\\';
            quoted += c;
        } else if (c == '<' || byte < 0x20) {
            // "<" keeps "</script>" out of the literal.
            char escape[7];
            std::snprintf(escape, sizeof escape, "\\x%02x", byte);
            quoted += escape;
        } else {
            quoted += c;
        }
    }
    return quoted + "\"";
}

}  // namespace

std::optional<std::string> FindProgram(std::string_view name, std::string_view searchPath) {
    std::size_t start = 0;
    while (start <= searchPath.size()) {
        std::size_t end = searchPath.find(':', start);
        if (end == std::string_view::npos) end = searchPath.size();
        std::string folder(searchPath.substr(start, end - start));
        if (folder.empty()) folder = ".";
        const std::string candidate = folder + "/" + std::string(name);
        if (IsExecutableFile(candidate)) return candidate;
        start = end + 1;
    }
    return std::nullopt;
}

int RunAndWait(const std::string& program, const std::string& argument) {
    std::string programCopy = program;
    std::string argumentCopy = argument;
    char* argv[] = {programCopy.data(), argumentCopy.data(), nullptr};
    pid_t child = 0;
    const int error = posix_spawn(&child, program.c_str(), nullptr, nullptr, argv, environ);
    if (error != 0) throw std::runtime_error("Cannot start \"" + program + "\": " + std::strerror(error));
    int status = 0;
    while (waitpid(child, &status, 0) < 0) {
        if (errno != EINTR) throw std::runtime_error("Lost \"" + program + "\": " + std::strerror(errno));
    }
    if (WIFSIGNALED(status)) return 128 + WTERMSIG(status);
    return WIFEXITED(status) ? WEXITSTATUS(status) : 1;
}

std::string Base64(std::string_view bytes) {
    static constexpr char kDigits[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    std::string text;
    text.reserve((bytes.size() + 2) / 3 * 4);
    std::size_t i = 0;
    for (; i + 3 <= bytes.size(); i += 3) {
        const std::uint32_t group = static_cast<unsigned char>(bytes[i]) << 16 |
                                    static_cast<unsigned char>(bytes[i + 1]) << 8 |
                                    static_cast<unsigned char>(bytes[i + 2]);
        for (int shift = 18; shift >= 0; shift -= 6) text += kDigits[(group >> shift) & 0x3F];
    }
    const std::size_t rest = bytes.size() - i;
    if (rest > 0) {
        std::uint32_t group = static_cast<unsigned char>(bytes[i]) << 16;
        if (rest == 2) group |= static_cast<unsigned char>(bytes[i + 1]) << 8;
        text += kDigits[(group >> 18) & 0x3F];
        text += kDigits[(group >> 12) & 0x3F];
        text += rest == 2 ? kDigits[(group >> 6) & 0x3F] : '=';
        text += '=';
    }
    return text;
}

std::string BrowserPageText(std::string_view movieName, std::string_view movie, std::string_view playerScript) {
    const std::string title = EscapeHtml(movieName);
    std::string page;
    page += "<!DOCTYPE html>\n<html>\n<head>\n<meta charset=\"utf-8\">\n";
    page += "<title>" + title + "</title>\n";
    page += "<script src=\"" + EscapeHtml(playerScript) + "\"></script>\n";
    page += "<style>html, body { margin: 0; height: 100%; background: #000; }\n"
            "#player { width: 100%; height: 100%; }</style>\n";
    page += "</head>\n<body>\n<div id=\"player\"></div>\n<script>\n";
    page += "const movieName = " + JavaScriptString(movieName) + ";\n";
    page += "const movie = Uint8Array.from(atob(\"" + Base64(movie) + "\"), c => c.charCodeAt(0));\n";
    page += "window.addEventListener(\"load\", () => {\n"
            "  const player = window.RufflePlayer.newest().createPlayer();\n"
            "  player.style.width = \"100%\";\n"
            "  player.style.height = \"100%\";\n"
            "  document.getElementById(\"player\").appendChild(player);\n"
            "  const api = typeof player.ruffle === \"function\" ? player.ruffle() : player;\n"
            "  api.load({ data: movie, swfFileName: movieName });\n"
            "});\n";
    page += "</script>\n</body>\n</html>\n";
    return page;
}

}  // namespace pellicor::projector
