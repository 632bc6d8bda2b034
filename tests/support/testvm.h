#pragma once
// Reading the log of the project's test VM (tests/testvm, built as jvm.dll and
// found through testVmDll() / AppDir::installTestVm).
//
// What the test VM does, for tests that run the launcher with it:
//
// Creation: JNI_CreateJavaVM on the calling thread (it becomes the thread "main").
// Known options: -D<name>=<value>, -Xmx<size>, -Xms<size>, -Xss<size> (digits with
// an optional k/m/g/t), -Xcheck:jni, -Xrs, -ea, -verbose, -verbose:<x>, -Xlog:<x> and
// -XX:<x> (logged, no effect), and the
// hooks "abort" (void JNICALL()), "exit" (void JNICALL(jint)) and "vfprintf".
// Anything else, or a malformed size, fails creation with -6 (JNI_EINVAL) after
// "Unrecognized option: <text>" (or "Invalid maximum heap size: <text>" and the
// like) on standard error, whatever ignoreUnrecognized says. With the
// environment variable TESTVM_CREATE_RESULT=<n> (n != 0) an otherwise good
// creation fails with n. A second creation after a successful one gives -5; a
// JNI version before 1.2 gives -3. -Dtestvm.createdelayms=<n> delays creation.
// JNI_GetDefaultJavaVMInitArgs with a JDK 1.1 record (version 0x10001) sets
// javaStackSize = 1310720 and the version to 0x10002 and returns -1, as HotSpot.
//
// The log: with TESTVM_LOG=<file>, every event appends UTF-8 lines ending in "\n"
// (the lines of one event in one write; several processes may share the file).
// The option -Dtestvm.log=<file> sets TESTVM_LOG in the VM's process at creation,
// before the "create" lines (for services, which do not inherit the environment):
//   create version=0x10002 options=<n> ignoreUnrecognized=<0|1>
//   option[<i>]=<text>        every option in order (read in the ANSI code page,
//                             logged as UTF-8); abort/exit/vfprintf end in
//                             " extraInfo=set" or " extraInfo=null"
//   stack=<bytes>             stack reservation of the creating thread (under Wine a
//                             CreateThread without STACK_SIZE_PARAM_IS_A_RESERVATION
//                             reserves at least the executable's default, 2 MB)
//   env Path=<v>, env QZ_JVM_PATH=<v>, env QZ_JVM_HOME=<v>   (empty when unset)
//   cwd=<dir>, thread-acp=<code page>
//   created | create failed <n> (after "unrecognized option <text>" or
//                             "invalid option <text>" for -6)
//   defaultInitArgs version=<hex>
//   class path entry does not open: <entry>   (with -Dtestvm.openclasspath=1, a class
//                             of test/ is found only when every class path entry opens)
//   FindClass <name>, GetStaticMethodID <class> <name> <sig>, GetMethodID <class> <name> <sig>
//   FileOutputStream <path> append=<0|1>[ failed=<win32 error>]
//   main args=<n>, arg[<i>]=<text>..., main returned
//   main waiting, stop, non-daemon done
//   secondaryMain void args=<n> | secondaryMain int args=<n>, arg[<i>]=<text>...,
//   secondaryMain returned <n> (int form)
//   exit <code>, exit hook returned; abort, abort hook returned
//   ExceptionDescribe <class>: <message>; uncaught <class>: <message> (an exception
//   pending at DetachCurrentThread is printed as the thread's uncaught exception)
//   attach | attach daemon | attach again, detach
//   destroy begin, strings held=<n>, destroy end
//   error <text>              a misuse: a JNI call with a pending exception, on a
//                             thread that is not attached, with another thread's
//                             JNIEnv or a deleted reference; a double detach;
//                             "error thread <id> ended attached: DestroyJavaVM would
//                             wait for ever" (process exit code 98); "error
//                             unimplemented JNI function <index>" (exit code 99)
//
// Platform classes: java/lang/String ([C)V; java/lang/System setOut, setErr, exit
// (logs, calls the exit hook, ends the process with the code); FileOutputStream
// (String, boolean append) really opening the file, FileNotFoundException
// "<path> (<system message>)" otherwise; PrintStream(OutputStream) with println;
// ByteArrayOutputStream ()V and toString; Throwable and subclasses with toString,
// getMessage and printStackTrace(PrintStream). Output is UTF-8 with "\r\n" line
// ends; System.out and System.err start as the process's standard handles.
// With -Dtestvm.utfcharsfail=<text>, GetStringUTFChars of a string that holds
// the text gives null with java.lang.OutOfMemoryError pending.
// ExceptionDescribe prints, to the current System.err, and clears:
//   Exception in thread "<thread>" <class with dots>: <message>\r\n\tat <frame>\r\n
// Unknown classes leave java.lang.NoClassDefFoundError (message: the name as
// given), unknown methods java.lang.NoSuchMethodError (message: the method name;
// none with -Dtestvm.methoderror=0).
//
// Scripted programs (Main Class, with '/' as FindClass gets it), parameters as -D
// options ("Virtual Machine Parameters"):
//   test/Echo       prints "arg[<i>]=<text>" per argument on System.out, "stderr line" on System.err
//   test/Exit       System.exit(testvm.exit, default 3), after the hold (below)
//   test/Throw      main ends with java.lang.RuntimeException: boom pending
//   test/NonDaemon  a non-daemon thread sleeps testvm.sleepms (1500), logs "non-daemon done"
//   test/Service    main waits until stop (until the n-th call with -Dtestvm.stops=<n>);
//                   -Dtestvm.stopexit=<n>: the first stop calls System.exit(n)
//   test/Single     main waits for stop or testvm.runms (10000); secondaryMain([Ljava/lang/String;)V
//   test/SingleInt  the same with secondaryMain([Ljava/lang/String;)I returning testvm.secondary (7)
//                   after the hold
//   test/Служба     (Cyrillic letters, outside the western code pages) as test/SingleInt, with stop
//   The hold: with -Dtestvm.hold=<name> the program waits (at most a minute)
//   until the named manual-reset event is set.
//   test/NoMain     no main
//   test/Abort      main calls the abort hook and returns
//   test/Return     main returns at once, writing nothing
// DestroyJavaVM waits for every other non-daemon attached thread to detach.
//
// Launch forms (tests/testvm/launch_forms.cpp): --module-path=<x> is known (no
// effect). -Dtestvm.modules=<name>[:<main.Class>],... lists the boot layer's
// modules for ModuleLayer.boot().findModule, Optional.orElse,
// Module.getDescriptor, ModuleDescriptor.mainClass and Class.forName(Module,
// String), which finds the test/ programs ("Class.forName <module> <class>");
// a -Djdk.module.main it does not list fails creation as HotSpot's boot layer
// does: "Error occurred during initialization of boot layer" and the
// FindException on standard output, "boot layer failed: <module>", the abort
// hook, exit code 1. A main JAR's manifest is the file's own text: JarFile
// ("JarFile <path>"), getManifest (null for an empty file), Manifest and
// Attributes.getValue of its "Name: value" lines.
#include <string>
#include <vector>

namespace testing_support {

// A path for a new log under workRoot() (no file yet), for TESTVM_LOG.
std::wstring newTestVmLog(const std::wstring& name);

// A copy of the test VM library under a name of its own: like a real VM it
// creates one VM per process, and each copy loaded is a VM library of its own.
std::wstring testVmCopy(const std::wstring& name);

// The lines of the log, without their line ends; empty when there is no file.
std::vector<std::string> testVmLog(const std::wstring& path);

// Whole lines that start with `prefix`, in order.
std::vector<std::string> linesStartingWith(const std::vector<std::string>& log, const std::string& prefix);

// The rest of the first line that starts with `prefix`; false when there is none.
bool logValue(const std::vector<std::string>& log, const std::string& prefix, std::string& value);

// Index of the first line equal to `line` at or after `from`; log.size() when none.
size_t findLine(const std::vector<std::string>& log, const std::string& line, size_t from = 0);

// True when the lines occur in this order (not necessarily adjacent).
bool inOrder(const std::vector<std::string>& log, const std::vector<std::string>& lines);

// The option texts of the last "create" block, in order, hook suffixes included.
std::vector<std::string> testVmOptions(const std::vector<std::string>& log);

// The arguments of every "<header> args=<n>" block (header "main",
// "secondaryMain void" or "secondaryMain int"), in order of the blocks.
std::vector<std::vector<std::string>> testVmArguments(const std::vector<std::string>& log, const std::string& header);

// The "error ..." lines.
std::vector<std::string> testVmErrors(const std::vector<std::string>& log);

}  // namespace testing_support
