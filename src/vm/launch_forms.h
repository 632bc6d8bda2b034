#pragma once
// The forms in which the java command starts a program, through jni.h only:
// the main class of a main module (java -m: the boot layer's root module and
// its descriptor), of a main JAR (java -jar: its manifest's Main-Class, with
// the attributes the java command honours) or of the class path, and the main
// methods of today's runtimes.
#include <jni.h>

#include <string>

#include "base/messages.h"
#include "vm/program_entry.h"

// The program's main class, loaded as the java command loads it for the
// entry's form; `mainClass` gets its '/'-separated name. Null with `failure`
// set (211, 215, 250 to 257) and a pending exception described.
jclass loadProgramClass(JNIEnv* env, const ProgramEntry& entry, std::wstring& mainClass, Failure& failure);

// The main method the runtime's own java command would call.
struct MainMethod {
    jmethodID method = nullptr;
    jmethodID constructor = nullptr;  // an instance main: the constructor without arguments
    bool takesArguments = true;       // main(String[]) rather than main()
};

// The static main(String[]) as the launcher has always called it; without one,
// the method the runtime's java command finds (JDK 25: a non-private
// main(String[]), static or not, declared or inherited, before a main(); JDK
// 21 to 24 only with --enable-preview). False with failure 216, 258 (a main of
// another form on a runtime without them) or 259 (an instance main without a
// constructor to call it by).
bool findMainMethod(JNIEnv* env, jclass cls, const std::wstring& mainClass, MainMethod& main, Failure& failure);

// Calls it; an instance main on a new instance. An exception that ends it is left pending.
void invokeMainMethod(JNIEnv* env, jclass cls, const MainMethod& main, jobjectArray arguments);
