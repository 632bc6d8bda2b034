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
// The file name of a path with its extension replaced by ".ini".
std::wstring iniFileNameFor(const std::wstring& path);
// A product name without \ ? " | > < : / *.
std::wstring cleanProductName(const std::wstring& name);
// APPDATA\<clean product name>\<product code>\<exe name>.ini, with the two folders
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
// Whether a path counts as absolute for the existence test (D:\x or \\srv\x).
bool isAbsolutePath(const std::wstring& path);
// Whether a file search for the path and a query of its attributes agree on
// whether it exists: no wildcard (* ? and the DOS forms < > "), no trailing
// separator, no drive or UNC root, no last part made of dots and spaces.
bool isPlainFilePath(const std::wstring& path);

// --- platform operations ------------------------------------------------------

// The executable's path. On failure prints messages 202/208 and gives false.
bool modulePath(std::wstring& path);
// The executable's folder with its trailing '\'. False only when modulePath fails;
// when the path has no '\' `folder` is left as it was.
bool moduleFolder(std::wstring& folder);
// The executable's folder without its trailing '\' (empty when the path has none).
bool moduleFolderBare(std::wstring& folder);
// The value of APPDATA, or empty text.
std::wstring appDataFolder();
// The per-user configuration path of executable `exePath` (empty when `exePath` is
// empty); creates its two folders when `createFolders` is set.
std::wstring userConfigPathFor(const std::wstring& exePath, const std::wstring& productName,
                               const std::wstring& productCode, bool createFolders);
class Launcher;
// The launcher's own per-user configuration path, or empty when the module path is unavailable.
std::wstring userConfigPath(const Launcher& launcher, bool createFolders);
// Makes the executable's folder the current directory.
void applyWorkingDirOverride();
// Fills `arguments` from the process command line.
void readArguments(Launcher& launcher);
// The value of an environment variable; false when it is not set (a variable
// set to nothing gives true and an empty value).
bool readEnvironmentVariable(const std::wstring& name, std::wstring& value);
// Replaces %NAME% references with the environment's values; unchanged on failure.
void expandEnvironmentInPlace(std::wstring& text);
// Whether a file search finds the path (a file or a folder).
bool fileExists(const std::wstring& path);
// Like fileExists, with the long-path form for paths of 260 characters or more.
bool findFile(const std::wstring& path);
// Creates the missing folders above a file.
void ensureParentFolders(const std::wstring& path);
