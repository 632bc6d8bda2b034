#pragma once
// Where a runtime's version comes from besides its registry key: the `release`
// file of its home and the version resource of its VM library. The rules are
// platform-free; discovery.h reads the files through a RuntimeProbe.
#include <cstdint>
#include <string>

#include "runtime/java_version.h"

// The source of a version or of its exact text.
enum class VersionOrigin { None, Registry, ReleaseFile, VersionResource };
// "registry", "release file", "version resource" (empty for None).
const wchar_t* originText(VersionOrigin origin);

// What is known of one runtime's version.
struct RuntimeVersion {
    JavaVersion version;  // 0.0.0.0 when it cannot be read
    VersionOrigin origin = VersionOrigin::None;
    std::wstring text;    // the exact text: the release file's JAVA_VERSION, else the version resource's
    VersionOrigin textOrigin = VersionOrigin::None;
    bool known() const { return origin != VersionOrigin::None; }
};

// The value of JAVA_VERSION in the bytes of a `release` file (lines of
// KEY=value, the value usually in double quotes). False when there is no such
// line or its value is empty, longer than 64 characters or holds anything but
// printable ASCII.
bool releaseFileVersion(const std::string& bytes, std::wstring& text);

// The folder above a home named ...\jre\ (a JDK 8 keeps its release file
// there), with its '\'; empty for any other home.
std::wstring jreParentFolder(const std::wstring& home);

// The version a VM library's product version stands for: only its major number
// counts (JDK 8 libraries encode the rest differently), and 5 to 8 read as 1.5
// to 1.8. 0.0.0.0 for a major number of 0.
JavaVersion versionFromProductVersion(const uint16_t productVersion[4]);
// The product version as text: "21.0.2.0".
std::wstring productVersionText(const uint16_t productVersion[4]);

// A version text of the layouts of Java 9 and later installers: read as usual,
// except that N.0.U.B with N from 5 to 8 (the Java 8 keys of Temurin and Semeru
// installers, 8.0.392.8) reads as 1.N.0.U. A text that starts with "1." keeps
// the usual reading.
JavaVersion modernVersion(const std::wstring& text);

// The number of runs of digits in a text: how precise a version text is.
int digitGroups(const std::wstring& text);
