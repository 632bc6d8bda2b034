#pragma once
// The start-up cache's file operations and class path facts on Linux, for the
// programs that run the launcher's cache rule against the real JDKs (app_host,
// the JNI lane's driver and the cache benchmark's host). The launcher's
// counterpart is vm/class_data_sharing_win.cpp.
#include <string>
#include <vector>

#include "vm/class_data_sharing.h"

CacheFileOps posixCacheFileOps();
// Size, time and kind of every entry of a ':'-separated class path.
std::vector<ClassPathFile> posixClassPathFiles(const std::wstring& classPath);
// The same for a ':'-separated module path, whose folders count by the files in them.
std::vector<ClassPathFile> posixModulePathFiles(const std::wstring& modulePath);
// The value of KEY="value" in a JDK's release file (empty when absent).
std::string releaseValue(const std::string& javaHome, const std::string& key);
