#pragma once
// One owner for every kind of platform resource. A traits type per kind names
// its value type, the value that means "none" and how the resource is let go;
// the release functions live in the platform code, so this header stays free
// of windows.h. Nothing is closed by hand: a resource is held by an Owner from
// the moment it is obtained.
#include <utility>

namespace platform {

template <typename Traits>
class Owner {
public:
    using Value = typename Traits::Value;

    Owner() = default;
    explicit Owner(Value value) : value_(value) {}
    Owner(const Owner&) = delete;
    Owner& operator=(const Owner&) = delete;
    Owner(Owner&& other) noexcept : value_(other.release()) {}
    Owner& operator=(Owner&& other) noexcept {
        if (this != &other) reset(other.release());
        return *this;
    }
    ~Owner() { reset(); }

    Value get() const { return value_; }
    bool valid() const { return Traits::valid(value_); }
    explicit operator bool() const { return valid(); }
    // Where a platform call that hands a resource out through a pointer writes it.
    Value* receive() {
        reset();
        return &value_;
    }
    Value release() { return std::exchange(value_, Traits::none()); }
    void reset(Value value = Traits::none()) {
        if (Traits::valid(value_)) Traits::close(value_);
        value_ = value;
    }

private:
    Value value_ = Traits::none();
};

// Traits of pointer-like resources whose "none" is null.
struct NullIsNone {
    using Value = void*;
    static Value none() { return nullptr; }
    static bool valid(Value v) { return v != nullptr; }
};

// A kernel object (thread, event, mutex, mapping, file, process). Both null
// and the invalid value (-1) of file functions mean "none".
struct KernelHandleTraits : NullIsNone {
    static bool valid(Value v) { return v != nullptr && v != reinterpret_cast<void*>(-1); }
    static void close(Value v);
};
// A file search (FindFirstFileW); its failure value is -1.
struct FindHandleTraits : NullIsNone {
    static bool valid(Value v) { return v != nullptr && v != reinterpret_cast<void*>(-1); }
    static void close(Value v);
};
struct RegistryKeyTraits : NullIsNone {
    static void close(Value v);
};
// A mapped view of a file mapping (its base address).
struct ViewTraits : NullIsNone {
    static void close(Value v);
};
struct GdiObjectTraits : NullIsNone {
    static void close(Value v);
};
// Memory the shell or COM allocated (CoTaskMemFree).
struct ComMemoryTraits : NullIsNone {
    static void close(Value v);
};
// A top-level or child window that nobody else destroys; one that is already
// gone is left alone.
struct WindowTraits : NullIsNone {
    static void close(Value v);
};
// The calling thread's COM apartment, held while it was initialised here.
struct ComApartmentTraits {
    using Value = bool;
    static Value none() { return false; }
    static bool valid(Value v) { return v; }
    static void close(Value);
};

using Handle = Owner<KernelHandleTraits>;
using FindHandle = Owner<FindHandleTraits>;
using RegistryKey = Owner<RegistryKeyTraits>;
using GdiObject = Owner<GdiObjectTraits>;
using ComMemory = Owner<ComMemoryTraits>;
using OwnedWindow = Owner<WindowTraits>;
using ComApartment = Owner<ComApartmentTraits>;

// A mapped view, typed for reading the block it maps.
template <typename T>
class MappedView : public Owner<ViewTraits> {
public:
    MappedView() = default;
    explicit MappedView(void* address) : Owner<ViewTraits>(address) {}
    T* get() const { return static_cast<T*>(Owner<ViewTraits>::get()); }
    T* operator->() const { return get(); }
};

}  // namespace platform
