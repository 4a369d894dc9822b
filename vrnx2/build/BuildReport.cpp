#include "vrnx2/build/BuildReport.h"

#include <unicode/datefmt.h>
#include <unicode/locid.h>
#include <unicode/unistr.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <memory>

#include "platform/Files.h"
#include "platform/Locale.h"
#include "platform/Path.h"
#include "vrnx2/build/Macros.h"

namespace vrnx2 {

namespace {

const char* kSeparator = "------------------------------------------------------------";

const char* Word(bool b) {
    return b ? "True" : "False";
}

}  // namespace

std::string BuildReport::LocalDateTime() {
    icu::Locale locale(platform::CurrentLocale().icuName.c_str());
    std::unique_ptr<icu::DateFormat> d(
        icu::DateFormat::createDateInstance(icu::DateFormat::kShort, locale));
    std::unique_ptr<icu::DateFormat> t(
        icu::DateFormat::createTimeInstance(icu::DateFormat::kMedium, locale));
    if (!d || !t) return {};
    UDate now = icu::Calendar::getNow();
    icu::UnicodeString date, time;
    d->format(now, date);
    t->format(now, time);
    // Newer ICU puts a narrow no-break space before "AM"/"PM"; a plain blank reads the same.
    time.findAndReplace(icu::UnicodeString(static_cast<UChar>(0x202F)), icu::UnicodeString(" "));
    std::string ds, ts;
    date.toUTF8String(ds);
    time.toUTF8String(ts);
    return ds + " " + ts;
}

void BuildReport::AddProfileSections(const TProfileRec& p, BuildMode mode) {
    auto add = [this](std::string s) { lines_.push_back(std::move(s)); };
    add("[Profile Information]");
    add(kSeparator);
    add("  Profile Name: " + p.ProfileName);
    add("  Builder Name: " + p.Builder.Name);
    add(std::string("  Build Mode: ") + (mode == BuildMode::Advanced ? "Advanced" : "Basic"));
    add("  Build Date: " + LocalDateTime());
    add("");
    add("[Build Options]");
    add(kSeparator);
    add("  Source: " + platform::WithoutTrailingSlash(p.Source));
    add(std::string("  Use Absolute Output: ") + Word(p.UseAbsoluteOutput));
    add("  OutDir: " + platform::WithoutTrailingSlash(p.OutDir));
    add("  Full-OutDir: " + platform::WithoutTrailingSlash(p.FullOutDir));
    add("  ISO File: " + IsoFilePath(p));
    add("  Custom Dir: " + platform::WithoutTrailingSlash(p.CustomDir));
    add("  VolumeID: " + p.VolumeID);
    // The label asks whether names are upper-cased, so the word answers that question.
    add(std::string("  UpperCase: ") + Word(!p.NoUpperCase));
    add(std::string("  Verbose: ") + Word(p.Verbose));
    add(std::string("  Use External Program(Pre-Build): ") + Word(p.PreBuild_UseExternalProgram));
    if (p.PreBuild_UseExternalProgram) add("  External Program(Pre-Build): " + p.ExternalProgram1);
    add(std::string("  Use External Program(Build): ") + Word(p.Build_UseExternalProgram));
    if (p.Build_UseExternalProgram) add("  External Program(Build): " + p.ExternalProgram2);
    add("");
    add("[Plugins]");
    add(kSeparator);
}

void BuildReport::AddPlugin(const std::string& name) {
    lines_.push_back("  " + name);
}

void BuildReport::AddStopped() {
    lines_.push_back("");
    lines_.push_back("[Build Result]");
    lines_.push_back(kSeparator);
    lines_.push_back("  Stopped: True (" + LocalDateTime() +
                     "; the builder and every program it started were ended)");
}

bool BuildReport::Write(const std::string& path, std::string* error) const {
    std::string text;
    for (const auto& l : lines_) {
        text += l;
        text += "\r\n";
    }
    return platform::WriteFileAtomic(path, text, error);
}

std::string ReportDirectory(const std::string& programDir) {
    if (::access(programDir.c_str(), W_OK) == 0) return programDir;
    namespace fs = std::filesystem;
    fs::path state;
    const char* xdg = std::getenv("XDG_STATE_HOME");
    if (xdg && *xdg == '/') {
        state = xdg;
    } else {
        const char* home = std::getenv("HOME");
        state = fs::path(home && *home ? home : "/tmp") / ".local" / "state";
    }
    const fs::path dir = state / "vrnx2";
    std::error_code ec;
    fs::create_directories(dir, ec);  // a failure shows when the report is written
    return dir.string();
}

}  // namespace vrnx2
