#include "imaging/portable/CliArguments.h"

namespace tovane::cli {

namespace {

ParseResult Fail(std::string message) {
    ParseResult r;
    r.Error = std::move(message);
    return r;
}

} // namespace

const char* UsageText() {
    return "usage:\n"
           "  tovane-cli plugins [--plugins DIR] [--in-process]\n"
           "  tovane-cli decode [--memory] [--plugins DIR] [--in-process] FILE OUT.bmp\n"
           "  tovane-cli decode --entry NAME [--plugins DIR] [--in-process] ARCHIVE OUT.bmp\n"
           "  tovane-cli entries [--plugins DIR] [--in-process] ARCHIVE\n"
           "  entries: the archive's picture entries in slideshow order, one a line\n"
           "  --in-process: run the plug-ins in this process, not in the decoding host\n";
}

ParseResult ParseCommandLine(const std::vector<std::string>& args) {
    if (args.empty())
        return Fail("no command given");
    ParseResult result;
    Command& c = result.Value;
    const std::string& verb = args[0];
    if (verb == "plugins")
        c.Kind = CommandKind::Plugins;
    else if (verb == "decode")
        c.Kind = CommandKind::Decode;
    else if (verb == "entries")
        c.Kind = CommandKind::Entries;
    else if (verb == "help" || verb == "--help" || verb == "-h")
        return result;
    else
        return Fail("unknown command: " + verb);

    std::vector<std::string> positional;
    bool optionsEnded = false;
    for (std::size_t i = 1; i < args.size(); ++i) {
        const std::string& a = args[i];
        if (optionsEnded || a.size() < 2 || a[0] != '-') {
            positional.push_back(a);
        } else if (a == "--") {
            optionsEnded = true;
        } else if (a == "--memory" && c.Kind == CommandKind::Decode) {
            c.FromMemory = true;
        } else if (a == "--entry" && c.Kind == CommandKind::Decode) {
            if (i + 1 >= args.size() || args[i + 1].empty())
                return Fail("--entry needs an entry's name");
            c.Entry = args[++i];
        } else if (a == "--in-process") {
            c.InProcess = true;
        } else if (a == "--plugins") {
            if (i + 1 >= args.size() || args[i + 1].empty())
                return Fail("--plugins needs a folder");
            c.PluginFolder = args[++i];
        } else {
            return Fail("unknown option: " + a);
        }
    }

    if (c.Kind == CommandKind::Plugins) {
        if (!positional.empty())
            return Fail("plugins takes no file names");
    } else if (c.Kind == CommandKind::Entries) {
        if (positional.size() != 1)
            return Fail("entries needs ARCHIVE");
        c.Input = positional[0];
    } else {
        if (c.FromMemory && !c.Entry.empty())
            return Fail("--memory and --entry do not go together");
        if (positional.size() != 2)
            return Fail("decode needs FILE and OUT.bmp");
        c.Input = positional[0];
        c.Output = positional[1];
    }
    return result;
}

} // namespace tovane::cli
