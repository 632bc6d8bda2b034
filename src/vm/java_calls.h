#pragma once
// Everything the launcher asks of a Java VM, through jni.h only: creating the
// VM with the launcher's options and hooks, Java strings, redirecting the Java
// streams, calling main, rendering an exception that ends main, and the calls
// of "stop" and "secondaryMain" made by threads that attach themselves.
#include <jni.h>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "base/messages.h"
#include "vm/program_entry.h"

using CreateJavaVmFunction = jint(JNICALL*)(JavaVM**, void**, void*);
using DefaultInitArgsFunction = jint(JNICALL*)(void*);

// --- creation ------------------------------------------------------------------

// The option array of one creation: one entry per option (pointing into
// `options`, which must outlive it), then "abort" and "exit" with the hooks,
// which pass the VM's notifications to the exit observer (vm_session.h), and
// with `filterOutput` "vfprintf" with the hook that passes on the VM's output
// but for the start-up cache's own line (CachePlan::filterVmOutput).
std::vector<JavaVMOption> vmOptionArray(const std::vector<std::string>& options, bool filterOutput = false);

// Creates the VM on the calling thread (JNI 1.2, unrecognised options not
// ignored). On refusal gives message 203 with the reason; `vm` and `env` are
// set only on success.
Failure createJavaVmWith(CreateJavaVmFunction entry, const std::vector<std::string>& options, JavaVM** vm,
                         JNIEnv** env, bool filterOutput = false);

// The VM's default thread stack size in bytes (JNI 1.1 default arguments), or 0.
uint32_t defaultThreadStackSizeWith(DefaultInitArgsFunction entry);

// --- strings -----------------------------------------------------------------------

// A java/lang/String of the text's UTF-16 units (through the "([C)V"
// constructor); null on failure.
jstring newJavaString(JNIEnv* env, const std::wstring& text);
// A String[] of the texts, in order; null on failure.
jobjectArray newJavaStringArray(JNIEnv* env, const std::vector<std::wstring>& texts);

// --- exceptions --------------------------------------------------------------------

// Prints a pending exception with the VM's own description (which clears it).
// False when none was pending.
bool describePendingException(JNIEnv* env);

// The throwable's stack trace as printStackTrace writes it; empty text when a
// step fails. Must be called with no exception pending.
std::wstring renderThrowable(JNIEnv* env, jthrowable throwable);

// Takes the exception that ended main (if any), clears it and renders it (the
// text goes to the launcher's trace); then prints the stack trace on the Java
// program's System.err (printStackTrace), so that it is not lost. Gives the
// rendered text. Nothing is pending afterwards.
std::wstring handleUncaughtException(JNIEnv* env);

// --- the Java program's streams --------------------------------------------------------

enum class JavaStream { Output, Error };

// System.setOut or System.setErr with a PrintStream on a FileOutputStream of
// `file` (appending or truncating). On failure a pending exception is printed
// with the VM's description and the stream is left as it was.
bool redirectJavaStream(JNIEnv* env, const std::wstring& file, bool append, JavaStream stream);

// --- main ----------------------------------------------------------------------------

struct MainThreadHooks {
    std::function<void(const std::wstring&)> mainClassFound;  // the main class ('/'-separated), once found
    std::function<void()> signalReady;    // main is about to be called (single-instance ready event)
    std::function<void()> waitForever;    // set when the thread must stay attached after main
};

// The VM thread after creation: looks up the main class (failures 211, 215,
// 216 in `failure`; its name, like those of "stop" and "secondaryMain", in
// modified UTF-8), builds the argument array and calls main. An exception that
// ends main goes to the handler when `failureCheck` is on and is described
// otherwise. The thread then detaches, on every path (a thread that ends
// attached would keep DestroyJavaVM waiting), except after main when
// `waitForever` is set. True when main returned normally and the thread detached.
bool runJavaMainWith(JavaVM* vm, JNIEnv* env, const std::wstring& mainClass, const std::vector<std::wstring>& arguments,
                     bool failureCheck, const MainThreadHooks& hooks, Failure& failure);
// The same for every form of the java command (vm/launch_forms.h): the main
// class of a main JAR or a main module, and the main methods of today's
// runtimes (failures 250 to 259 besides those above).
bool runJavaMainWith(JavaVM* vm, JNIEnv* env, const ProgramEntry& entry, const std::vector<std::wstring>& arguments,
                     bool failureCheck, const MainThreadHooks& hooks, Failure& failure);

// --- calls from attached threads ----------------------------------------------------------

// Runs `work` on the calling thread attached to the VM, then detaches it unless
// `keepAttached` (IBM runtimes must not see such threads detach). False when
// the thread could not attach.
bool callAttached(JavaVM* vm, bool keepAttached, const std::function<void(JNIEnv*)>& work);

// The static "stop" "()V" of the class ('/'-separated). A pending exception
// afterwards is printed. True when called.
bool callStaticStop(JNIEnv* env, const std::wstring& mainClass);

// The static "secondaryMain" of the class with `arguments`: the "([Ljava/lang/String;)V"
// form when there is one, else the "([Ljava/lang/String;)I" form. `reply` gets
// the int result after the call, or 0 before a call of the void form. A
// pending exception afterwards is printed. True when a call was made.
bool callSecondaryMain(JNIEnv* env, const std::wstring& mainClass, const std::vector<std::wstring>& arguments,
                       const std::function<void(int)>& reply);
