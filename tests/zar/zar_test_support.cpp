#include "zar_test_support.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <stdexcept>
#include <sys/wait.h>
#include <unistd.h>

namespace fs = std::filesystem;

ScratchDir::ScratchDir()
{
    std::string pattern = (fs::temp_directory_path() / "zar-test-XXXXXX").string();
    if (!mkdtemp(pattern.data()))
        throw std::runtime_error("mkdtemp failed");
    path = pattern;
}

ScratchDir::~ScratchDir()
{
    std::error_code ignored;
    fs::remove_all(path, ignored);
}

void WriteBytes(const std::string &path, const std::vector<uint8_t> &bytes)
{
    fs::create_directories(fs::path(path).parent_path());
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char *>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    if (!out)
        throw std::runtime_error("cannot write " + path);
}

void WriteText(const std::string &path, const std::string &text)
{
    WriteBytes(path, std::vector<uint8_t>(text.begin(), text.end()));
}

std::vector<uint8_t> ReadBytes(const std::string &path)
{
    std::ifstream in(path, std::ios::binary);
    if (!in)
        throw std::runtime_error("cannot read " + path);
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

bool Exists(const std::string &path)
{
    std::error_code error;
    return fs::symlink_status(path, error).type() != fs::file_type::not_found && !error;
}

std::vector<std::string> ListTree(const std::string &root)
{
    std::vector<std::string> names;
    for (const auto &entry : fs::recursive_directory_iterator(root))
        if (!entry.is_directory() || entry.is_symlink())
            names.push_back(fs::relative(entry.path(), root).string());
    std::sort(names.begin(), names.end());
    return names;
}

std::vector<uint8_t> RandomBytes(size_t size, uint32_t seed)
{
    std::mt19937 generator(seed);
    std::vector<uint8_t> bytes(size);
    for (uint8_t &b : bytes)
        b = static_cast<uint8_t>(generator());
    return bytes;
}

std::vector<uint8_t> TextBytes(size_t size, uint32_t seed)
{
    static const char *const words[] = {"install", "folder", "the", "setup", "program", "writes",
                                        "every", "file", "below", "target", "archive", "record",
                                        "window", "button", "template", "style", "\r\n"};
    std::mt19937 generator(seed);
    std::vector<uint8_t> bytes;
    while (bytes.size() < size) {
        const char *word = words[generator() % 17];
        bytes.insert(bytes.end(), word, word + std::char_traits<char>::length(word));
        bytes.push_back(' ');
    }
    bytes.resize(size);
    return bytes;
}

RunResult RunProgram(const std::string &program, const std::vector<std::string> &args)
{
    ScratchDir capture;
    std::string outPath = capture / "out", errPath = capture / "err";
    RunResult result;
    pid_t child = fork();
    if (child == 0) {
        if (!freopen(outPath.c_str(), "w", stdout) || !freopen(errPath.c_str(), "w", stderr))
            _exit(127);
        std::vector<char *> argv{const_cast<char *>(program.c_str())};
        for (const std::string &arg : args)
            argv.push_back(const_cast<char *>(arg.c_str()));
        argv.push_back(nullptr);
        execv(program.c_str(), argv.data());
        _exit(127);
    }
    int status = 0;
    waitpid(child, &status, 0);
    if (WIFEXITED(status))
        result.exitCode = WEXITSTATUS(status);
    if (WIFSIGNALED(status))
        result.signal = WTERMSIG(status);
    auto slurp = [](const std::string &path) {
        std::vector<uint8_t> bytes = ReadBytes(path);
        return std::string(bytes.begin(), bytes.end());
    };
    result.out = slurp(outPath);
    result.err = slurp(errPath);
    return result;
}

RunResult Zar(const std::vector<std::string> &args) { return RunProgram(ZAR_BIN, args); }

std::vector<std::string> Lines(const std::string &text)
{
    std::vector<std::string> lines;
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find('\n', start);
        if (end == std::string::npos)
            end = text.size();
        lines.push_back(text.substr(start, end - start));
        start = end + 1;
    }
    return lines;
}

namespace {

void Put32(std::vector<uint8_t> &out, uint32_t value)
{
    for (int i = 0; i < 4; i++)
        out.push_back(static_cast<uint8_t>(value >> (8 * i)));
}

}  // namespace

std::vector<uint8_t> BuildArchive(const std::vector<RawRecord> &records)
{
    std::vector<uint8_t> out;
    for (const RawRecord &record : records) {
        Put32(out, 0x0A72617A);
        Put32(out, static_cast<uint32_t>(20 + record.name.size() + 1));
        Put32(out, record.method);
        Put32(out, static_cast<uint32_t>(record.data.size()));
        Put32(out, record.unpackedSize);
        out.insert(out.end(), record.name.begin(), record.name.end());
        out.push_back(0);
        out.insert(out.end(), record.data.begin(), record.data.end());
    }
    return out;
}

RawRecord StoredRecord(const std::string &name, const std::string &content)
{
    return RawRecord{name, 0, std::vector<uint8_t>(content.begin(), content.end()),
                     static_cast<uint32_t>(content.size())};
}
