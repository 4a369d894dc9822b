#include "vrnx2/profiles/ProfileOptions.h"

#include <filesystem>

#include "common/Lines.h"
#include "platform/Path.h"
#include "vrnx2/base/MessageIds.h"
#include "vrnx2/base/MessageTable.h"

namespace vrnx2 {

namespace fs = std::filesystem;

std::string FillPlaceholder(const std::string& text, const std::string& arg) {
    const size_t at = text.find("%s");
    if (at == std::string::npos) return text;
    return text.substr(0, at) + arg + text.substr(at + 2);
}

std::string OptionsTitle(const TProfileRec& profile) {
    return Msg(kMsgColumnProfile) + "(" + Msg(kMsgColumnBuild) + ") - [" + profile.ProfileName +
           ":" + profile.Builder.Name + "]";
}

std::string OutputLabel(bool absolute) {
    return FillPlaceholder(Msg(kMsgBuildOutputPath),
                           absolute ? std::string() : Msg(kMsgOffsetFromBuilderPath));
}

std::string MacroListText() {
    return "@PEBuilder@, @Varnex@, @IsoFile@, @OutDir@, @SourcePath@, @CustomDir@, @BuildISO@, "
           "@ISOduplicatesonce@, @NoUpperCase@, @VolumeID@, @BurnCD@, @BurnUsing@, @Device@, "
           "@BlankCDRW@, @Verify@, @Eject@, @CleanIsoAfterBurn@, @CleanOutputAfterBurn@, "
           "@Verbose@, @Language@, @LCID@";
}

// ---- folders --------------------------------------------------------------------------------

std::string ShownFolder(const std::string& stored) {
    return platform::WithoutTrailingSlash(stored);
}

std::string StoredFolder(const std::string& shown) {
    return platform::WithTrailingSlash(shown);
}

std::string StoredSource(const std::string& shown) {
    const std::string path = platform::WithoutTrailingSlash(shown);
    std::error_code ec;
    const bool file = !path.empty() && fs::exists(path, ec) && !fs::is_directory(path, ec);
    std::string ext = path.size() > 4 ? path.substr(path.size() - 4) : std::string();
    for (char& c : ext) c = static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
    const bool imageName = ext == ".iso" && !fs::is_directory(path, ec);
    return file || imageName ? path : StoredFolder(shown);
}

namespace {

bool IsAbsolute(const std::string& path) {
    return !path.empty() && path.front() == '/';
}

// The components of an absolute path with "." and ".." resolved by name.
std::vector<std::string> Components(const std::string& path) {
    std::vector<std::string> out;
    for (const fs::path& part : fs::path(path).lexically_normal().relative_path()) {
        const std::string name = part.string();
        if (!name.empty()) out.push_back(name);
    }
    return out;
}

std::string JoinComponents(const std::vector<std::string>& parts, bool absolute) {
    std::string out = absolute ? "/" : "";
    for (size_t i = 0; i < parts.size(); ++i) {
        if (i > 0) out += '/';
        out += parts[i];
    }
    return out;
}

}  // namespace

std::string RelativeFolder(const std::string& folder, const std::string& base) {
    // Another tree (a relative text, or a Windows path from another system) stays as it is.
    if (!IsAbsolute(folder) || !IsAbsolute(base)) return ShownFolder(folder);
    const std::vector<std::string> f = Components(folder);
    const std::vector<std::string> b = Components(base);
    // Names compare exactly: this file system tells "Out" from "out".
    size_t common = 0;
    while (common < f.size() && common < b.size() && f[common] == b[common]) ++common;
    std::vector<std::string> parts(b.size() - common, "..");
    parts.insert(parts.end(), f.begin() + static_cast<std::ptrdiff_t>(common), f.end());
    return JoinComponents(parts, false);
}

std::string JoinFolder(const std::string& base, const std::string& relative) {
    if (IsAbsolute(relative) || base.empty()) return ShownFolder(relative);
    // Parent steps resolved by name: through a linked builder folder the system would
    // otherwise resolve them elsewhere than the relative form was made from.
    if (IsAbsolute(base)) return JoinComponents(Components(StoredFolder(base) + relative), true);
    return ShownFolder(StoredFolder(base) + relative);
}

std::string SwitchOutputText(const std::string& text, bool toAbsolute,
                             const std::string& builderFolder) {
    return toAbsolute ? JoinFolder(builderFolder, text) : RelativeFolder(text, builderFolder);
}

std::string OutputBrowseStart(const std::string& text, bool absolute,
                              const std::string& builderFolder) {
    return absolute ? ShownFolder(text) : JoinFolder(builderFolder, text);
}

std::string OutputTextFor(const std::string& folder, bool absolute,
                          const std::string& builderFolder) {
    return absolute ? ShownFolder(folder) : RelativeFolder(folder, builderFolder);
}

// ---- text areas -----------------------------------------------------------------------------

std::vector<std::string> TextAreaLines(const std::string& stored) {
    const std::vector<std::string_view> split = SplitLines(stored);
    return std::vector<std::string>(split.begin(), split.end());
}

std::string TextAreaText(const std::vector<std::string>& lines) {
    std::string out;
    for (const std::string& line : lines) out += line + "\r\n";
    return out;
}

// ---- rules ----------------------------------------------------------------------------------

void ApplyDependencies(ProfileOptionsValues& v) {
    if (v.writingTool != 0) v.verify = false;
    if (!v.buildIso) v.burnCd = false;
}

OptionsEnabling EnabledControls(const ProfileOptionsValues& v) {
    OptionsEnabling e;
    e.isoOptions = v.buildIso;
    e.burnOptions = v.burnCd;
    e.verify = v.burnCd && v.writingTool == 0;
    e.program1 = v.preBuildProgram;
    e.program2 = v.buildProgram;
    e.program3 = v.isoProgram;
    return e;
}

// ---- record and values ----------------------------------------------------------------------

int DriveIndexFor(const DriveHolder& drives, const std::string& device) {
    for (int i = 0; i < drives.Count(); ++i) {
        const TCDDriverec* rec = GetDriveRec(drives, i);
        if (rec && rec->Address == device) return i;
    }
    return drives.Count() > 0 ? 0 : -1;
}

ProfileOptionsValues OptionsFromProfile(const TProfileRec& p, const DriveHolder& drives) {
    ProfileOptionsValues v;
    v.source = ShownFolder(p.Source);
    v.absoluteOutput = p.UseAbsoluteOutput;
    v.outputDir = ShownFolder(p.UseAbsoluteOutput ? p.FullOutDir : p.OutDir);
    v.isoPath = ShownFolder(p.ISOPath);
    v.isoFile = p.ISOFile;
    v.customDir = ShownFolder(p.CustomDir);
    v.buildParameter = p.BuildParameter;
    v.isoBuildParameter = p.ISOBuildParameter;

    v.skipRegistry = p.SkipRegistry;
    v.skipFiles = p.SkipFiles;
    v.buildIso = p.BuildISO;
    v.volumeId = p.VolumeID;
    v.isoDuplicatesOnce = p.ISODuplicatesOnce;
    v.noUpperCase = p.NoUpperCase;
    v.burnCd = p.BurnCD;
    // A tool number the list does not offer shows no item, and is kept on OK.
    v.writingTool = p.BurnUsing < kWritingToolCount ? p.BurnUsing : -1;
    v.drive = DriveIndexFor(drives, p.Device);
    v.blankCdrw = p.BlankCDRW;
    v.verify = p.Verify;
    v.eject = p.Eject;
    v.cleanIsoAfterBurn = p.CleanIsoAfterBurn;
    v.cleanOutputAfterBurn = p.CleanOutputAfterBurn;
    v.verbose = p.Verbose;

    v.preBuildProgram = p.PreBuild_UseExternalProgram;
    v.buildProgram = p.Build_UseExternalProgram;
    v.isoProgram = p.ISO_UseExternalProgram;
    v.program1 = TextAreaLines(p.ExternalProgram1);
    v.program2 = TextAreaLines(p.ExternalProgram2);
    v.program3 = TextAreaLines(p.ExternalProgram3);

    ApplyDependencies(v);
    return v;
}

void OptionsToProfile(const ProfileOptionsValues& v, const DriveHolder& drives, TProfileRec& p) {
    const std::string& builder = p.Builder.Path;
    p.Source = StoredSource(v.source);
    p.UseAbsoluteOutput = v.absoluteOutput;
    // Both forms are kept, whichever mode is chosen.
    if (v.absoluteOutput) {
        p.FullOutDir = StoredFolder(ShownFolder(v.outputDir));
        p.OutDir = StoredFolder(RelativeFolder(v.outputDir, builder));
    } else {
        p.FullOutDir = StoredFolder(JoinFolder(builder, v.outputDir));
        // An absolute text in relative mode can only mean that folder.
        p.OutDir = StoredFolder(IsAbsolute(v.outputDir) ? RelativeFolder(v.outputDir, builder)
                                                        : ShownFolder(v.outputDir));
    }
    p.ISOPath = StoredFolder(v.isoPath);
    p.ISOFile = v.isoFile;
    p.CustomDir = StoredFolder(v.customDir);
    p.BuildParameter = v.buildParameter;
    p.ISOBuildParameter = v.isoBuildParameter;

    p.SkipRegistry = v.skipRegistry;
    p.SkipFiles = v.skipFiles;
    p.BuildISO = v.buildIso;
    p.VolumeID = v.volumeId;
    p.ISODuplicatesOnce = v.isoDuplicatesOnce;
    p.NoUpperCase = v.noUpperCase;
    p.BurnCD = v.burnCd;
    if (v.writingTool >= 0 && v.writingTool < kWritingToolCount)
        p.BurnUsing = static_cast<uint8_t>(v.writingTool);
    const TCDDriverec* drive =
        v.drive >= 0 && v.drive < drives.Count() ? GetDriveRec(drives, v.drive) : nullptr;
    p.Device = drive ? drive->Address : std::string();
    p.BlankCDRW = v.blankCdrw;
    p.Verify = v.verify;
    p.Eject = v.eject;
    p.CleanIsoAfterBurn = v.cleanIsoAfterBurn;
    p.CleanOutputAfterBurn = v.cleanOutputAfterBurn;
    p.Verbose = v.verbose;

    p.PreBuild_UseExternalProgram = v.preBuildProgram;
    p.Build_UseExternalProgram = v.buildProgram;
    p.ISO_UseExternalProgram = v.isoProgram;
    p.ExternalProgram1 = TextAreaText(v.program1);
    p.ExternalProgram2 = TextAreaText(v.program2);
    p.ExternalProgram3 = TextAreaText(v.program3);
}

}  // namespace vrnx2
