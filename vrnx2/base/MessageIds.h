#pragma once
// Names for the ids of the message table. The table, the built-in texts and the language
// resources keep the numbers; code names the text it shows. Each constant is the id as the
// table looks it up, commented with its English text.

namespace vrnx2 {

inline constexpr char kMsgMenuBuilder[] = "001";            // &Builder
inline constexpr char kMsgBuild[] = "002";                  // &Build
inline constexpr char kMsgCreateIsoFile[] = "003";          // Create &ISO file
inline constexpr char kMsgViewLog[] = "004";                // &View log
inline constexpr char kMsgExit[] = "005";                   // E&xit
inline constexpr char kMsgMenuProfile[] = "006";            // &Profile
inline constexpr char kMsgAddProfile[] = "007";             // &Add
inline constexpr char kMsgEditProfile[] = "008";            // &Edit
inline constexpr char kMsgDeleteProfile[] = "009";          // &Delete
inline constexpr char kMsgProfileSettings[] = "010";        // &Profile settings
inline constexpr char kMsgFolder[] = "011";                 // Fo&lder
inline constexpr char kMsgOpenBuilderFolder[] = "012";      // Open PE Builder fold&er
inline constexpr char kMsgOpenPluginFolder[] = "013";       // Open p&lugin folder
inline constexpr char kMsgOpenSourceFolder[] = "014";       // Open so&urce folder
inline constexpr char kMsgOpenBuildOutputFolder[] = "015";  // Open &build output folder
inline constexpr char kMsgOpenIsoOutputFolder[] = "016";    // Open &ISO image output folder
inline constexpr char kMsgOpenCustomFolder[] = "017";       // Open &custom folder
inline constexpr char kMsgMenuSettings[] = "018";           // Setting&s
inline constexpr char kMsgBuildType[] = "019";              // Build &type
inline constexpr char kMsgBasic[] = "020";                  // &Basic
inline constexpr char kMsgAdvanced[] = "021";               // &Advanced
inline constexpr char kMsgRegisterBuilderMenu[] = "022";    // &Register PE Builder
inline constexpr char kMsgMenuPreferences[] = "023";        // &Preferences
inline constexpr char kMsgHelp[] = "024";                   // &Help
inline constexpr char kMsgSearchTopics[] = "025";           // Search &topics
inline constexpr char kMsgMenuAbout[] = "026";              // &About
inline constexpr char kMsgProfileList[] = "027";            // Profile &list:
inline constexpr char kMsgSettingsHaveBeenInitialised[] =
    "028";                                           // The settings have been initialised.
inline constexpr char kMsgVarnex[] = "029";          // Varnex
inline constexpr char kMsgBuilderProgram[] = "030";  // PE Builder
inline constexpr char kMsgPlugins[] = "031";         // Plugins
inline constexpr char kMsgPleaseEnterValidBuilderName[] =
    "032";                                                 // Please enter a valid builder name.
inline constexpr char kMsgRegisteredBuilders[] = "033";    // &Registered builders:
inline constexpr char kMsgColumnBuilder[] = "034";         // Builder
inline constexpr char kMsgColumnInstallPath[] = "035";     // Install path
inline constexpr char kMsgRegisterBuilderTitle[] = "036";  // Register builder
inline constexpr char kMsgEditBuilderTitle[] = "037";      // Edit builder
inline constexpr char kMsgBuilderName[] = "038";           // Builder &name:
inline constexpr char kMsgBuilderPathLabel[] = "039";      // Install &path:
inline constexpr char kMsgOK[] = "040";                    // OK
inline constexpr char kMsgCancel[] = "041";                // Cancel
inline constexpr char kMsgApply[] = "042";                 // &Apply
inline constexpr char kMsgMoveUp[] = "043";                // Move &up
inline constexpr char kMsgMoveDown[] = "044";              // Move d&own
inline constexpr char kMsgError[] = "045";                 // Error
inline constexpr char kMsgWarning[] = "046";               // Warning
inline constexpr char kMsgCaution[] = "047";               // Caution
inline constexpr char kMsgConfirmation[] = "048";          // Confirmation
inline constexpr char kMsgPleaseSpecifyBuilderPath[] =
    "049";  // Please specify the PE Builder install path.
inline constexpr char kMsgPleaseEnterValidProfileName[] =
    "050";  // Please enter a valid profile name.
inline constexpr char kMsgSpecifiedFolderDoesNotExist[] =
    "051";  // The specified folder does not exist.
inline constexpr char kMsgBuilderProgramNotInFolder[] =
    "052";                                     // pebuilder.exe is not in the specified folder.
inline constexpr char kMsgContinue[] = "053";  // Continue?
inline constexpr char kMsgRegisterBuilderButton[] = "054";   // &Register
inline constexpr char kMsgEditBuilderButton[] = "055";       // &Edit
inline constexpr char kMsgUnregisterBuilder[] = "056";       // &Unregister
inline constexpr char kMsgWillBeUnregistered[] = "057";      // %s will be unregistered.
inline constexpr char kMsgYouSure[] = "058";                 // Are you sure?
inline constexpr char kMsgSelectBuilderTitle[] = "059";      // Select PE Builder
inline constexpr char kMsgPleaseSelectBuilder[] = "060";     // Please select the PE Builder to use.
inline constexpr char kMsgColumnProfile[] = "061";           // Profile
inline constexpr char kMsgColumnBuilderUsed[] = "062";       // Builder used
inline constexpr char kMsgUntitled[] = "063";                // Untitled
inline constexpr char kMsgProfileWillBeDeleted[] = "064";    // Profile %s will be deleted.
inline constexpr char kMsgAboutTitle[] = "065";              // About
inline constexpr char kMsgPreferencesTitle[] = "066";        // Preferences
inline constexpr char kMsgPluginBuilder[] = "067";           // Plugin Builder
inline constexpr char kMsgPluginBuilderPathLabel[] = "068";  // Install pat&h:
inline constexpr char kMsgWaitPluginBuilderExit[] = "069";   // Wait for Plugin B&uilder to exit
inline constexpr char kMsgTextEditor[] = "070";              // Text editor
inline constexpr char kMsgExecutable[] = "071";              // &Executable:
inline constexpr char kMsgWaitTextEditorExit[] = "072";      // Wait for the &text editor to exit
inline constexpr char kMsgPleaseSpecifyPluginBuilderInstall[] =
    "073";  // Please specify the Plugin Builder install path.
inline constexpr char kMsgExecutableFilter[] =
    "074";                                        // Executables (*.exe)|*.exe|All files (*.*)|*.*
inline constexpr char kMsgColumnBuild[] = "075";  // Build
inline constexpr char kMsgColumnRegistry[] = "076";         // Registry
inline constexpr char kMsgColumnFiles[] = "077";            // Files
inline constexpr char kMsgColumnIsoCreation[] = "078";      // ISO creation
inline constexpr char kMsgColumnDiscCreation[] = "079";     // CD/DVD creation
inline constexpr char kMsgGeneral[] = "080";                // General
inline constexpr char kMsgBuildOptions[] = "081";           // Build options
inline constexpr char kMsgExternalPrograms[] = "082";       // External programs
inline constexpr char kMsgSourcePath[] = "083";             // &Source path:
inline constexpr char kMsgBuildOutputPath[] = "084";        // Buil&d output path:
inline constexpr char kMsgAbsolutePath[] = "085";           // &Absolute path
inline constexpr char kMsgRelativePath[] = "086";           // Relative &path
inline constexpr char kMsgIsoOutputPath[] = "087";          // &ISO output path:
inline constexpr char kMsgIsoFileName[] = "088";            // ISO &file name:
inline constexpr char kMsgCustomFilePath[] = "089";         // &Custom file path:
inline constexpr char kMsgBuildParameters[] = "090";        // &Build parameters:
inline constexpr char kMsgIsoCreationParameters[] = "091";  // &ISO creation parameters:
inline constexpr char kMsgDoNotBuildRegistry[] = "092";     // Do not build the &registry
inline constexpr char kMsgDoNotBuildFiles[] = "093";        // Do not build fi&les
inline constexpr char kMsgCreateIsoImageWhenBuilding[] =
    "094";                                             // &Create an ISO image when building
inline constexpr char kMsgVolumeId[] = "095";          // V&olume ID:
inline constexpr char kMsgOptimiseStorage[] = "096";   // Optimise stora&ge
inline constexpr char kMsgBurnIsoImageDisc[] = "097";  // Burn the ISO image &to CD
inline constexpr char kMsgWritingTool[] = "098";       // &Writing tool:
inline constexpr char kMsgDrive[] = "099";             // &Drive:
inline constexpr char kMsgEraseRewritableBeforeBurning[] =
    "100";                                              // Erase the CD-R&W before burning
inline constexpr char kMsgVerifyData[] = "101";         // &Verify data
inline constexpr char kMsgEjectAfterBurning[] = "102";  // &Eject after burning
inline constexpr char kMsgVerboseMode[] = "103";        // &Verbose mode
inline constexpr char kMsgRunExternalProgramBeforeBuild[] =
    "104";  // Run an external &program before Build
inline constexpr char kMsgUseExternalProgramIsoCreation[] =
    "105";  // Use an external program for ISO creation in Buil&d
inline constexpr char kMsgUseExternalProgramCreateIso[] =
    "106";                                               // Use an e&xternal program for Create ISO
inline constexpr char kMsgAvailableVariables[] = "107";  // Available variables:
inline constexpr char kMsgPleaseSelectSourcePath[] = "108";  // Please select the source path.
inline constexpr char kMsgPleaseSelectBuildOutputPath[] =
    "109";  // Please select the build output path.
inline constexpr char kMsgPleaseSelectIsoOutputPath[] =
    "110";  // Please select the ISO output path.
inline constexpr char kMsgPleaseSelectCustomFilePath[] =
    "111";                                                  // Please select the custom file path.
inline constexpr char kMsgOffsetFromBuilderPath[] = "112";  // [offset from the PE Builder path]
inline constexpr char kMsgProfileName[] = "113";            // Profile &name:
inline constexpr char kMsgPluginList[] = "114";             // Plugin list
inline constexpr char kMsgInclusionOrder[] = "115";         // Inclusion order
inline constexpr char kMsgReload[] = "116";                 // &Reload
inline constexpr char kMsgEnableDisable[] = "117";          // &Enable/disable
inline constexpr char kMsgPluginSettings[] = "118";         // Setting&s
inline constexpr char kMsgReadHelpFile[] = "119";           // Read the &help file
inline constexpr char kMsgInstall[] = "120";                // &Install
inline constexpr char kMsgUninstall[] = "121";              // &Uninstall
inline constexpr char kMsgOpenPluginBuilder[] = "122";      // Open with P&lugin Builder
inline constexpr char kMsgOpenTextEditor[] = "123";         // Open with the &text editor
inline constexpr char kMsgOpenThePluginFolder[] = "124";    // Open the Plugin &folder
inline constexpr char kMsgNewCategory[] = "125";            // New category
inline constexpr char kMsgCreateCategory[] = "126";         // &Create category
inline constexpr char kMsgDeleteCategory[] = "127";         // &Delete category
inline constexpr char kMsgExpandTree[] = "128";             // Ex&pand tree
inline constexpr char kMsgCollapseTree[] = "129";           // C&ollapse tree
inline constexpr char kMsgSortTree[] = "130";               // &Sort tree
inline constexpr char kMsgCategoryNotEmpty[] = "131";       // The category is not empty.
inline constexpr char kMsgManageInclusionOrder[] =
    "132";                                       // &Manage the plugin inclusion order in Varnex
inline constexpr char kMsgPluginPath[] = "133";  // Plugin path
inline constexpr char kMsgCabinetFilter[] =
    "134";  // Cabinet plugin files (*.cab)|*.cab|All files (*.*)|*.*
inline constexpr char kMsgPluginInstallation[] = "135";  // Plugin installation
inline constexpr char kMsgEnterNameFolderInstallPlugin[] =
    "136";  // Enter the name of the folder to install the plugin into.
inline constexpr char kMsgFolderAlreadyExists[] = "137";   // The folder already exists.
inline constexpr char kMsgPluginUninstallation[] = "138";  // Plugin uninstallation
inline constexpr char kMsgAllFilesWillBeDeleted[] =
    "139";                                       // All files in the %s folder will be deleted.
inline constexpr char kMsgBuildingPE[] = "140";  // Building the PE.
inline constexpr char kMsgCreatingIsoImage[] = "141";     // Creating the ISO image.
inline constexpr char kMsgSourceFolderInvalid[] = "142";  // The source folder is invalid.
inline constexpr char kMsgOutputPathInvalid[] = "143";    // The output path is invalid.
inline constexpr char kMsgNoBuildDataExists[] = "144";    // No build data exists.
inline constexpr char kMsgInvalidCategoryName[] = "145";  // Invalid category name
inline constexpr char kMsgPluginFolderUse[] = "146";      // The plugin folder is in use.
inline constexpr char kMsgCloseApplicationsInPluginFolder[] =
    "147";  // Close every application working in the plugin folder.
inline constexpr char kMsgDeleteIsoFileAfterWriting[] =
    "148";  // Delete the ISO file after wr&iting
inline constexpr char kMsgDeleteBuildDataAfterWriting[] =
    "149";                                               // De&lete the build data after writing
inline constexpr char kMsgDoNotUpperCaseFile[] = "150";  // Do not &upper-case file names
inline constexpr char kMsgCopyProfile[] = "151";         // &Copy
inline constexpr char kMsgCopyOf[] = "152";              // Copy of %s
inline constexpr char kMsgNoBuilderRegisteredYet[] =
    "153";  // No PE Builder is registered yet. Register one first: %s menu, %s (F8).
inline constexpr char kMsgNoProfilesYet[] =
    "154";  // No profiles yet. Make one with the %s button (Insert).
inline constexpr char kMsgProfilesChangedElsewhere[] =
    "163";  // Another program changed the profile list while this window was open.
inline constexpr char kMsgOverwriteWithThisList[] =
    "164";  // Overwrite it with this window's list? No loads the changed list.
inline constexpr char kMsgStoreReadOnly[] =
    "165";  // The settings store %s cannot be written: the file or its folder is read-only, ...
inline constexpr char kMsgStoreDiskFull[] =
    "166";  // The settings store %s cannot be written: the disk is full.
inline constexpr char kMsgStoreInUse[] =
    "167";  // The settings store %s is in use by another program. Try again when it has ...
inline constexpr char kMsgStoreCannotBeUsed[] = "168";  // The settings store %s cannot be used: %s
// Message-box buttons other than OK and Cancel.
inline constexpr char kMsgYes[] = "169";    // &Yes
inline constexpr char kMsgNo[] = "170";     // &No
inline constexpr char kMsgRetry[] = "171";  // &Retry
// The reasons of the file and program layer (platform::Sentence, in its order).
inline constexpr char kMsgNotAProgram[] =
    "172";  // %s is not a program that can be started here (%s). A Linux program or ...
inline constexpr char kMsgNeedsWine[] =
    "173";  // %s is a Windows program; starting it needs Wine, which was not found (...
inline constexpr char kMsgNeedsWine32[] =
    "174";  // %s is a 32-bit Windows program, and no 32-bit Wine is installed (Wine ...
inline constexpr char kMsgNeedsDisplay[] =
    "175";  // %s is a Windows program with windows, and there is no display to show ...
inline constexpr char kMsgNoWineDrive[] =
    "176";  // No drive of the Wine prefix %s holds %s. Add one with winecfg (Drives)...
inline constexpr char kMsgCannotOpen[] = "177";        // cannot open '%s': %s
inline constexpr char kMsgCannotRead[] = "178";        // cannot read '%s': %s
inline constexpr char kMsgCannotReadStatus[] = "179";  // cannot read the status of '%s': %s
inline constexpr char kMsgNotARegularFile[] =
    "180";  // cannot rewrite what is not a regular file '%s': %s
inline constexpr char kMsgCannotCreateTemp[] =
    "181";                                        // cannot create a temporary file beside '%s': %s
inline constexpr char kMsgCannotWrite[] = "182";  // cannot write '%s': %s
inline constexpr char kMsgCannotReplace[] = "183";    // cannot replace '%s': %s
inline constexpr char kMsgCannotSetMode[] = "184";    // cannot set the mode of '%s': %s
inline constexpr char kMsgCannotKeepOwner[] = "185";  // cannot keep the owner of '%s': %s
inline constexpr char kMsgCannotKeepMode[] = "186";   // cannot keep the mode of '%s': %s
inline constexpr char kMsgCannotKeepTime[] = "187";   // cannot keep the time of '%s': %s
inline constexpr char kMsgCannotDelete[] = "188";     // cannot delete '%s': %s
inline constexpr char kMsgNotInCodePage[] =
    "189";  // The value of %s cannot be written in code page %s, which the file is r...
inline constexpr char kMsgPrefixLacks32Bit[] =
    "190";  // %s is a 32-bit Windows program, and the Wine prefix %s was made before ...
inline constexpr char kMsgVirtualMachine[] = "191";  // Virtual machine
inline constexpr char kMsgVmMemory[] = "192";        // &Memory (MB):
inline constexpr char kMsgVmOptions[] = "193";       // QEMU &options:
inline constexpr char kMsgVmUseKvm[] = "194";        // Use &KVM where it works

// Trying the built image in a virtual machine, and stopping a build.
inline constexpr char kMsgTryInVirtualMachine[] = "155";  // Try in a &virtual machine
inline constexpr char kMsgStop[] = "156";                 // &Stop
inline constexpr char kMsgStopBuildQuestion[] =
    "157";  // Stop the build? The builder and every program it started are ended ...
inline constexpr char kMsgImageFileMissing[] = "158";  // The image file does not exist: %s
inline constexpr char kMsgQemuNotFound[] =
    "159";  // QEMU was not found (%s). Install the package qemu-system-x86 ...
inline constexpr char kMsgVirtualMachineRunning[] =
    "160";  // A virtual machine started from this window is still running ...
inline constexpr char kMsgNoKvm[] = "161";  // KVM cannot be used here ... runs slower.
inline constexpr char kMsgQemuWithoutWindow[] =
    "162";  // QEMU (%s) cannot show a window here ... Install the package qemu-system-gui ...

}  // namespace vrnx2
