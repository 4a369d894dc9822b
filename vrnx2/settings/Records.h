#pragma once
// The plain value records shared by every window: plugin, optical drive, builder, profile.
// Folder paths are held with "/" separators; see each field for its trailing-slash rule.

#include <cstdint>
#include <string>

namespace vrnx2 {

// One plugin found on disk, or one category of the plugin catalogue.
struct TPluginRec {
    bool IsCategory = false;
    std::string Name;
    std::string Dir;  // folder of the plugin file, no trailing "/"
    std::string FileName;
    std::string FilePath;  // Dir + "/" + FileName
    std::string Help;      // full path of the help file, or empty
    std::string Config;
    bool Enabled = false;
    std::string Category;  // catalogue path, "\" separated as stored
    int32_t Order = 0;
};

// One optical drive.
struct TCDDriverec {
    std::string Drive;
    std::string Caption;
    uint8_t ScsiPort = 255;
    uint8_t ScsiTargetId = 255;
    uint8_t ScsiLogicalUnit = 255;
    std::string Address;  // "%d,%d,%d" of the three numbers
};

// One registered builder installation.
struct TBuilderRec {
    std::string Name;
    std::string Path;    // installation folder (holds pebuilder.exe)
    int32_t Number = 0;  // 1-based list position; 0 none; -1 added, not yet applied

    bool operator==(const TBuilderRec&) const = default;
};

// One build profile. Defaults are those a load uses for absent values.
struct TProfileRec {
    std::string ProfileName;
    int32_t ProfileNumber = 0;  // NNN of the profile's key; 1000 while being created
    TBuilderRec Builder;        // BuilderName, BuilderPath, BuilderIndex
    bool BlankCDRW = false;
    bool BuildISO = false;
    bool BurnCD = false;
    uint8_t BurnUsing = 1;
    std::string CustomDir;
    std::string Device;
    bool Eject = false;
    std::string FullOutDir;
    bool ISODuplicatesOnce = false;
    std::string ISOPath;
    std::string ISOFile;
    std::string LangFile;
    std::string OutDir;
    bool SkipFiles = false;
    bool SkipRegistry = false;
    std::string Source;
    bool UseAbsoluteOutput = false;
    bool Verbose = true;
    bool Verify = false;
    std::string VolumeID;
    std::string BuildParameter = "-auto -exit";
    std::string ISOBuildParameter = "-auto -exit";
    bool PreBuild_UseExternalProgram = false;
    bool Build_UseExternalProgram = false;
    bool ISO_UseExternalProgram = false;
    std::string ExternalProgram1;
    std::string ExternalProgram2;
    std::string ExternalProgram3;
    bool ManageOrder = false;
    bool NoUpperCase = false;
    bool CleanIsoAfterBurn = false;
    bool CleanOutputAfterBurn = false;

    bool operator==(const TProfileRec&) const = default;
};

}  // namespace vrnx2
