#pragma once
// Small owners of platform handles. The close functions live in the platform
// code, so this header stays free of windows.h.

namespace platform {

void closeKernelHandle(void* handle);
void unmapView(void* address);

// Owns a kernel handle (thread, event, mapping, file, process). Null and the
// platform's invalid value (-1) both mean "none".
class Handle {
public:
    Handle() = default;
    explicit Handle(void* h) : value_(h) {}
    Handle(const Handle&) = delete;
    Handle& operator=(const Handle&) = delete;
    Handle(Handle&& other) noexcept : value_(other.release()) {}
    Handle& operator=(Handle&& other) noexcept {
        if (this != &other) reset(other.release());
        return *this;
    }
    ~Handle() { reset(); }

    void* get() const { return value_; }
    bool valid() const { return value_ != nullptr && value_ != reinterpret_cast<void*>(-1); }
    explicit operator bool() const { return valid(); }
    void* release() {
        void* v = value_;
        value_ = nullptr;
        return v;
    }
    void reset(void* h = nullptr) {
        if (valid()) closeKernelHandle(value_);
        value_ = h;
    }

private:
    void* value_ = nullptr;
};

// Owns a mapped view of a file mapping.
template <typename T>
class MappedView {
public:
    MappedView() = default;
    explicit MappedView(void* p) : ptr_(static_cast<T*>(p)) {}
    MappedView(const MappedView&) = delete;
    MappedView& operator=(const MappedView&) = delete;
    ~MappedView() { reset(); }

    T* get() const { return ptr_; }
    T* operator->() const { return ptr_; }
    explicit operator bool() const { return ptr_ != nullptr; }
    void reset(void* p = nullptr) {
        if (ptr_) unmapView(ptr_);
        ptr_ = static_cast<T*>(p);
    }

private:
    T* ptr_ = nullptr;
};

}  // namespace platform
