#pragma once
// Small helpers of the launcher's JNI code.
#include <jni.h>

#include <string>

// Whether an exception is pending (the checked JNI wants a look after every call).
inline bool exceptionPending(JNIEnv* env) {
    jthrowable pending = env->ExceptionOccurred();
    if (!pending) return false;
    env->DeleteLocalRef(pending);
    return true;
}

// Clears a pending exception; true when there was one.
inline bool clearPending(JNIEnv* env) {
    if (!exceptionPending(env)) return false;
    env->ExceptionClear();
    return true;
}

// A local reference that is deleted when it goes out of scope.
template <typename T>
class LocalRef {
public:
    LocalRef(JNIEnv* env, T ref) : env_(env), ref_(ref) {}
    LocalRef(const LocalRef&) = delete;
    LocalRef& operator=(const LocalRef&) = delete;
    ~LocalRef() {
        if (ref_) env_->DeleteLocalRef(ref_);
    }
    T get() const { return ref_; }
    T release() {
        T ref = ref_;
        ref_ = nullptr;
        return ref;
    }
    explicit operator bool() const { return ref_ != nullptr; }

private:
    JNIEnv* env_;
    T ref_;
};

// The modified UTF-8 text of a Java string as wide text; empty on failure.
// Nothing is pending afterwards.
std::wstring wideText(JNIEnv* env, jstring text);

// FindClass with the modified UTF-8 of a Java string: the form in which a
// class name of any letters reaches the VM. Null when the text cannot be
// taken (`converted` false; the exception is described) or no class is found
// (left pending).
jclass findClassNamed(JNIEnv* env, jstring name, bool* converted = nullptr);
