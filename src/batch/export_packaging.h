#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace pellicor {

// Packaging of a finished movie as an executable projector or an HTML page failed: the
// message names the file and the system's reason.
class TPackagingError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// The trailer of a projector: this signature, then the movie size, both 32-bit little-endian.
inline constexpr std::uint32_t kProjectorSignature = 0xFA123456;

// The player stub: "dfp", else "dfp.exe", in the first of `folders` (each ending in "/")
// that holds one; when none does, the path of "dfp" in the first folder, which then names
// the missing stub.
std::string ProjectorStubPath(const std::vector<std::string>& folders);

// Writes `exePath` as the whole stub, the whole movie, the signature and the movie size,
// replacing any existing file only once everything is written. Throws TPackagingError
// naming the stub when it cannot be read (then no executable file is created or changed)
// and when the movie is too big for the 32-bit size field. The executable gets the execute
// permission wherever it is readable.
void MakeExecutable(const std::string& swfPath, const std::string& exePath, const std::string& stubPath);

// `text` with "&", "<", ">" and '"' written as character references, for text and
// attribute values of an HTML page.
std::string EscapeHtml(std::string_view text);

// The eleven lines of the page embedding the movie `movieName` (file name without folder)
// of `width` x `height` pixels, each ended by CR LF. The name is escaped for HTML.
// With a `playerScript` address, the head also loads that script (the Ruffle web player),
// which stands in for the <object>/<embed> pair in browsers without the plug-in; without
// one the page is the plug-in page alone.
std::string HtmlPageText(std::string_view movieName, std::int32_t width, std::int32_t height,
                         std::string_view playerScript = {});

// Saves HtmlPageText for the movie `swfPath` as `swfPath` with extension ".html", replacing
// any existing page. The playing quality is not used: the page always asks for "high".
void MakeHtmlPage(const std::string& swfPath, std::int32_t width, std::int32_t height, std::int32_t playingQuality,
                  std::string_view playerScript = {});

// The folder beside a page that holds its copy of the Ruffle web player, and the address
// of the player's script as such a page names it.
inline constexpr std::string_view kRuffleCopyFolder = "ruffle";
inline constexpr std::string_view kRuffleCopyScript = "ruffle/ruffle.js";

// Copies the Ruffle web player (every file under `ruffleFolder`, which must hold
// "ruffle.js") into the folder "ruffle" of `pageFolder`, each file replaced only when it
// differs in size or is older than its source; returns kRuffleCopyScript. Throws
// TPackagingError naming the file that cannot be read or written.
std::string CopyRufflePlayer(const std::string& ruffleFolder, const std::string& pageFolder);

}  // namespace pellicor
