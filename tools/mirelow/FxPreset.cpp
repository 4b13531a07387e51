// VST preset files: big-endian records behind a 'CcnK' header.
//
// program: 'CcnK' byteSize fxMagic version fxID fxVersion numParams name[28]  then
//          'FxCk': numParams floats          'FPCh': chunkSize, chunk bytes
// bank:    'CcnK' byteSize fxMagic version fxID fxVersion numPrograms currentProgram future[124]
// then
//          'FxBk': numPrograms programs      'FBCh': chunkSize, chunk bytes
// byteSize counts everything after itself.
#include "FxPreset.h"

#include "Error.h"

#include <algorithm>
#include <bit>
#include <cctype>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <sys/stat.h>
#include <unistd.h>

namespace mirelow {
namespace {

constexpr auto kChunkMagic = static_cast<int32_t>(fourCharCode("CcnK"));
constexpr auto kProgramParams = static_cast<int32_t>(fourCharCode("FxCk"));
constexpr auto kProgramChunk = static_cast<int32_t>(fourCharCode("FPCh"));
constexpr auto kBankParams = static_cast<int32_t>(fourCharCode("FxBk"));
constexpr auto kBankChunk = static_cast<int32_t>(fourCharCode("FBCh"));
constexpr std::size_t kNameBytes = 28;
constexpr std::size_t kProgramHeader = 56; // up to and including the name
constexpr std::size_t kBankHeader = 156;   // up to and including the reserved bytes
constexpr int32_t kMaxCount = 1 << 20;     // far above any real plug-in's programs or parameters

class Writer {
  public:
    void i32(int32_t v) {
        bytes.resize(bytes.size() + 4);
        storeBigEndian32(static_cast<uint32_t>(v), bytes.data() + bytes.size() - 4);
    }
    void f32(float v) { i32(std::bit_cast<int32_t>(v)); }
    // A text field of `size` bytes: the text cut to fit, zero-filled after its end. A text that
    // fills the field has no terminator in the file; readers stop at the field's end.
    void text(const std::string& s, std::size_t size) {
        for (std::size_t i = 0; i < size; ++i)
            bytes.push_back(i < s.size() ? static_cast<uint8_t>(s[i]) : 0);
    }
    void zeros(std::size_t n) { bytes.insert(bytes.end(), n, 0); }
    void raw(const std::vector<uint8_t>& b) { bytes.insert(bytes.end(), b.begin(), b.end()); }
    // Fills in the byteSize word of a record that starts at `start`.
    void patchSize(std::size_t start) {
        storeBigEndian32(static_cast<uint32_t>(bytes.size() - start - 8), bytes.data() + start + 4);
    }
    std::vector<uint8_t> bytes;
};

class Reader {
  public:
    Reader(std::span<const uint8_t> b, std::string w, std::string where = {})
        : bytes(b), what(std::move(w)), prefix(std::move(where)) {}

    int32_t i32() {
        need(4);
        const uint32_t u = loadBigEndian32(bytes.data() + pos);
        pos += 4;
        return static_cast<int32_t>(u);
    }
    float f32() { return std::bit_cast<float>(i32()); }
    std::string text(std::size_t size) {
        need(size);
        const auto* p = reinterpret_cast<const char*>(bytes.data() + pos);
        pos += size;
        return std::string(p, strnlen(p, size));
    }
    std::vector<uint8_t> raw(std::size_t n) {
        need(n);
        std::vector<uint8_t> out(bytes.begin() + static_cast<std::ptrdiff_t>(pos),
                                 bytes.begin() + static_cast<std::ptrdiff_t>(pos + n));
        pos += n;
        return out;
    }
    void skip(std::size_t n) { need(n), pos += n; }
    std::size_t left() const { return bytes.size() - pos; }
    [[noreturn]] void fail(const std::string& why) const {
        throw Error("bad preset '" + what + "': " + prefix + why);
    }

  private:
    void need(std::size_t n) const {
        if (left() < n)
            fail("truncated (ends " + std::to_string(n - left()) + " bytes early)");
    }

    std::span<const uint8_t> bytes;
    std::size_t pos = 0;
    std::string what;
    std::string prefix;
};

void writeProgram(Writer& w, const Preset& p, const PresetProgram* params) {
    const std::size_t start = w.bytes.size();
    w.i32(kChunkMagic);
    w.i32(0);
    const bool chunk = params == nullptr && p.isChunk;
    w.i32(chunk ? kProgramChunk : kProgramParams);
    w.i32(1);
    w.i32(p.fxId);
    w.i32(p.fxVersion);
    const auto& values = params ? params->params : p.params;
    w.i32(chunk ? p.numParams : static_cast<int32_t>(values.size()));
    w.text(params ? params->name : p.name, kNameBytes);
    if (chunk) {
        w.i32(static_cast<int32_t>(p.chunk.size()));
        w.raw(p.chunk);
    } else {
        for (float v : values)
            w.f32(v);
    }
    w.patchSize(start);
}

// Reads the header words after 'CcnK' and byteSize have been checked.
int32_t readCount(Reader& r, const char* what) {
    const int32_t n = r.i32();
    if (n < 0 || n > kMaxCount)
        r.fail(std::string("impossible number of ") + what + " (" + std::to_string(n) + ")");
    return n;
}

std::vector<uint8_t> readChunkBody(Reader& r) {
    const int32_t size = r.i32();
    if (size < 0)
        r.fail("negative chunk size");
    if (static_cast<std::size_t>(size) != r.left())
        r.fail("chunk size " + std::to_string(size) + " does not match the " +
               std::to_string(r.left()) + " bytes that follow");
    return r.raw(static_cast<std::size_t>(size));
}

std::vector<float> readParams(Reader& r, int32_t n) {
    if (r.left() < static_cast<std::size_t>(n) * 4)
        r.fail("truncated (" + std::to_string(n) + " parameter values announced)");
    std::vector<float> v(static_cast<std::size_t>(n));
    for (auto& x : v) {
        x = r.f32();
        if (!std::isfinite(x))
            r.fail("a parameter value is not a finite number");
        // Parameter values are normalised: beyond 0 … 1 an effect's formulas may run away.
        x = std::clamp(x, 0.0f, 1.0f);
    }
    return v;
}

// Checks the 'CcnK' header and that byteSize matches `size`; returns the fxMagic.
int32_t readHeader(Reader& r, std::size_t size) {
    if (size < 8)
        r.fail("too short to be a preset (" + std::to_string(size) + " bytes)");
    if (r.i32() != kChunkMagic)
        r.fail("not a VST preset (no 'CcnK' header)");
    const int32_t byteSize = r.i32();
    if (byteSize < 0 || static_cast<std::size_t>(byteSize) > size - 8)
        r.fail("truncated (header announces " + std::to_string(int64_t{byteSize} + 8) +
               " bytes, found " + std::to_string(size) + ")");
    if (static_cast<std::size_t>(byteSize) < size - 8)
        r.fail(std::to_string(size - 8 - static_cast<std::size_t>(byteSize)) +
               " unexpected bytes after the preset");
    const int32_t magic = r.i32();
    const int32_t version = r.i32();
    if (magic != kProgramParams && magic != kProgramChunk && magic != kBankParams &&
        magic != kBankChunk)
        r.fail("unknown preset type '" + fourCCText(magic) + "'");
    if (version < 1 || version > 2)
        r.fail("unsupported format version " + std::to_string(version));
    return magic;
}

Preset decodeProgram(Reader& r, int32_t magic) {
    Preset p;
    p.kind = PresetKind::Program;
    p.isChunk = magic == kProgramChunk;
    p.fxId = r.i32();
    p.fxVersion = r.i32();
    p.numParams = readCount(r, "parameters");
    p.name = r.text(kNameBytes);
    if (p.isChunk) {
        p.chunk = readChunkBody(r);
    } else {
        p.params = readParams(r, p.numParams);
        if (r.left() != 0)
            r.fail("size does not match its " + std::to_string(p.numParams) + " parameters");
    }
    return p;
}

} // namespace

std::vector<uint8_t> encodePreset(const Preset& p) {
    Writer w;
    if (p.kind == PresetKind::Program) {
        writeProgram(w, p, nullptr);
        return std::move(w.bytes);
    }
    w.i32(kChunkMagic);
    w.i32(0);
    w.i32(p.isChunk ? kBankChunk : kBankParams);
    w.i32(2);
    w.i32(p.fxId);
    w.i32(p.fxVersion);
    w.i32(p.isChunk ? p.numPrograms : static_cast<int32_t>(p.programs.size()));
    w.i32(p.currentProgram);
    w.zeros(124);
    if (p.isChunk) {
        w.i32(static_cast<int32_t>(p.chunk.size()));
        w.raw(p.chunk);
    } else {
        for (const auto& program : p.programs)
            writeProgram(w, p, &program);
    }
    w.patchSize(0);
    return std::move(w.bytes);
}

Preset decodePreset(std::span<const uint8_t> bytes, const std::string& what) {
    Reader r(bytes, what);
    const int32_t magic = readHeader(r, bytes.size());
    if (magic == kProgramParams || magic == kProgramChunk)
        return decodeProgram(r, magic);

    Preset p;
    p.kind = PresetKind::Bank;
    p.isChunk = magic == kBankChunk;
    p.formatVersion = 2;
    p.fxId = r.i32();
    p.fxVersion = r.i32();
    p.numPrograms = readCount(r, "programs");
    // A plug-in without programs still saves its state as an opaque bank chunk.
    if (p.numPrograms == 0 && !p.isChunk)
        r.fail("a bank without programs");
    p.currentProgram = r.i32();
    if (p.currentProgram < 0 || p.currentProgram >= p.numPrograms)
        p.currentProgram = 0; // version 1 leaves it unset
    r.skip(124);
    if (p.isChunk) {
        p.chunk = readChunkBody(r);
        return p;
    }
    for (int32_t i = 0; i < p.numPrograms; ++i) {
        const std::string where = "program " + std::to_string(i) + ": ";
        if (r.left() < 8)
            r.fail(where + "truncated");
        if (r.i32() != kChunkMagic)
            r.fail(where + "no 'CcnK' header");
        const int32_t size = r.i32();
        if (size < 0 || static_cast<std::size_t>(size) > r.left())
            r.fail(where + "truncated");
        const std::vector<uint8_t> body = r.raw(static_cast<std::size_t>(size));
        Reader inner(body, what, where);
        const int32_t innerMagic = inner.i32();
        inner.i32(); // format version
        if (innerMagic != kProgramParams)
            inner.fail("not a parameter program ('" + fourCCText(innerMagic) + "')");
        Preset program = decodeProgram(inner, innerMagic);
        if (program.fxId != p.fxId)
            inner.fail("belongs to another plug-in ('" + fourCCText(program.fxId) + "')");
        if (i > 0 && program.params.size() != p.programs.front().params.size())
            inner.fail("has " + std::to_string(program.params.size()) +
                       " parameters, program 0 has " +
                       std::to_string(p.programs.front().params.size()));
        p.programs.push_back(PresetProgram{std::move(program.name), std::move(program.params)});
    }
    if (r.left() != 0)
        r.fail(std::to_string(r.left()) + " unexpected bytes after the last program");
    p.numParams = static_cast<int32_t>(p.programs.front().params.size());
    return p;
}

Preset readPresetFile(const std::string& path) {
    // Only a regular file has an end: a folder, a pipe or a device such as /dev/zero is refused.
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0)
        throw Error("cannot read preset '" + path + "': " + std::strerror(errno));
    if (!S_ISREG(st.st_mode))
        throw Error("cannot read preset '" + path + "': not a regular file");
    std::ifstream in(path, std::ios::binary);
    if (!in)
        throw Error("cannot read preset '" + path + "': " + std::strerror(errno));
    std::vector<uint8_t> bytes(static_cast<std::size_t>(st.st_size));
    in.read(reinterpret_cast<char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    if (in.gcount() != static_cast<std::streamsize>(bytes.size()))
        throw Error("cannot read preset '" + path + "'");
    return decodePreset(bytes, path);
}

void writePresetFile(const std::string& path, const Preset& preset) {
    const std::vector<uint8_t> bytes = encodePreset(preset);
    const std::string temp = path + ".mirelow-" + std::to_string(getpid()) + ".tmp";
    bool ok = false;
    {
        std::ofstream out(temp, std::ios::binary | std::ios::trunc);
        if (out) {
            out.write(reinterpret_cast<const char*>(bytes.data()),
                      static_cast<std::streamsize>(bytes.size()));
            out.close();
            ok = !out.fail();
        }
    }
    const int err = errno;
    if (!ok || std::rename(temp.c_str(), path.c_str()) != 0) {
        const std::string why = std::strerror(ok ? errno : err);
        std::remove(temp.c_str());
        throw Error("cannot write preset '" + path + "': " + why);
    }
}

PresetKind presetKindForPath(const std::string& path) {
    const auto n = path.size();
    if (n >= 4) {
        std::string ext = path.substr(n - 4);
        for (auto& c : ext)
            c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        if (ext == ".fxb")
            return PresetKind::Bank;
    }
    return PresetKind::Program;
}

} // namespace mirelow
