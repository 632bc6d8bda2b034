#pragma once
#include <jni.h>

#include <string>

#include "vm/vm_session.h"

struct _SYSTEMTIME;

// Expands the date patterns of the output and error file names, creates their
// folders and redirects the Java program's System.out and System.err. Runs on
// the VM thread right after the VM has been created.
void applyOutputRedirection(JNIEnv* env, OutputRedirection& redirection);

// Replaces the stretch between the first and the last '%' of a file name by
// its picture formatted for `time` (time pictures first, then date pictures,
// in the user's default locale).
void expandDateTimePattern(std::wstring& name, const _SYSTEMTIME& time);
