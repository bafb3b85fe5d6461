// zar: builds, lists, checks and unpacks the payload archives that the setup
// program carries (raw archives or built setup executables).
#include "safe_name.h"
#include "text_out.h"
#include "zar_commands.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

const char kHelp[] = "usage: zar list FILE\n"
                     "       zar test FILE\n"
                     "       zar extract [--into] FILE DIR\n"
                     "       zar pack -o OUT DIR [--first RELPATH]... [--dir-length N]\n"
                     "                [--best] [--threads N]\n"
                     "       zar setup -o OUT.exe [--win64] [--icon FILE.ico] [--stub FILE]\n"
                     "                 [--fast|--best] [--threads N] PRODUCT.ini FOLDER\n"
                     "       zar --help\n"
                     "\n"
                     "Payload archives are what the setup program unpacks: a run of records, one\n"
                     "per file, each stored or compressed with lh5. FILE may be a raw archive or a\n"
                     "built setup executable (PE32 or PE32+; it starts with \"MZ\"), whose archive\n"
                     "is read from its resource of type \"ZAR\", name 119.\n"
                     "\n"
                     "  list     One line per record: method (lh5, stored), packed size, unpacked\n"
                     "           size, name. Fails, naming the offset, at an invalid record.\n"
                     "  test     Decodes every record the way the setup program does, writing\n"
                     "           nothing. Succeeds only if every record decodes, every name is one\n"
                     "           the setup program writes (see extract), and the archive ends\n"
                     "           exactly after its last record.\n"
                     "  extract  Writes every record below DIR, which it creates (backslashes\n"
                     "           in names become folders). An existing DIR is refused unless it is\n"
                     "           an empty folder of the user running zar (not a symbolic link);\n"
                     "           --into extracts into an existing DIR as it is. Names the setup\n"
                     "           program would refuse (a ':' anywhere, a leading backslash, '/',\n"
                     "           empty components, ones of dots and blanks only or ending in a\n"
                     "           dot or a blank, Windows device names such as NUL or com1.txt,\n"
                     "           control characters) stop the extraction, and\n"
                     "           symbolic links below DIR are never followed. On a failure the\n"
                     "           failing record's partial file is removed; files written before\n"
                     "           it stay.\n"
                     "  pack     Packs every regular file below DIR into OUT. Files named with\n"
                     "           --first come first, in the order given (RELPATH relative to DIR,\n"
                     "           '/' or '\\' between components); all others follow in byte order of\n"
                     "           their names. Each file is lh5-compressed unless that would not make\n"
                     "           it smaller, then it is stored. Empty folders, symbolic links and\n"
                     "           special files are not packed. The same input gives the same bytes.\n"
                     "           Refused, before anything is written: names the setup program\n"
                     "           would refuse (see extract), characters Windows does not allow\n"
                     "           (<>:\"|?* and control characters), non-ASCII bytes, components\n"
                     "           ending in a dot or space or named like a device (CON, NUL, COM1...),\n"
                     "           names differing only in case, files over 4 GiB - 1 bytes, and names\n"
                     "           whose installed path would exceed 253 characters.\n"
                     "           Each file is read only if it is still the regular file the scan\n"
                     "           found: one replaced meanwhile (by a link, a FIFO, another file) or\n"
                     "           reached through a folder that became a link stops the pack.\n"
                     "  -o OUT           Output archive (written whole to a new file beside it,\n"
                     "                   OUT.partial or, when that name is taken, OUT.partial.N,\n"
                     "                   then renamed into place).\n"
                     "  --fast           The default level: each file is compressed in pieces of\n"
                     "                   1 MiB, with shorter match searches and one cost-driven\n"
                     "                   pass per block; some 0.5 % larger than --best, several\n"
                     "                   times faster.\n"
                     "  --best           The exhaustive level: each file as a whole, longer match\n"
                     "                   searches, up to three cost-driven passes per block.\n"
                     "  --threads N      Threads compressing files and pieces at the same time\n"
                     "                   (1 to 256; default: one per processor). The archive is\n"
                     "                   the same whatever N: for a given level, the same input\n"
                     "                   always gives the same bytes.\n"
                     "  --dir-length N   Length of the install directory assumed for the path\n"
                     "                   limit, without its final backslash (default 27, the\n"
                     "                   length of \"c:\\program files\\VarnikPlus\").\n"
                     "\n"
                     "  setup    Makes a vendor's installer: the generic setup stub with FOLDER\n"
                     "           packed into it (as pack packs it: exeBaseName.exe first,\n"
                     "           helpFileName second; names checked for an install directory as\n"
                     "           long as defaultParentDir\\folderName), the configuration that\n"
                     "           PRODUCT.ini describes (resource \"ZCFG\" 120) and version\n"
                     "           information from it (version, company, productName, titleText,\n"
                     "           copyrightYear: when left out, the year of SOURCE_DATE_EPOCH or\n"
                     "           else the current one). Every problem in PRODUCT.ini is shown as\n"
                     "           FILE:LINE: reason (line 0 for a missing key): unknown, duplicate\n"
                     "           or missing keys, empty or too long values, text outside printable\n"
                     "           ASCII, numbers that are not integers, a version not of the form\n"
                     "           1.2.3.4 (each number up to 65535), a copyrightYear not of four\n"
                     "           digits, not exactly 7 templateStyle values, a fileCount below 1 or\n"
                     "           other than the number of files in FOLDER, exeBaseName.exe or\n"
                     "           helpFileName not in FOLDER. The stub's other resources (dialog,\n"
                     "           manifest, icon) are kept. The same inputs give the same bytes.\n"
                     "           Nothing is written on any error.\n"
                     "    --win64        Make a 64-bit installer from the 64-bit stub.\n"
                     "    --icon FILE    Replace the stub's icon (group 108) with FILE, an .ico\n"
                     "                   holding at least a 32x32 and a 16x16 image.\n"
                     "    --stub FILE    The stub to start from (default: beside zar,\n"
                     "                   ../lib/zar/stub-win32.exe then stub-win32.exe, or\n"
                     "                   stub-win64.exe with --win64). A stub must carry the mark\n"
                     "                   \"ZSTUB\" 1 of configuration layout 1, be unsigned, have\n"
                     "                   no data after its sections and no payload yet.\n"
                     "    --fast, --best, --threads N\n"
                     "                   As for pack; --best is setup's default level.\n"
                     "    OUT.exe is written whole beside itself and renamed into place; a folder\n"
                     "    or a symbolic link at OUT.exe is refused.\n"
                     "\n"
                     "Names from an archive or a packed folder are shown with each control\n"
                     "character, DEL and non-ASCII byte as \\xNN (and a backslash before an 'x'\n"
                     "as \\x5C), so '\\x' in a shown name always starts such an escape.\n"
                     "\n"
                     "Exit status: 0 success, 1 failure (a one-line reason on stderr), 2 usage.\n";

int Usage(const std::string &problem)
{
    ReportError(problem);
    std::fprintf(stderr, "usage: zar list|test FILE | zar extract [--into] FILE DIR | "
                         "zar pack -o OUT DIR [--first RELPATH]... [--dir-length N] [--best] [--threads N] | "
                         "zar setup -o OUT.exe [--win64] [--icon FILE.ico] [--stub FILE] [--fast|--best] "
                         "[--threads N] PRODUCT.ini FOLDER\n"
                         "Try 'zar --help'.\n");
    return 2;
}

bool ParseLength(const char *text, int &value)
{
    char *end = nullptr;
    errno = 0;
    long parsed = std::strtol(text, &end, 10);
    if (errno != 0 || end == text || *end != '\0' || parsed < 0 || parsed >= kInstallPathLimit)
        return false;
    value = static_cast<int>(parsed);
    return true;
}

bool ParseThreads(const char *text, int &value)
{
    char *end = nullptr;
    errno = 0;
    long parsed = std::strtol(text, &end, 10);
    if (errno != 0 || end == text || *end != '\0' || parsed < 1 || parsed > 256)
        return false;
    value = static_cast<int>(parsed);
    return true;
}

// An option's value, given as OPTION=VALUE or as OPTION VALUE (the next
// argument, which i then steps over). False when argv[i] is not that option
// or its value is missing.
bool OptionValue(int argc, char **argv, int &i, const std::string &option, std::string &out)
{
    const std::string arg = argv[i];
    if (arg.size() > option.size() && arg.compare(0, option.size() + 1, option + "=") == 0) {
        out = arg.substr(option.size() + 1);
        return true;
    }
    if (arg == option && i + 1 < argc) {
        out = argv[++i];
        return true;
    }
    return false;
}

int Pack(int argc, char **argv)
{
    PackOptions options;
    options.progress = isatty(2) != 0;
    for (int i = 2; i < argc; i++) {
        std::string arg = argv[i];
        auto value = [&](const std::string &option, std::string &out) {
            return OptionValue(argc, argv, i, option, out);
        };
        std::string text;
        if (value("-o", text) || value("--output", text)) {
            if (!options.output.empty())
                return Usage("pack: -o given twice");
            options.output = text;
        } else if (value("--first", text)) {
            options.first.push_back(text);
        } else if (value("--dir-length", text)) {
            if (!ParseLength(text.c_str(), options.dirLength))
                return Usage("pack: --dir-length wants a number from 0 to 252, not '" + text + "'");
        } else if (value("--threads", text)) {
            if (!ParseThreads(text.c_str(), options.threads))
                return Usage("pack: --threads wants a number from 1 to 256, not '" + text + "'");
        } else if (arg == "--best") {
            options.level = Lh5Level::kBest;
        } else if (arg == "--fast") {
            options.level = Lh5Level::kFast;
        } else if (!arg.empty() && arg[0] == '-') {
            return Usage("pack: unknown or incomplete option '" + arg + "'");
        } else if (options.directory.empty()) {
            options.directory = arg;
        } else {
            return Usage("pack: only one folder can be packed");
        }
    }
    if (options.output.empty())
        return Usage("pack: no output file (-o OUT)");
    if (options.directory.empty())
        return Usage("pack: no folder to pack");
    return ZarPack(options);
}

int Setup(int argc, char **argv)
{
    SetupOptions options;
    options.progress = isatty(2) != 0;
    std::vector<std::string> operands;
    for (int i = 2; i < argc; i++) {
        std::string arg = argv[i];
        auto value = [&](const std::string &option, std::string &out) {
            return OptionValue(argc, argv, i, option, out);
        };
        std::string text;
        auto once = [&](std::string &slot, const char *name) {
            if (!slot.empty())
                return Usage(std::string("setup: ") + name + " given twice");
            if (text.empty())
                return Usage(std::string("setup: ") + name + " wants a file name");
            slot = text;
            return 0;
        };
        int problem = 0;
        if (value("-o", text) || value("--output", text)) {
            problem = once(options.output, "-o");
        } else if (value("--icon", text)) {
            problem = once(options.icon, "--icon");
        } else if (value("--stub", text)) {
            problem = once(options.stub, "--stub");
        } else if (value("--threads", text)) {
            if (!ParseThreads(text.c_str(), options.threads))
                return Usage("setup: --threads wants a number from 1 to 256, not '" + text + "'");
        } else if (arg == "--win64") {
            options.win64 = true;
        } else if (arg == "--best") {
            options.level = Lh5Level::kBest;
        } else if (arg == "--fast") {
            options.level = Lh5Level::kFast;
        } else if (arg == "--") {
            for (i++; i < argc; i++)
                operands.push_back(argv[i]);
        } else if (!arg.empty() && arg[0] == '-') {
            return Usage("setup: unknown or incomplete option '" + arg + "'");
        } else {
            operands.push_back(arg);
        }
        if (problem)
            return problem;
    }
    if (options.output.empty())
        return Usage("setup: no output file (-o OUT.exe)");
    if (operands.size() != 2)
        return Usage("setup wants PRODUCT.ini and FOLDER");
    options.productIni = operands[0];
    options.directory = operands[1];
    return ZarSetup(options);
}

}   // namespace

int main(int argc, char **argv)
{
    if (argc < 2)
        return Usage("no command given");
    std::string command = argv[1];
    if (command == "--help" || command == "-h" || command == "help") {
        std::fputs(kHelp, stdout);
        return 0;
    }
    if (command == "list" || command == "test") {
        if (argc != 3)
            return Usage(command + " wants one FILE");
        return command == "list" ? ZarList(argv[2]) : ZarTest(argv[2]);
    }
    if (command == "extract") {
        const int into = argc > 2 && std::string(argv[2]) == "--into";
        if (argc != 4 + into)
            return Usage("extract wants [--into] FILE and DIR");
        return ZarExtract(argv[2 + into], argv[3 + into], into);
    }
    if (command == "pack")
        return Pack(argc, argv);
    if (command == "setup")
        return Setup(argc, argv);
    return Usage("unknown command '" + command + "'");
}
