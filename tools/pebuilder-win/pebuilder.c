/* A Windows stand-in for the outside builder program, for the tests, the demo and the
 * benchmark of builds through Wine. C and the Win32 API only. It reads section [input] of
 * input.inf beside its program file, takes -auto -exit -overwrite -buildiso and writes
 * pebuilder.log beside it, in the texts of lang\english.lng when that file exists.
 *
 * A build needs I386\SHELL32.DL_ in `source` and writes bootsect.bin,
 * I386\SYSTEM32\shell32.dll and PLUGINS.TXT (the enabled plugin files, sorted) into the output
 * folder; -buildiso (or buildiso=1) writes the image file named by `isofile`. Unless
 * skipregistry=1, it edits the source's registry hive I386\SETUPREG.HIV as a builder does
 * (hives.c). Environment:
 *   PEBUILDER_OUTCOME=fail|terminate|silent   a logged failure, a termination by the user,
 *                                             or nothing logged at all;
 *                    hang                     start a child copy of itself and never end,
 *                                             like a builder waiting on a dialog
 *   PEBUILDER_EXIT=N                          the exit code (default 0 for those outcomes)
 *   PEBUILDER_TRACE=FILE                      append the arguments, the current folder, the
 *                                             ANSI code page and the path values of
 *                                             input.inf as read
 * Every write is checked: one that fails is named on standard error (and in the log where it
 * can still be written), and the program ends with a non-zero code, never "Done.". */

#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <windows.h>

#include "hives.h"

#define TEXT_MAX 2048

static char g_dir[MAX_PATH];
static char g_options[MAX_PATH];
static char g_english[MAX_PATH];
static HANDLE g_log = INVALID_HANDLE_VALUE;
static int g_hasLanguage = 0;
static int g_writeFailed = 0;

/* A write that failed: the run can no longer end well. */
static void WriteFailed(const char* path) {
    fprintf(stderr, "pebuilder: cannot write %s (error %lu)\n", path, GetLastError());
    g_writeFailed = 1;
}

static void Join(char* out, const char* dir, const char* name) {
    lstrcpynA(out, dir, MAX_PATH);
    if (out[0] && out[lstrlenA(out) - 1] != '\\') lstrcatA(out, "\\");
    lstrcatA(out, name);
}

static void Option(const char* key, char* out) {
    GetPrivateProfileStringA("input", key, "", out, TEXT_MAX, g_options);
}

static int Flag(const char* key) {
    return GetPrivateProfileIntA("input", key, 0, g_options) != 0;
}

static int WriteText(HANDLE file, const char* text) {
    DWORD written = 0, length = (DWORD)lstrlenA(text);
    return WriteFile(file, text, length, &written, NULL) && written == length;
}

static char g_logPath[MAX_PATH];

static void Log(const char* text) {
    if (g_log == INVALID_HANDLE_VALUE) return;
    if (!WriteText(g_log, text) || !WriteText(g_log, "\r\n")) {
        WriteFailed(g_logPath);
        CloseHandle(g_log);
        g_log = INVALID_HANDLE_VALUE;
    }
}

/* The text of a [Translation] key of lang\english.lng, else the built-in English one. */
static void Translation(const char* key, const char* english, char* out) {
    out[0] = '\0';
    if (g_hasLanguage) GetPrivateProfileStringA("Translation", key, "", out, TEXT_MAX, g_english);
    if (!out[0]) lstrcpynA(out, english, TEXT_MAX);
}

static int Failed(const char* reason, int code) {
    char failed[TEXT_MAX], errors[TEXT_MAX], line[3 * TEXT_MAX];
    Log(reason);
    Translation("125", "Build failed:", failed);
    Translation("126", "error(s)", errors);
    wsprintfA(line, "%s%s 1 %s", g_hasLanguage ? "" : "[<<] ", failed, errors);
    Log(line);
    return code;
}

static int IsFile(const char* path) {
    DWORD a = GetFileAttributesA(path);
    return a != INVALID_FILE_ATTRIBUTES && !(a & FILE_ATTRIBUTE_DIRECTORY);
}

static int IsFolder(const char* path) {
    DWORD a = GetFileAttributesA(path);
    return a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_DIRECTORY);
}

static void OutputFolder(char* out) {
    char value[TEXT_MAX];
    if (Flag("useAbsoluteOutput")) {
        Option("fulloutdir", out);
        return;
    }
    Option("outdir", value);
    if ((value[0] && value[1] == ':') || value[0] == '\\')
        lstrcpynA(out, value, MAX_PATH);
    else
        Join(out, g_dir, value);
}

static int WriteFileText(const char* path, const char* text) {
    HANDLE f =
        CreateFileA(path, GENERIC_WRITE, 0, NULL, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, NULL);
    int ok;
    if (f == INVALID_HANDLE_VALUE) {
        WriteFailed(path);
        return 0;
    }
    ok = WriteText(f, text);
    ok = CloseHandle(f) && ok;
    if (!ok) WriteFailed(path);
    return ok;
}

/* A folder that exists afterwards, made now or before. */
static int MakeFolder(const char* path) {
    if (CreateDirectoryA(path, NULL) || GetLastError() == ERROR_ALREADY_EXISTS) return 1;
    WriteFailed(path);
    return 0;
}

static int WriteImage(const char* output) {
    char boot[MAX_PATH], iso[TEXT_MAX], volume[TEXT_MAX], text[2 * TEXT_MAX], line[2 * TEXT_MAX];
    Join(boot, output, "bootsect.bin");
    if (!IsFile(boot)) {
        wsprintfA(line, "No build output in %s", output);
        Log(line);
        return 0;
    }
    Option("isofile", iso);
    if (!iso[0]) {
        Log("No image file named (isofile)");
        return 0;
    }
    Option("VolumeID", volume);
    wsprintfA(text, "STAND-IN IMAGE\nVolumeID=%s\n", volume);
    if (!WriteFileText(iso, text)) {
        wsprintfA(line, "Cannot write %s", iso);
        Log(line);
        return 0;
    }
    wsprintfA(line, "Image written: %s", iso);
    Log(line);
    return 1;
}

/* Enabled plugin files below Plugin, as paths relative to it. */
static char** g_plugins;
static int g_pluginCount, g_pluginCapacity;

static void FindPlugins(const char* folder, const char* relative) {
    char pattern[MAX_PATH];
    WIN32_FIND_DATAA found;
    HANDLE search;
    Join(pattern, folder, "*");
    search = FindFirstFileA(pattern, &found);
    if (search == INVALID_HANDLE_VALUE) return;
    do {
        char path[MAX_PATH], rel[MAX_PATH];
        const char* name = found.cFileName;
        int length = lstrlenA(name);
        if (!lstrcmpA(name, ".") || !lstrcmpA(name, "..")) continue;
        Join(path, folder, name);
        if (relative[0])
            Join(rel, relative, name);
        else
            lstrcpynA(rel, name, MAX_PATH);
        if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
            FindPlugins(path, rel);
        } else if (length > 4 && !lstrcmpiA(name + length - 4, ".inf") &&
                   GetPrivateProfileIntA("PEBuilder", "Enable", 0, path) == 1) {
            if (g_pluginCount == g_pluginCapacity) {
                g_pluginCapacity = g_pluginCapacity ? 2 * g_pluginCapacity : 16;
                g_plugins = (char**)realloc(g_plugins, sizeof(char*) * g_pluginCapacity);
                if (!g_plugins) ExitProcess(70);
            }
            g_plugins[g_pluginCount] = (char*)malloc(lstrlenA(rel) + 1);
            if (!g_plugins[g_pluginCount]) ExitProcess(70);
            lstrcpyA(g_plugins[g_pluginCount++], rel);
        }
    } while (FindNextFileA(search, &found));
    FindClose(search);
}

static int ComparePaths(const void* a, const void* b) {
    return lstrcmpiA(*(char* const*)a, *(char* const*)b);
}

static int Build(int overwrite) {
    char source[TEXT_MAX], shell[MAX_PATH], output[MAX_PATH], path[MAX_PATH], line[3 * TEXT_MAX];
    char plugin[TEXT_MAX], pluginDir[MAX_PATH];
    int i;
    Option("source", source);
    Join(shell, source, "I386\\SHELL32.DL_");
    if (!source[0] || !IsFile(shell)) {
        wsprintfA(line, "Source not found: %s", source);
        return Failed(line, 1);
    }
    OutputFolder(output);
    if (!Flag("skipfiles")) {
        Join(path, output, "bootsect.bin");
        if (IsFile(path) && !overwrite) {
            wsprintfA(line, "Output folder is not empty (use -overwrite): %s", output);
            return Failed(line, 1);
        }
        Join(path, output, "I386");
        if (!MakeFolder(output) || !MakeFolder(path)) return Failed("Cannot make the output", 1);
        Join(path, output, "I386\\SYSTEM32");
        if (!MakeFolder(path)) return Failed("Cannot make the output", 1);
        Join(path, output, "I386\\SYSTEM32\\shell32.dll");
        if (!CopyFileA(shell, path, FALSE)) {
            wsprintfA(line, "Cannot write the output: %s", path);
            return Failed(line, 1);
        }
        Join(path, output, "bootsect.bin");
        if (!WriteFileText(path, "BOOT")) {
            wsprintfA(line, "Cannot write the output: %s", path);
            return Failed(line, 1);
        }
    } else if (!IsFolder(output)) {
        wsprintfA(line, "Output folder does not exist: %s", output);
        return Failed(line, 1);
    }
    Join(pluginDir, g_dir, "Plugin");
    FindPlugins(pluginDir, "");
    qsort(g_plugins, g_pluginCount, sizeof(char*), ComparePaths);
    {
        HANDLE list = INVALID_HANDLE_VALUE;
        int listed = 1;
        Join(path, output, "PLUGINS.TXT");
        if (!Flag("skipfiles")) {
            list = CreateFileA(path, GENERIC_WRITE, 0, NULL, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL,
                               NULL);
            listed = list != INVALID_HANDLE_VALUE;
        }
        Translation("121", "Plugin:", plugin);
        for (i = 0; i < g_pluginCount; ++i) {
            wsprintfA(line, "%s %s", plugin, g_plugins[i]);
            Log(line);
            if (list != INVALID_HANDLE_VALUE)
                listed = WriteText(list, g_plugins[i]) && WriteText(list, "\r\n") && listed;
        }
        if (list != INVALID_HANDLE_VALUE) listed = CloseHandle(list) && listed;
        if (!listed) {
            WriteFailed(path);
            wsprintfA(line, "Cannot write the output: %s", path);
            return Failed(line, 1);
        }
    }
    if (!Flag("skipregistry")) {
        char sourceI386[MAX_PATH], outputI386[MAX_PATH];
        Join(sourceI386, source, "I386");
        Join(outputI386, output, "I386");
        if (!EditHives(sourceI386, outputI386, (const char* const*)g_plugins, g_pluginCount, line))
            return Failed(line, 1);
        Log("Registry built");
    }
    if (Flag("buildiso") && !WriteImage(output)) return Failed("Image not written", 1);
    return 0;
}

static void Trace(int argc, char** argv) {
    static const char* keys[] = {"source", "outdir", "fulloutdir", "isofile", "customdir"};
    char file[MAX_PATH], value[TEXT_MAX], line[2 * TEXT_MAX];
    HANDLE out;
    int i;
    if (!GetEnvironmentVariableA("PEBUILDER_TRACE", file, MAX_PATH) || !file[0]) return;
    out = CreateFileA(file, FILE_APPEND_DATA, FILE_SHARE_READ, NULL, OPEN_ALWAYS,
                      FILE_ATTRIBUTE_NORMAL, NULL);
    int ok;
    if (out == INVALID_HANDLE_VALUE) {
        WriteFailed(file);
        return;
    }
    ok = WriteText(out, "argv");
    for (i = 1; i < argc; ++i) ok = WriteText(out, "\t") && WriteText(out, argv[i]) && ok;
    GetCurrentDirectoryA(MAX_PATH, value);
    wsprintfA(line, "\ncwd\t%s\nacp\t%u\n", value, GetACP());
    ok = WriteText(out, line) && ok;
    for (i = 0; i < (int)(sizeof keys / sizeof keys[0]); ++i) {
        Option(keys[i], value);
        wsprintfA(line, "input\t%s\t%s\n", keys[i], value);
        ok = WriteText(out, line) && ok;
    }
    ok = CloseHandle(out) && ok;
    if (!ok) WriteFailed(file);
}

/* Starts a child that sleeps for good, then sleeps for good itself. */
static void Hang(void) {
    char self[MAX_PATH], command[MAX_PATH + 32];
    STARTUPINFOA startup;
    PROCESS_INFORMATION child;
    GetModuleFileNameA(NULL, self, MAX_PATH);
    wsprintfA(command, "\"%s\" -hang-child", self);
    ZeroMemory(&startup, sizeof startup);
    startup.cb = sizeof startup;
    if (CreateProcessA(NULL, command, NULL, NULL, FALSE, 0, NULL, NULL, &startup, &child)) {
        CloseHandle(child.hThread);
        CloseHandle(child.hProcess);
    }
    Log("Hanging (PEBUILDER_OUTCOME)");
    if (g_log != INVALID_HANDLE_VALUE) FlushFileBuffers(g_log);
    for (;;) Sleep(INFINITE);
}

int main(int argc, char** argv) {
    int autoRun = 0, exitWhenDone = 0, overwrite = 0, buildIso = 0, code = 0, succeeded = 0;
    char outcome[64], exitText[64], text[TEXT_MAX], line[TEXT_MAX + 64], path[MAX_PATH];
    char* slash;
    int i, forced;

    if (argc > 1 && !lstrcmpA(argv[1], "-hang-child"))
        for (;;) Sleep(INFINITE);
    GetModuleFileNameA(NULL, g_dir, MAX_PATH);
    slash = strrchr(g_dir, '\\');
    if (slash) *slash = '\0';
    Join(g_options, g_dir, "input.inf");
    Join(g_english, g_dir, "lang\\english.lng");
    g_hasLanguage = IsFile(g_english);

    for (i = 1; i < argc; ++i) {
        if (!lstrcmpiA(argv[i], "-auto"))
            autoRun = 1;
        else if (!lstrcmpiA(argv[i], "-exit"))
            exitWhenDone = 1;
        else if (!lstrcmpiA(argv[i], "-overwrite"))
            overwrite = 1;
        else if (!lstrcmpiA(argv[i], "-buildiso"))
            buildIso = 1;
    }
    Trace(argc, argv);
    outcome[0] = exitText[0] = '\0';
    GetEnvironmentVariableA("PEBUILDER_OUTCOME", outcome, sizeof outcome);
    GetEnvironmentVariableA("PEBUILDER_EXIT", exitText, sizeof exitText);
    forced = exitText[0] ? atoi(exitText) : 0;
    if (!lstrcmpiA(outcome, "silent")) return g_writeFailed && !forced ? 1 : forced;

    Join(g_logPath, g_dir, "pebuilder.log");
    g_log = CreateFileA(g_logPath, FILE_APPEND_DATA, FILE_SHARE_READ, NULL, OPEN_ALWAYS,
                        FILE_ATTRIBUTE_NORMAL, NULL);
    if (g_log == INVALID_HANDLE_VALUE) WriteFailed(g_logPath);
    text[0] = '\0';
    for (i = 1; i < argc; ++i) {
        if (i > 1) lstrcatA(text, " ");
        if (lstrlenA(text) + lstrlenA(argv[i]) + 2 < TEXT_MAX) lstrcatA(text, argv[i]);
    }
    wsprintfA(line, "Windows stand-in builder, options: %s", text);
    Log(line);
    if (!autoRun) {
        Log("Only unattended runs (-auto) are available in the stand-in builder");
        return 2;
    }
    if (!lstrcmpiA(outcome, "hang")) Hang();
    if (!lstrcmpiA(outcome, "terminate")) {
        Translation("133", "Terminated by user...", text);
        Log(text);
        code = forced;
    } else if (!lstrcmpiA(outcome, "fail")) {
        code = Failed("Failure requested (PEBUILDER_OUTCOME)", forced);
    } else if (buildIso) {
        OutputFolder(path);
        succeeded = WriteImage(path);
        code = succeeded ? 0 : Failed("Image not written", 1);
    } else {
        code = Build(overwrite);
        succeeded = code == 0;
    }
    if (exitText[0]) code = forced;
    /* A run that lost a write is no success, whatever it was asked to end with. */
    if (succeeded && !g_writeFailed) {
        Translation("123", "Done.", text);
        Log(text);
    }
    if (g_writeFailed && !code) code = 1;
    (void)exitWhenDone; /* it always ends: there is nobody to close its window */
    if (g_log != INVALID_HANDLE_VALUE) CloseHandle(g_log);
    return code;
}
