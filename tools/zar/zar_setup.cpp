// zar setup: a vendor's installer from the generic setup stub, a product
// description and the folder of files to install. The stub's resources are
// kept; the payload ("ZAR"/119, packed as zar pack packs), the configuration
// ("ZCFG"/120), the version information and, if given, the icon are put in.
#include "archive_input.h"
#include "icon_file.h"
#include "pack_open.h"
#include "pack_scan.h"
#include "pack_steps.h"
#include "pe_resource.h"
#include "product_ini.h"
#include "setup_resources.h"
#include "setup_stub.h"
#include "stub_locate.h"
#include "text_out.h"
#include "zar_commands.h"

#include "setup_config_layout.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

const uint16_t kIconGroupId = 108;

int Fail(const std::string &message)
{
    ReportError(message);
    return 1;
}

// Refuses an output path that is a folder or a symbolic link.
bool CheckOutputPath(const std::string &output, std::string &error)
{
    struct stat st;
    if (lstat(output.c_str(), &st) != 0)
        return true;
    if (S_ISLNK(st.st_mode))
        error = "the output '" + output + "' is a symbolic link; refusing to replace it";
    else if (S_ISDIR(st.st_mode))
        error = "the output '" + output + "' is a folder";
    else if (!S_ISREG(st.st_mode))
        error = "the output '" + output + "' is not a regular file";
    return error.empty();
}

// The name in names that is wanted, compared without regard to case.
std::string Found(const std::vector<std::string> &names, const std::string &wanted)
{
    for (const std::string &name : names) {
        if (name.size() != wanted.size())
            continue;
        bool same = true;
        for (size_t i = 0; i < name.size() && same; i++) {
            char a = name[i], b = wanted[i];
            same = (a >= 'a' && a <= 'z' ? a - 32 : a) == (b >= 'a' && b <= 'z' ? b - 32 : b);
        }
        if (same)
            return name;
    }
    return "";
}

// Replaces every language of type/name with one leaf.
void SetResource(ResourceTree &tree, const ResourceName &type, const ResourceName &name,
                 const ResourceName &language, std::vector<uint8_t> data)
{
    ResourceLanguages &languages = tree[type][name];
    languages.clear();
    languages[language].data = std::move(data);
}

// Writes bytes to output through a temporary file beside it, synced before
// it is renamed into place; nothing is left behind on failure.
bool WriteOutput(const std::string &output, const std::vector<uint8_t> &bytes, std::string &error)
{
    std::string partial;
    FILE *out = CreatePackOutput(output, partial, error);
    if (!out)
        return false;
    bool ok = std::fwrite(bytes.data(), 1, bytes.size(), out) == bytes.size() && std::fflush(out) == 0 &&
              fsync(fileno(out)) == 0;
    int saved = errno;
    if (std::fclose(out) != 0 && ok) {
        ok = false;
        saved = errno;
    }
    if (!ok) {
        error = "cannot write '" + partial + "': " + std::strerror(saved);
        std::remove(partial.c_str());
        return false;
    }
    // Checked again: the output may have become a folder or a link meanwhile.
    if (!CheckOutputPath(output, error) || std::rename(partial.c_str(), output.c_str()) != 0) {
        if (error.empty())
            error = "cannot create '" + output + "': " + std::strerror(errno);
        std::remove(partial.c_str());
        return false;
    }
    std::string::size_type slash = output.rfind('/');
    std::string folder = slash == std::string::npos ? "." : slash == 0 ? "/" : output.substr(0, slash);
    int fd = open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd >= 0) {
        fsync(fd);
        close(fd);
    }
    return true;
}

}   // namespace

int ZarSetup(const SetupOptions &options)
{
    std::string error;
    if (!CheckOutputPath(options.output, error))
        return Fail(error);

    // The product description, every problem at once.
    ProductIni ini;
    std::vector<std::string> problems;
    if (!ParseProductIni(options.productIni, ini, problems)) {
        for (const std::string &problem : problems)
            ReportError(problem);
        return Fail(std::to_string(problems.size()) +
                    " problem(s) in the product description; nothing written");
    }

    // The stub, checked before the long part.
    std::string stubPath = options.stub;
    if (stubPath.empty()) {
        stubPath = FindStub(options.win64, error);
        if (stubPath.empty())
            return Fail(error);
    }
    std::vector<uint8_t> stubBytes;
    if (!ReadWholeFile(stubPath, stubBytes, error))
        return Fail(error);
    SetupStub stub;
    if (!TakeSetupStub(stubPath, std::move(stubBytes), options.win64, stub, error))
        return Fail(error);

    std::vector<IconImage> icon;
    if (!options.icon.empty()) {
        std::vector<uint8_t> iconBytes;
        if (!ReadWholeFile(options.icon, iconBytes, error))
            return Fail(error);
        if (!ParseIconFile(iconBytes, icon, error))
            return Fail("'" + options.icon + "': " + error);
    }

    // The folder: packed as zar pack packs it, the program first, the help
    // file second, for an install directory as long as the proposed one.
    PackOptions pack;
    pack.output = options.output;
    pack.directory = options.directory;
    pack.level = options.level;
    pack.threads = options.threads;
    pack.progress = options.progress;
    pack.dirLength = static_cast<int>(ProposedDirectory(ini).size());
    std::vector<PackEntry> entries;
    if (!CollectPackEntries(pack, entries))
        return 1;
    std::vector<std::string> names;
    for (const PackEntry &entry : entries)
        names.push_back(entry.name);
    CheckProductFiles(ini, names, problems);
    if (!problems.empty()) {
        for (const std::string &problem : problems)
            ReportError(problem);
        return Fail(std::to_string(problems.size()) + " problem(s) found; nothing written");
    }
    pack.first = {Found(names, ini.exeBaseName.text + ".exe"), Found(names, ini.helpFileName.text)};
    if (!OrderPackEntries(entries, pack.first, error))
        return Fail(error);
    if (OutputInsideFolder(options.output, options.directory))
        return Fail("the output '" + options.output + "' lies inside the folder being packed");

    std::vector<uint8_t> payload;
    PackStats stats;
    PackSink sink = [&payload](const uint8_t *bytes, size_t count, std::string &) {
        payload.insert(payload.end(), bytes, bytes + count);
        return true;
    };
    if (!EncodePackRecords(pack, entries, sink, stats, error))
        return Fail(error);

    // The resources: the stub's, with the product's put in.
    ResourceTree &tree = stub.resources;
    SetResource(tree, ResourceName::String("ZAR"), ResourceName::Id(kZarResourceId), stub.language,
                std::move(payload));
    SetResource(tree, ResourceName::String(SETUP_CONFIG_RESOURCE_TYPE),
                ResourceName::Id(kSetupConfigResourceId), stub.language, BuildSetupConfigImage(ini));
    SetResource(tree, ResourceName::Id(kResourceVersion), ResourceName::Id(1), stub.language,
                BuildVersionInfo(ini));
    if (!icon.empty())
        ReplaceIconGroup(tree, kIconGroupId, stub.language, icon);

    const PeSection &rsrc = stub.image.sections[stub.image.resourceSection];
    std::vector<uint8_t> executable;
    if (!WritePeImage(stub.image, BuildResourceSection(tree, rsrc.virtualAddress), executable, error))
        return Fail(error);
    if (!WriteOutput(options.output, executable, error))
        return Fail(error);
    std::printf(
        "%s: setup of %s (%s), %zu files (%u lh5, %u stored), %llu bytes in, payload %llu bytes (%s), "
        "%zu bytes in all\n",
        options.output.c_str(), ini.productName.text.c_str(), options.win64 ? "win64" : "win32",
        entries.size(), stats.compressed, stats.stored, static_cast<unsigned long long>(stats.bytesIn),
        static_cast<unsigned long long>(stats.bytesOut), PackPercent(stats.bytesOut, stats.bytesIn).c_str(),
        executable.size());
    return 0;
}
