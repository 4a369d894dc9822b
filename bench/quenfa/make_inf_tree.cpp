// Writes a reproducible tree of setup-information files for timing the reducer:
// make_inf_tree <folder> [files] [total-megabytes]
// Shift_JIS, ASCII, UTF-16LE, UTF-8 (with and without byte-order mark), EUC-JP and JIS files
// (one in ten with LF line ends; one in twenty each .reg, .ini and .sif) with comments, blank
// lines, padded fields and string sections for several languages.
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
    const char* jis;  // JIS X 0208 row and cell; EUC-JP sets the high bit of both
};
constexpr Kanji kKanji[] = {{u'\u65E5', "\x93\xFA", "\x46\x7C"},
                            {u'\u672C', "\x96\x7B", "\x4B\x5C"},
                            {u'\u8A9E', "\x8C\xEA", "\x38\x6C"},
                            {u'\u8A2D', "\x90\xDD", "\x40\x5F"},
                            {u'\u5B9A', "\x92\xE8", "\x44\x6A"}};

enum Kind { kSjis, kUtf16Le, kUtf8Bom, kUtf8, kAscii, kEuc, kJis };

// Text as UTF-16 code units; encoded per file.
class Text {
public:
    void Ascii(const std::string& s) {
        for (char c : s) units_.push_back(char16_t(c));
    }
    void Japanese(std::mt19937& rng, int n) {
        for (int i = 0; i < n; ++i) {
            const char16_t u = kKanji[rng() % 5].unit;
            units_.push_back(ascii_ ? char16_t('A' + u % 26) : u);
        }
    }
    bool ascii_ = false;  // Japanese text replaced by letters
    void Line(const std::string& s) { Ascii(s + "\r\n"); }

    std::string Encode(Kind kind, bool lf) const {
        std::string out;
        if (kind == kUtf16Le) out = "\xFF\xFE";
        if (kind == kUtf8Bom) out = "\xEF\xBB\xBF";
        bool twoByte = false;  // JIS: inside an ESC $ B run
        for (char16_t u : units_) {
            if (lf && u == u'\r') continue;
            if (kind == kJis && twoByte != (u >= 0x80)) {
                out += u >= 0x80 ? "\x1B$B" : "\x1B(B";
                twoByte = u >= 0x80;
            }
            if (kind == kUtf16Le) {
                out.push_back(char(u & 0xFF));
                out.push_back(char(u >> 8));
            } else if (u < 0x80) {
                out.push_back(char(u));
            } else if (kind == kUtf8Bom || kind == kUtf8) {
                out.push_back(char(0xE0 | (u >> 12)));
                out.push_back(char(0x80 | ((u >> 6) & 0x3F)));
                out.push_back(char(0x80 | (u & 0x3F)));
            } else {
                for (const Kanji& k : kKanji) {
                    if (k.unit != u) continue;
                    if (kind == kSjis) out += k.sjis;
                    if (kind == kJis) out += k.jis;
                    if (kind == kEuc) {
                        out.push_back(char(k.jis[0] | 0x80));
                        out.push_back(char(k.jis[1] | 0x80));
                    }
                }
            }
        }
        if (twoByte) out += "\x1B(B";
        return out;
    }
    size_t size() const { return units_.size(); }

private:
    std::u16string units_;
};

Text MakeInf(std::mt19937& rng, size_t targetUnits, bool ascii) {
    Text t;
    t.ascii_ = ascii;
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
        // 40 % Shift_JIS, 15 % UTF-16LE, 15 % UTF-8 (a third with byte-order mark), 10 %
        // each ASCII, EUC-JP and JIS. UTF-16 files count about double per character.
        const int slot = i % 20;
        const Kind kind = slot < 8    ? kSjis
                          : slot < 11 ? kUtf16Le
                          : slot < 12 ? kUtf8Bom
                          : slot < 14 ? kUtf8
                          : slot < 16 ? kAscii
                          : slot < 18 ? kEuc
                                      : kJis;
        const bool lf = i % 10 == 3;
        const char* ext = i % 20 == 5    ? ".reg"
                          : i % 20 == 9  ? ".ini"
                          : i % 20 == 13 ? ".sif"
                                         : ".inf";
        const size_t units =
            (kind == kUtf16Le ? average / 2 : average) / 2 + rng() % std::max<size_t>(average, 1);
        const std::string bytes = MakeInf(rng, units, kind == kAscii).Encode(kind, lf);
        std::ofstream(dir / ("file" + std::to_string(i) + ext), std::ios::binary)
            .write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
        total += bytes.size();
    }
    std::printf("%d files, %.1f MB in %s\n", files, double(total) / (1024 * 1024), root.c_str());
    return 0;
}
