#include "synthetic_stub.h"

#include "test_data.h"

#include <algorithm>

namespace {

void Put16(std::vector<uint8_t> &b, size_t at, uint32_t v)
{
    if (b.size() < at + 2)
        b.resize(at + 2);
    b[at] = static_cast<uint8_t>(v);
    b[at + 1] = static_cast<uint8_t>(v >> 8);
}

void Put32(std::vector<uint8_t> &b, size_t at, uint32_t v)
{
    Put16(b, at, v & 0xFFFF);
    Put16(b, at + 2, v >> 16);
}

void Put64(std::vector<uint8_t> &b, size_t at, uint64_t v)
{
    Put32(b, at, static_cast<uint32_t>(v));
    Put32(b, at + 4, static_cast<uint32_t>(v >> 32));
}

uint32_t Align(uint32_t v, uint32_t a)
{
    return (v + a - 1) / a * a;
}

std::vector<uint8_t> AsBytes(const std::string &text)
{
    return std::vector<uint8_t>(text.begin(), text.end());
}

bool Same(const StubName &a, const StubName &b)
{
    return a.text == b.text && a.id == b.id;
}

// The resource section for resources at rva, written in a layout of its own
// (directories, strings, data entries, data; entries in the order given).
std::vector<uint8_t> ResourceSection(const std::vector<StubResource> &resources, uint32_t rva)
{
    std::vector<StubName> types;
    for (const StubResource &r : resources)
        if (std::none_of(types.begin(), types.end(), [&](const StubName &t) { return Same(t, r.type); }))
            types.push_back(r.type);
    struct Dir {
        bool leaves = false;                                // the language level: entries lead to resources
        std::vector<std::pair<StubName, size_t>> entries;   // name, index of child dir or resource
    };
    // Root, then each type, then each (type, name).
    std::vector<Dir> dirs(1);
    std::vector<size_t> leafOf;
    for (const StubName &type : types) {
        size_t typeDir = dirs.size();
        dirs.push_back(Dir());
        dirs[0].entries.push_back({type, typeDir});
        std::vector<StubName> names;
        for (const StubResource &r : resources)
            if (Same(r.type, type) &&
                std::none_of(names.begin(), names.end(), [&](const StubName &n) { return Same(n, r.name); }))
                names.push_back(r.name);
        for (const StubName &name : names) {
            size_t nameDir = dirs.size();
            dirs.push_back(Dir());
            dirs[nameDir].leaves = true;
            dirs[typeDir].entries.push_back({name, nameDir});
            for (size_t i = 0; i < resources.size(); i++)
                if (Same(resources[i].type, type) && Same(resources[i].name, name))
                    dirs[nameDir].entries.push_back({StubName{"", resources[i].language}, i});
        }
    }
    std::vector<size_t> dirAt;
    size_t at = 0;
    for (const Dir &d : dirs) {
        dirAt.push_back(at);
        at += 16 + 8 * d.entries.size();
    }
    std::vector<uint8_t> out(at, 0);
    auto putString = [&](const std::string &text) {
        size_t offset = out.size();
        Put16(out, offset, static_cast<uint32_t>(text.size()));
        for (size_t i = 0; i < text.size(); i++)
            Put16(out, offset + 2 + 2 * i, static_cast<unsigned char>(text[i]));
        return offset;
    };
    std::vector<size_t> entryAt(resources.size());
    for (size_t d = 0; d < dirs.size(); d++) {
        bool leafLevel = dirs[d].leaves;
        size_t named = 0, ids = 0;
        for (size_t e = 0; e < dirs[d].entries.size(); e++) {
            const auto &[name, child] = dirs[d].entries[e];
            size_t field = dirAt[d] + 16 + 8 * e;
            if (!name.text.empty()) {
                named++;
                Put32(out, field, 0x80000000u | static_cast<uint32_t>(putString(name.text)));
            } else {
                ids++;
                Put32(out, field, name.id);
            }
            if (!leafLevel)
                Put32(out, field + 4, 0x80000000u | static_cast<uint32_t>(dirAt[child]));
            else
                entryAt[child] = field + 4;   // filled in below
        }
        Put32(out, dirAt[d] + 4, 0x12345678);   // a time stamp, which zar writes as 0
        Put16(out, dirAt[d] + 12, static_cast<uint32_t>(named));
        Put16(out, dirAt[d] + 14, static_cast<uint32_t>(ids));
    }
    out.resize(Align(static_cast<uint32_t>(out.size()), 4));
    std::vector<size_t> dataEntry(resources.size());
    for (size_t i = 0; i < resources.size(); i++) {
        dataEntry[i] = out.size();
        out.resize(out.size() + 16);
        Put32(out, entryAt[i], static_cast<uint32_t>(dataEntry[i]));
    }
    for (size_t i = 0; i < resources.size(); i++) {
        out.resize(Align(static_cast<uint32_t>(out.size()), 4));
        Put32(out, dataEntry[i], rva + static_cast<uint32_t>(out.size()));
        Put32(out, dataEntry[i] + 4, static_cast<uint32_t>(resources[i].data.size()));
        out.insert(out.end(), resources[i].data.begin(), resources[i].data.end());
    }
    return out;
}

}   // namespace

std::vector<uint8_t> IconDib(int size, uint8_t colour)
{
    // BITMAPINFOHEADER, 16-colour palette, 4-bit pixels, 1-bit mask.
    std::vector<uint8_t> dib(40, 0);
    Put32(dib, 0, 40);
    Put32(dib, 4, static_cast<uint32_t>(size));
    Put32(dib, 8, static_cast<uint32_t>(2 * size));
    Put16(dib, 12, 1);
    Put16(dib, 14, 4);
    for (int i = 0; i < 16; i++) {
        dib.push_back(static_cast<uint8_t>(i * 16));
        dib.push_back(static_cast<uint8_t>(255 - i * 16));
        dib.push_back(static_cast<uint8_t>(i * 8));
        dib.push_back(0);
    }
    size_t pixelRow = static_cast<size_t>(Align(static_cast<uint32_t>(size) / 2, 4));
    size_t maskRow = static_cast<size_t>(Align(static_cast<uint32_t>((size + 7) / 8), 4));
    dib.insert(dib.end(), pixelRow * static_cast<size_t>(size), static_cast<uint8_t>(colour << 4 | colour));
    dib.insert(dib.end(), maskRow * static_cast<size_t>(size), 0);
    return dib;
}

std::vector<uint8_t> IcoFile(const std::vector<int> &sizes)
{
    std::vector<uint8_t> ico;
    Put16(ico, 0, 0);
    Put16(ico, 2, 1);
    Put16(ico, 4, static_cast<uint32_t>(sizes.size()));
    std::vector<std::vector<uint8_t>> images;
    for (size_t i = 0; i < sizes.size(); i++)
        images.push_back(IconDib(sizes[i], static_cast<uint8_t>(i + 3)));
    size_t offset = 6 + 16 * sizes.size();
    ico.resize(offset);
    for (size_t i = 0; i < sizes.size(); i++) {
        size_t e = 6 + 16 * i;
        ico[e] = static_cast<uint8_t>(sizes[i] >= 256 ? 0 : sizes[i]);
        ico[e + 1] = ico[e];
        ico[e + 2] = 16;
        Put16(ico, e + 4, 1);
        Put16(ico, e + 6, 4);
        Put32(ico, e + 8, static_cast<uint32_t>(images[i].size()));
        Put32(ico, e + 12, static_cast<uint32_t>(offset));
        offset += images[i].size();
    }
    for (const auto &image : images)
        ico.insert(ico.end(), image.begin(), image.end());
    return ico;
}

std::vector<StubResource> StubResources(uint32_t markVersion)
{
    std::vector<uint8_t> mark = AsBytes("ZCFG");
    mark.resize(8);
    Put32(mark, 4, markVersion);
    std::vector<uint8_t> group;
    Put16(group, 0, 0);
    Put16(group, 2, 1);
    Put16(group, 4, 2);
    std::vector<uint8_t> icon32 = IconDib(32, 1), icon16 = IconDib(16, 2);
    const std::pair<int, const std::vector<uint8_t> *> images[] = {{32, &icon32}, {16, &icon16}};
    for (size_t i = 0; i < 2; i++) {
        size_t e = 6 + 14 * i;
        group.resize(e + 14);
        group[e] = group[e + 1] = static_cast<uint8_t>(images[i].first);
        group[e + 2] = 16;
        Put16(group, e + 4, 1);
        Put16(group, e + 6, 4);
        Put32(group, e + 8, static_cast<uint32_t>(images[i].second->size()));
        Put16(group, e + 12, static_cast<uint32_t>(i + 1));
    }
    return {
        {{"ZSTUB", 0}, {"", 1}, 0x409, mark},
        {{"", 24}, {"", 1}, 0x409, AsBytes("<assembly manifestVersion=\"1.0\"/>")},
        {{"", 5}, {"", 110}, 0x409, AsBytes("dialog template 110 of the synthetic stub")},
        {{"", 3}, {"", 2}, 0x409, icon16},
        {{"", 3}, {"", 1}, 0x409, icon32},
        {{"", 3}, {"", 7}, 0x409, IconDib(48, 5)},
        {{"", 14}, {"", 108}, 0x409, group},
        {{"AAA", 0}, {"NAMED", 0}, 0x409, AsBytes("a named resource of a named type")},
    };
}

StubImage BuildStub(bool win64, const std::vector<StubResource> &resources)
{
    StubImage stub;
    const uint32_t fileAlign = 0x200, sectionAlign = 0x1000;
    const uint32_t optionalSize = win64 ? 240 : 224;
    stub.imageBase = win64 ? 0x140000000ull : 0x400000;
    std::vector<uint8_t> &b = stub.bytes;
    b.assign(0x200, 0);
    b[0] = 'M';
    b[1] = 'Z';
    Put32(b, 0x3C, 0x40);
    b[0x40] = 'P';
    b[0x41] = 'E';
    const size_t coff = 0x44;
    Put16(b, coff, win64 ? 0x8664 : 0x14C);
    Put16(b, coff + 2, 4);
    Put16(b, coff + 16, optionalSize);
    Put16(b, coff + 18, win64 ? 0x0022 : 0x0102);
    stub.optional = coff + 20;
    const size_t o = stub.optional;
    Put16(b, o, win64 ? 0x20B : 0x10B);
    Put32(b, o + 16, 0x1000);   // AddressOfEntryPoint
    Put32(b, o + 20, 0x1000);   // BaseOfCode
    if (win64)
        Put64(b, o + 24, stub.imageBase);
    else
        Put32(b, o + 28, static_cast<uint32_t>(stub.imageBase));
    Put32(b, o + 32, sectionAlign);
    Put32(b, o + 36, fileAlign);
    Put16(b, o + 40, 4);       // operating system 4.0
    Put16(b, o + 48, 4);       // subsystem 4.0
    Put32(b, o + 60, 0x200);   // SizeOfHeaders
    Put16(b, o + 68, 2);       // GUI
    Put16(b, o + 70, 0x40);    // dynamic base
    const size_t counts = win64 ? 108 : 92;
    if (win64) {
        Put64(b, o + 72, 0x100000);
        Put64(b, o + 80, 0x1000);
        Put64(b, o + 88, 0x100000);
        Put64(b, o + 96, 0x1000);
    } else {
        Put32(b, o + 72, 0x100000);
        Put32(b, o + 76, 0x1000);
        Put32(b, o + 80, 0x100000);
        Put32(b, o + 84, 0x1000);
    }
    Put32(b, o + counts, 16);
    const size_t directories = o + counts + 4;
    stub.sectionTable = o + optionalSize;

    // .text: "ret", then at 0x10 the absolute address of 0x1000 (relocated).
    std::vector<uint8_t> text(fileAlign, 0);
    text[0] = 0xC3;
    stub.pointerRva = 0x1010;
    if (win64)
        Put64(text, 0x10, stub.imageBase + 0x1000);
    else
        Put32(text, 0x10, static_cast<uint32_t>(stub.imageBase + 0x1000));
    stub.rsrcRva = 0x3000;
    std::vector<uint8_t> rsrc = ResourceSection(resources, stub.rsrcRva);
    const uint32_t rsrcSize = static_cast<uint32_t>(rsrc.size());
    stub.relocRva = stub.rsrcRva + Align(rsrcSize, sectionAlign);
    // One block for the .text page: the pointer, and an empty entry to pad.
    std::vector<uint8_t> &reloc = stub.reloc;
    Put32(reloc, 0, 0x1000);
    Put32(reloc, 4, 12);
    Put16(reloc, 8, (win64 ? 10u : 3u) << 12 | 0x10);
    Put16(reloc, 10, 0);
    const uint32_t relocSize = static_cast<uint32_t>(reloc.size());
    reloc.resize(fileAlign, 0);

    struct S {
        const char *name;
        uint32_t rva, vsize;
        const std::vector<uint8_t> *data;
        uint32_t flags;
    };
    const std::vector<uint8_t> none;
    const S sections[] = {
        {".text", 0x1000, 0x20, &text, 0x60000020},
        {".bss", 0x2000, 0x180, &none, 0xC0000080},   // memory only, as MinGW's
        {".rsrc", stub.rsrcRva, rsrcSize, &rsrc, 0x40000040},
        {".reloc", stub.relocRva, relocSize, &reloc, 0x42000040},
    };
    uint32_t raw = 0x200, initialized = 0;
    for (size_t i = 0; i < 4; i++) {
        const S &s = sections[i];
        size_t h = stub.sectionTable + 40 * i;
        for (int k = 0; s.name[k]; k++)
            b[h + k] = static_cast<uint8_t>(s.name[k]);
        uint32_t rawSize = Align(static_cast<uint32_t>(s.data->size()), fileAlign);
        Put32(b, h + 8, s.vsize);
        Put32(b, h + 12, s.rva);
        Put32(b, h + 16, rawSize);
        Put32(b, h + 20, rawSize ? raw : 0);
        Put32(b, h + 36, s.flags);
        b.resize(raw + rawSize, 0);
        std::copy(s.data->begin(), s.data->end(), b.begin() + raw);
        raw += rawSize;
        if (s.flags & 0x40)
            initialized += rawSize;
    }
    Put32(b, o + 4, 0x200);   // SizeOfCode
    Put32(b, o + 8, initialized);
    Put32(b, o + 56, stub.relocRva + sectionAlign);   // SizeOfImage
    Put32(b, directories + 8 * 2, stub.rsrcRva);
    Put32(b, directories + 8 * 2 + 4, rsrcSize);
    Put32(b, directories + 8 * 5, stub.relocRva);
    Put32(b, directories + 8 * 5 + 4, relocSize);
    stub.reloc.resize(relocSize);
    return stub;
}

std::string ProductIniText(int fileCount)
{
    return "; A product for the zar setup tests.\n"
           "\n"
           "[Product]\n"
           "titleText=Orbit Studio 7\n"
           "productName=Orbit Studio\n"
           "folderName=Orbit\n"
           "exeBaseName=orbit\n"
           "helpFileName=orbit.chm\n"
           "helpShortcutName=Orbit Studio Help.lnk\n"
           "defaultParentDir=c:\\apps\n"
           "version=7.1.2\n"
           "company=Orbit Works\n"
           "copyrightYear=2025\n"
           "\n"
           "[Options]\n"
           "desktopIcon=1\n"
           "registerUninstall=1\n"
           "uninstallSwitch=/remove\n"
           "uninstallIconIndex=2\n"
           "createHelpShortcut=0\n"
           "\n"
           "[Payload]\n"
           "fileCount=" +
           std::to_string(fileCount) +
           "\n"
           "templateStyle=Glass\n"
           "templateStyle=Paper\n"
           "templateStyle=Neon\n"
           "templateStyle=Slate\n"
           "templateStyle=Chalk\n"
           "templateStyle=Ink\n"
           "templateStyle=Frost\n";
}

std::map<std::string, std::vector<uint8_t>> ProductFiles(int count)
{
    std::map<std::string, std::vector<uint8_t>> files;
    files["orbit.exe"] = RandomBytes(3000, 11);
    files["orbit.chm"] = TextBytes(5000, 12);
    for (int i = 2; i < count; i++)
        files["templates/Glass/part" + std::to_string(i) + ".txt"] =
            TextBytes(static_cast<size_t>(200 * i), static_cast<uint32_t>(i));
    return files;
}
