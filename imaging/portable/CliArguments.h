// The command line of the console tool:
//   tovane-cli plugins [--plugins DIR] [--in-process]
//   tovane-cli decode [--memory] [--plugins DIR] [--in-process] FILE OUT.bmp
//   tovane-cli decode --entry NAME [--plugins DIR] [--in-process] ARCHIVE OUT.bmp
//   tovane-cli entries [--plugins DIR] [--in-process] ARCHIVE
// Options may stand anywhere after the command; "--" ends them.
#pragma once

#include <string>
#include <vector>

namespace tovane::cli {

enum class CommandKind { Help, Plugins, Decode, Entries };

struct Command {
    CommandKind Kind = CommandKind::Help;
    bool FromMemory = false;  // decode: read the file into a memory stream first
    bool InProcess = false;   // plug-ins run in this process, not in the decoding host
    std::string PluginFolder; // empty: the program's default plug-in locations
    std::string Input;        // decode: the picture file (or the archive); entries: the archive
    std::string Entry;        // decode --entry: the entry's path inside the archive
    std::string Output;       // decode: the bitmap file to write
};

struct ParseResult {
    Command Value;
    std::string Error; // empty on success
};

// Arguments without the program name.
ParseResult ParseCommandLine(const std::vector<std::string>& args);

// The usage text printed for "help" and after an error.
const char* UsageText();

} // namespace tovane::cli
