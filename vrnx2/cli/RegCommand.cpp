// vrnx2-cli reg: edits the settings store the way reg.exe edits the registry, so that what
// a user knows from Windows works here.

#include <cstdio>
#include <iostream>
#include <optional>
#include <string>

#include "platform/Files.h"
#include "platform/Locale.h"
#include "vrnx2/cli/Commands.h"
#include "vrnx2/settings/RegFile.h"
#include "vrnx2/settings/Store.h"

namespace vrnx2 {

namespace {

constexpr const char* kNotFound =
    "ERROR: The system was unable to find the specified registry key or value.";
constexpr const char* kDone = "The operation completed successfully.";

const char* kUsage =
    "usage:\n"
    "  vrnx2-cli reg query  KEY [/v NAME | /ve] [/s]\n"
    "  vrnx2-cli reg add    KEY [/v NAME | /ve] [/t REG_SZ|REG_DWORD] [/d DATA] [/f]\n"
    "  vrnx2-cli reg delete KEY [/v NAME | /ve | /va] [/f]\n"
    "  vrnx2-cli reg export KEY FILE [/y]\n"
    "  vrnx2-cli reg import FILE\n"
    "\n"
    "KEY is HKCU\\... or HKEY_CURRENT_USER\\...; switches may start with / or -.\n"
    "/f and /y answer the overwrite and delete questions with Yes.\n";

std::string Lower(std::string s) {
    for (auto& c : s)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return s;
}

struct Options {
    std::vector<std::string> positional;
    std::optional<std::string> valueName;  // /v NAME, or "" for /ve
    bool allValues = false;                // /va
    bool recursive = false;                // /s
    bool force = false;                    // /f or /y
    std::optional<std::string> type;       // /t
    std::optional<std::string> data;       // /d
    bool help = false;
};

int SyntaxError(const std::string& op, const std::string& why = "") {
    std::printf("ERROR: Invalid syntax. %s\nType \"vrnx2-cli reg %s /?\" for usage.\n", why.c_str(),
                op.c_str());
    return 1;
}

// Parses switches; the positional arguments are the key and, for export, the file.
bool ParseOptions(const Args& args, Options& o, std::string& why) {
    for (size_t i = 1; i < args.size(); ++i) {
        const std::string& a = args[i];
        static const char* const kSwitches[] = {"v", "ve", "va", "s", "f",    "y",
                                                "t", "d",  "?",  "h", "-help"};
        std::string s = a.size() >= 2 ? Lower(a.substr(1)) : std::string();
        bool isSwitch = a.size() >= 2 && (a[0] == '/' || a[0] == '-');
        if (isSwitch) {
            isSwitch = false;
            for (const char* k : kSwitches) isSwitch = isSwitch || s == k;
        }
        // Anything else is the key or the file ("/tmp/x.reg" is a file, not a switch).
        if (!isSwitch) {
            o.positional.push_back(a);
            continue;
        }
        auto needArg = [&](const char* sw) -> std::optional<std::string> {
            if (i + 1 >= args.size()) {
                why = std::string("/") + sw + " needs an argument.";
                return std::nullopt;
            }
            return args[++i];
        };
        if (s == "v") {
            if (o.valueName) return why = "Give only one of /v, /ve.", false;
            auto v = needArg("v");
            if (!v) return false;
            o.valueName = *v;
        } else if (s == "ve") {
            if (o.valueName) return why = "Give only one of /v, /ve.", false;
            o.valueName = std::string();
        } else if (s == "va") {
            o.allValues = true;
        } else if (s == "s") {
            o.recursive = true;
        } else if (s == "f" || s == "y") {
            o.force = true;
        } else if (s == "t") {
            auto v = needArg("t");
            if (!v) return false;
            o.type = *v;
        } else if (s == "d") {
            auto v = needArg("d");
            if (!v) return false;
            o.data = *v;
        } else if (s == "?" || s == "h" || s == "-help") {
            o.help = true;
        }
    }
    return true;
}

// reg.exe asks on the console; end of input counts as No.
bool Ask(const std::string& question) {
    std::printf("%s (Yes/No)? ", question.c_str());
    std::fflush(stdout);
    std::string answer;
    if (!std::getline(std::cin, answer)) {
        std::printf("\n");
        return false;
    }
    answer = Lower(answer);
    return answer == "y" || answer == "yes";
}

int Cancelled() {
    std::printf("The operation was cancelled by the user.\n");
    return 1;
}

std::string ValueLine(const RegValue& v) {
    std::string name = v.name.empty() ? "(Default)" : v.name;
    if (v.type == RegType::Integer) {
        char buf[16];
        std::snprintf(buf, sizeof buf, "0x%x", static_cast<uint32_t>(v.number));
        return "    " + name + "    REG_DWORD    " + buf;
    }
    return "    " + name + "    REG_SZ    " + v.text;
}

bool ResolveKey(const std::string& given, std::string& relative) {
    if (!ParseHiveKey(given, relative)) {
        std::printf(
            "ERROR: Invalid key name. Only HKEY_CURRENT_USER (HKCU) exists in the settings "
            "store: %s\n",
            given.c_str());
        return false;
    }
    return true;
}

// Prints the tree below `stored` (values named `name` only, when given); counts matches.
void QueryTree(const std::string& stored, const std::optional<std::string>& name, int& matches) {
    for (const RegKeyEntry& key : RegEnumTree(0, stored)) {
        if (name) {
            for (const auto& v : key.values) {
                if (RegNamesEqual(v.name, *name)) {
                    std::printf("%s\n%s\n\n", FullKeyName(key.path).c_str(), ValueLine(v).c_str());
                    ++matches;
                }
            }
            continue;
        }
        std::printf("%s\n", FullKeyName(key.path).c_str());
        for (const auto& v : key.values) {
            std::printf("%s\n", ValueLine(v).c_str());
            ++matches;
        }
        std::printf("\n");
    }
}

int Query(const Options& o) {
    if (o.positional.size() != 1 || o.allValues || o.type || o.data)
        return SyntaxError("query", "");
    std::string relative;
    if (!ResolveKey(o.positional[0], relative)) return 1;
    StoreTransaction snapshot(StoreTransaction::Read);
    auto stored = RegKeyPath(0, relative);
    if (!stored) {
        std::printf("%s\n", kNotFound);
        return 1;
    }
    if (o.recursive) {
        std::printf("\n");
        int matches = 0;
        QueryTree(*stored, o.valueName, matches);
        if (o.valueName) {
            if (matches == 0) {
                std::printf("%s\n", kNotFound);
                return 1;
            }
            std::printf("End of search: %d match(es) found.\n", matches);
        }
        return 0;
    }
    if (o.valueName) {
        auto v = RegReadValue(0, relative, *o.valueName);
        if (!v) {
            std::printf("%s\n", kNotFound);
            return 1;
        }
        std::printf("\n%s\n%s\n\n", FullKeyName(*stored).c_str(), ValueLine(*v).c_str());
        return 0;
    }
    std::printf("\n%s\n", FullKeyName(*stored).c_str());
    for (const auto& v : RegEnumValues(0, relative)) std::printf("%s\n", ValueLine(v).c_str());
    std::printf("\n");
    for (const auto& sub : RegEnumKeys(0, relative))
        std::printf("%s\n", FullKeyName(stored->empty() ? sub : *stored + "\\" + sub).c_str());
    return 0;
}

// reg.exe reads REG_DWORD data as decimal or 0x hexadecimal, within 32 bits unsigned.
std::optional<int32_t> ParseDword(const std::string& text) {
    if (text.empty()) return std::nullopt;
    int base = 10;
    size_t i = 0;
    if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
        base = 16;
        i = 2;
    }
    uint64_t n = 0;
    for (; i < text.size(); ++i) {
        char c = text[i];
        int d = (c >= '0' && c <= '9')                 ? c - '0'
                : (base == 16 && c >= 'a' && c <= 'f') ? c - 'a' + 10
                : (base == 16 && c >= 'A' && c <= 'F') ? c - 'A' + 10
                                                       : -1;
        if (d < 0) return std::nullopt;
        n = n * base + static_cast<uint64_t>(d);
        if (n > 0xFFFFFFFFull) return std::nullopt;
    }
    return static_cast<int32_t>(static_cast<uint32_t>(n));
}

int Add(const Options& o) {
    if (o.positional.size() != 1 || o.allValues || o.recursive) return SyntaxError("add", "");
    std::string relative;
    if (!ResolveKey(o.positional[0], relative)) return 1;
    if (relative.empty()) {
        std::printf("ERROR: Give a key below HKEY_CURRENT_USER.\n");
        return 1;
    }
    if (!o.valueName) {
        if (o.type || o.data) return SyntaxError("add", "/t and /d need /v or /ve.");
        RegCreateKey(0, relative);
        std::printf("%s\n", kDone);
        return 0;
    }
    RegValue v;
    v.name = *o.valueName;
    std::string type = o.type ? *o.type : "REG_SZ";
    if (Lower(type) == "reg_sz") {
        v.type = RegType::String;
        v.text = o.data.value_or("");
    } else if (Lower(type) == "reg_dword") {
        v.type = RegType::Integer;
        auto n = ParseDword(o.data.value_or("0"));
        if (!n) {
            std::printf("ERROR: Invalid DWORD data: %s\n", o.data->c_str());
            return 1;
        }
        v.number = *n;
    } else {
        std::printf(
            "ERROR: Unsupported type %s: the settings store keeps REG_SZ and "
            "REG_DWORD only.\n",
            type.c_str());
        return 1;
    }
    if (!o.force && RegReadValue(0, relative, v.name) &&
        !Ask("Value " + (v.name.empty() ? std::string("(Default)") : v.name) +
             " exists, overwrite"))
        return Cancelled();
    RegWriteValue(0, relative, v);
    std::printf("%s\n", kDone);
    return 0;
}

int Delete(const Options& o) {
    if (o.positional.size() != 1 || o.recursive || o.type || o.data || (o.valueName && o.allValues))
        return SyntaxError("delete", "");
    std::string relative;
    if (!ResolveKey(o.positional[0], relative)) return 1;
    if (relative.empty()) {
        std::printf("ERROR: The whole hive cannot be deleted.\n");
        return 1;
    }
    auto stored = RegKeyPath(0, relative);
    if (!stored) {
        std::printf("%s\n", kNotFound);
        return 1;
    }
    if (o.valueName) {
        if (!RegReadValue(0, relative, *o.valueName)) {
            std::printf("%s\n", kNotFound);
            return 1;
        }
        std::string shown = o.valueName->empty() ? "(Default)" : *o.valueName;
        if (!o.force && !Ask("Delete the registry value " + shown)) return Cancelled();
        RegDeleteValue(0, relative, *o.valueName);
    } else if (o.allValues) {
        if (!o.force && !Ask("Delete all values under the registry key " + FullKeyName(*stored)))
            return Cancelled();
        StoreTransaction tx;
        for (const auto& v : RegEnumValues(0, relative)) RegDeleteValue(0, relative, v.name);
        tx.Commit();
    } else {
        if (!o.force && !Ask("Permanently delete the registry key " + FullKeyName(*stored)))
            return Cancelled();
        RegDeleteKey(0, relative);
    }
    std::printf("%s\n", kDone);
    return 0;
}

int Export(const Options& o) {
    if (o.positional.size() != 2 || o.valueName || o.allValues || o.recursive || o.type || o.data)
        return SyntaxError("export", "");
    std::string relative;
    if (!ResolveKey(o.positional[0], relative)) return 1;
    const std::string& file = o.positional[1];
    std::string bytes, error;
    if (!ExportRegFile(relative, bytes, error)) {
        std::printf("%s\n", RegKeyPath(0, relative) ? ("ERROR: " + error).c_str() : kNotFound);
        return 1;
    }
    std::error_code ec;
    if (!o.force && std::filesystem::exists(file, ec) &&
        !Ask("File " + file + " already exists. Overwrite"))
        return Cancelled();
    if (!platform::WriteFileAtomic(file, bytes, &error)) {
        std::printf("ERROR: Cannot write %s: %s\n", file.c_str(), error.c_str());
        return 1;
    }
    std::printf("%s\n", kDone);
    return 0;
}

int Import(const Options& o) {
    if (o.positional.size() != 1 || o.valueName || o.allValues || o.recursive || o.type || o.data)
        return SyntaxError("import", "");
    const std::string& file = o.positional[0];
    std::string error;
    auto bytes = platform::ReadFile(file, &error);
    if (!bytes) {
        std::printf("ERROR: Cannot read %s: %s\n", file.c_str(), error.c_str());
        return 1;
    }
    std::vector<RegFileOp> ops;
    RegFileError fault;
    if (!ParseRegFile(*bytes, platform::CurrentLocale().ansiCodePage, ops, fault)) {
        if (fault.line > 0)
            std::printf("ERROR: %s, line %d: %s. Nothing was imported.\n", file.c_str(), fault.line,
                        fault.message.c_str());
        else
            std::printf("ERROR: %s: %s. Nothing was imported.\n", file.c_str(),
                        fault.message.c_str());
        return 1;
    }
    ApplyRegFile(ops);
    std::printf("%s\n", kDone);
    return 0;
}

}  // namespace

int RegCommand(const Args& args) {
    if (args.empty() || args[0] == "/?" || args[0] == "-?" || args[0] == "--help" ||
        args[0] == "-h") {
        std::fputs(kUsage, args.empty() ? stderr : stdout);
        return args.empty() ? 1 : 0;
    }
    std::string op = Lower(args[0]);
    // An unknown operation is named as such, not reported as a missing key.
    if (op != "query" && op != "add" && op != "delete" && op != "export" && op != "import") {
        std::printf("ERROR: Invalid operation %s.\n%s", args[0].c_str(), kUsage);
        return 1;
    }
    Options o;
    std::string why;
    if (!ParseOptions(args, o, why)) return SyntaxError(op, why);
    if (o.help) {
        std::fputs(kUsage, stdout);
        return 0;
    }
    size_t want = op == "export" ? 2 : 1;
    if (o.positional.size() < want)
        return SyntaxError(op, op == "import"   ? "Give the FILE."
                               : op == "export" ? "Give KEY and FILE."
                                                : "Give the KEY.");
    if (o.positional.size() > want)
        return SyntaxError(op, "Unexpected argument " + o.positional[want] + ".");
    try {
        if (op == "query") return Query(o);
        if (op == "add") return Add(o);
        if (op == "delete") return Delete(o);
        if (op == "export") return Export(o);
        if (op == "import") return Import(o);
    } catch (const StoreError& e) {
        std::printf("ERROR: %s\n", e.what());
        return 1;
    }
    return 1;
}

}  // namespace vrnx2
