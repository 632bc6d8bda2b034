#pragma once
#include <functional>
#include <string>
#include <vector>

// Path, argument and environment services. The platform-free rules come first;
// the operations that ask the platform follow.

// --- rules -------------------------------------------------------------------

// The path with everything after its last '.' replaced by "ini"; empty when
// the path has no '.' (D:\Apps\Tool\tool.exe -> D:\Apps\Tool\tool.ini).
std::wstring iniPathFor(const std::wstring& path);
// The folder of a path including its last '\'; the path itself when it has none.
std::wstring folderWithSeparator(const std::wstring& path);
// The folder of a path without its last '\'; empty when it has none.
std::wstring folderWithoutSeparator(const std::wstring& path);
// Everything before the last '\'; the path itself when it has none.
std::wstring cutAtLastSeparator(const std::wstring& path);
// A folder with '\' appended when it does not end in one; empty stays empty.
std::wstring withTrailingSeparator(const std::wstring& folder);
// The last part of a path (after its last '\'); the path itself when it has none.
std::wstring fileNameOf(const std::wstring& path);
// The file name of a path with its extension replaced by ".ini".
std::wstring iniFileNameFor(const std::wstring& path);
// "Product Name" or "Product Code" as one folder's name: without \ ? " | > < : / *,
// and empty when nothing but dots and spaces is left.
std::wstring cleanProductName(const std::wstring& name);
// APPDATA\<clean product name>\<clean product code>\<exe name>.ini, with the two folders
// that lead to it (in creation order) in `folders` when it is not null.
std::wstring composeUserConfigPath(const std::wstring& appData, const std::wstring& productName,
                                   const std::wstring& productCode, const std::wstring& exePath,
                                   std::vector<std::wstring>* folders);

// Cuts a command line into tokens: space-separated, a token that starts with a
// double quote runs to the next one and loses both quotes. No escapes.
std::vector<std::wstring> splitCommandLine(const std::wstring& text);
// Removes white space (space, tab, line breaks, form feed, vertical tab) from both ends.
std::wstring trimWhitespace(const std::wstring& text);
// The program's arguments: the trimmed command line cut into tokens, without the first.
std::vector<std::wstring> argumentsFromCommandLine(const std::wstring& commandLine);

// Creates the folders above a file. The folder operations are passed in so that
// the walk can be checked without touching a disk.
struct FolderOps {
    std::function<bool(const std::wstring&)> exists;          // absolute existence test
    std::function<unsigned(const std::wstring&)> create;      // 0 on success, else the error code
    std::function<void(const std::wstring&)> remove;          // remove an (empty) folder
};
void ensureParentFoldersWith(const std::wstring& path, const FolderOps& ops);
// A path in the form the file functions take beyond MAX_PATH characters
// (\\?\D:\..., \\?\UNC\srv\...); shorter and relative paths stay as they are.
std::wstring longPathForm(const std::wstring& path);
// Whether a path counts as absolute for the existence test (D:\x or \\srv\x).
bool isAbsolutePath(const std::wstring& path);
// Whether a file search for the path and a query of its attributes agree on
// whether it exists: no wildcard (* ? and the DOS forms < > "), no trailing
// separator, no drive or UNC root, no last part made of dots and spaces.
bool isPlainFilePath(const std::wstring& path);

// --- platform operations ------------------------------------------------------

// The executable's own path and folders, read once.
struct ModulePaths {
    std::wstring exe;         // the module path
    std::wstring folder;      // its folder with the trailing '\'
    std::wstring folderBare;  // its folder without it
};
// Reads the module path. False, with the system's error code, when it cannot.
bool readModulePaths(ModulePaths& paths, unsigned long* error = nullptr);
// The value of APPDATA, or empty text.
std::wstring appDataFolder();
// The per-user configuration path of executable `exePath` (empty when `exePath` is
// empty); creates its two folders when `createFolders` is set.
std::wstring userConfigPathFor(const std::wstring& exePath, const std::wstring& productName,
                               const std::wstring& productCode, bool createFolders);
// Makes the folder of `exePath` the current directory. False, with the
// system's error code, when it cannot (a folder too long for a current directory).
bool applyWorkingDirOverride(const std::wstring& exePath, unsigned long* error = nullptr);
// The current directory, of any length.
std::wstring currentDirectory();
// The program's arguments, taken from the process command line.
std::vector<std::wstring> readArguments();
// The full path of a possibly relative path, against the current directory;
// the path itself when the system cannot form one.
std::wstring fullPath(const std::wstring& path);
// A path as the file functions take it: from MAX_PATH characters on, the full
// path in the long-path form; shorter paths as they are.
std::wstring fileCallPath(const std::wstring& path);
// An existing absolute path as the file system spells it: every name long
// (not 8.3) and in the letters it has on the disk, the drive letter in capitals.
// Names it cannot look up stay as given, and so does the rest of the path.
std::wstring canonicalPath(const std::wstring& path);
// The short (8.3) form of an existing path, or empty text when there is none.
std::wstring shortPathName(const std::wstring& path);
// The value of an environment variable; false when it is not set (a variable
// set to nothing gives true and an empty value).
bool readEnvironmentVariable(const std::wstring& name, std::wstring& value);
// The value of an environment variable, empty when it is not set.
std::wstring environmentValue(const std::wstring& name);
// Replaces %NAME% references with the environment's values; unchanged on failure.
void expandEnvironmentInPlace(std::wstring& text);
// Whether a file search finds the path (a file or a folder).
bool fileExists(const std::wstring& path);
// Like fileExists, with the long-path form for paths of 260 characters or more.
bool findFile(const std::wstring& path);
// The names a file search for `pattern` lists, in the order it lists them.
std::vector<std::wstring> findNames(const std::wstring& pattern);
// Creates the missing folders above a file.
void ensureParentFolders(const std::wstring& path);
// Whether the system is of the Windows NT family.
bool isWindowsNtFamily();
