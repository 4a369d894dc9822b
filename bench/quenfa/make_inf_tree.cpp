// Writes a reproducible tree of setup-information files for timing the reducer:
// make_inf_tree <folder> [files] [total-megabytes]
// Shift_JIS, UTF-16 (both byte orders) and UTF-8 files with comments, blank lines, padded
// fields and string sections for several languages.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>

namespace fs = std::filesystem;

namespace {

struct Kanji {
    char16_t unit;
    const char* sjis;
};
constexpr Kanji kKanji[] = {{u'\u65E5', "\x93\xFA"},
                            {u'\u672C', "\x96\x7B"},
                            {u'\u8A9E', "\x8C\xEA"},
                            {u'\u8A2D', "\x90\xDD"},
                            {u'\u5B9A', "\x92\xE8"}};

// Text as UTF-16 code units; encoded per file.
class Text {
public:
    void Ascii(const std::string& s) {
        for (char c : s) units_.push_back(char16_t(c));
    }
    void Japanese(std::mt19937& rng, int n) {
        for (int i = 0; i < n; ++i) units_.push_back(kKanji[rng() % 5].unit);
    }
    void Line(const std::string& s) { Ascii(s + "\r\n"); }

    std::string Encode(int kind) const {
        std::string out;
        if (kind == 1) out = "\xFF\xFE";
        if (kind == 2) out = "\xFE\xFF";
        if (kind == 3) out = "\xEF\xBB\xBF";
        for (char16_t u : units_) {
            if (kind == 1 || kind == 2) {
                const char lo = char(u & 0xFF), hi = char(u >> 8);
                out += kind == 1 ? std::string{lo, hi} : std::string{hi, lo};
            } else if (u < 0x80) {
                out.push_back(char(u));
            } else if (kind == 3) {
                out.push_back(char(0xE0 | (u >> 12)));
                out.push_back(char(0x80 | ((u >> 6) & 0x3F)));
                out.push_back(char(0x80 | (u & 0x3F)));
            } else {
                for (const Kanji& k : kKanji)
                    if (k.unit == u) out += k.sjis;
            }
        }
        return out;
    }
    size_t size() const { return units_.size(); }

private:
    std::u16string units_;
};

Text MakeInf(std::mt19937& rng, size_t targetUnits) {
    Text t;
    t.Line("; Setup information for a generated driver package");
    t.Line("");
    t.Line("[Version]    ; header");
    t.Line("Signature   =   \"$Windows NT$\"");
    t.Line("Class = System , Other");
    t.Line("");
    int n = 0;
    while (t.size() < targetUnits) {
        switch (rng() % 4) {
            case 0:
                t.Line("[SourceDisksFiles." + std::to_string(n) + "]");
                for (int i = 0; i < 40; ++i)
                    t.Line("  file" + std::to_string(n * 40 + i) + ".sys   =   1 , , ,  ; copy");
                break;
            case 1:
                t.Line("; ---- registry ----");
                t.Line("[AddReg." + std::to_string(n) + "]");
                for (int i = 0; i < 30; ++i)
                    t.Line("HKLM, \"SYSTEM\\Current Control Set\\Services\\svc" +
                           std::to_string(i) + "\" ,  \"Start\" , 0x00010001 , 3   ; start");
                break;
            case 2:
                for (const char* tag : {"0409", "0407", "0411"}) {
                    t.Line("");
                    t.Line(std::string("[Strings.") + tag + "]");
                    for (int i = 0; i < 20; ++i) {
                        t.Ascii("Str" + std::to_string(i) + " = \"");
                        if (std::string(tag) == "0411")
                            t.Japanese(rng, 6);
                        else
                            t.Ascii("Some text for item " + std::to_string(i));
                        t.Line("\"");
                    }
                }
                break;
            default:
                t.Line("");
                t.Line(";;;;;;;;;;;;;;;;;;;;;;;;;;;;;;;;;;;;;;;;;;;;;;;;;;;;;;;;;;;;;;;;;;;;;");
                t.Line("   ; indented comment line that carries nothing at all");
                t.Line("[Strings]");
                t.Ascii("Desc  =  \"");
                t.Japanese(rng, 10);
                t.Line("\"");
        }
        ++n;
    }
    return t;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: make_inf_tree <folder> [files] [total-megabytes]\n");
        return 2;
    }
    const fs::path root = argv[1];
    const int files = argc > 2 ? std::atoi(argv[2]) : 5000;
    const double megabytes = argc > 3 ? std::atof(argv[3]) : 60.0;
    std::mt19937 rng(20261208);
    // Less than the mean file size: each file overshoots its target by part of a block.
    const auto average = static_cast<size_t>(megabytes * 1024 * 1024 / files * 0.8);
    uint64_t total = 0;
    for (int i = 0; i < files; ++i) {
        const fs::path dir = root / ("d" + std::to_string(i % 25)) / ("s" + std::to_string(i % 7));
        fs::create_directories(dir);
        // Mostly Shift_JIS; UTF-16 files count about double per character.
        const int kind = i % 10 < 6 ? 0 : i % 10 < 8 ? 1 : i % 10 < 9 ? 2 : 3;
        const size_t units = (kind == 1 || kind == 2 ? average / 2 : average) / 2 +
                             rng() % std::max<size_t>(average, 1);
        const std::string bytes = MakeInf(rng, units).Encode(kind);
        std::ofstream(dir / ("file" + std::to_string(i) + ".inf"), std::ios::binary)
            .write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
        total += bytes.size();
    }
    std::printf("%d files, %.1f MB in %s\n", files, double(total) / (1024 * 1024), root.c_str());
    return 0;
}
