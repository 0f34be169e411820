// SPDX-License-Identifier: LicenseRef-Vellix-Proprietary
// Owners for GLib, GObject and cairo references, in the manner of unique_ptr.
#pragma once

#include <cairo.h>
#include <glib-object.h>
#include <utility>

namespace vellix::ui {

// Says whether an owner takes over a reference the caller already holds
// (Adopt, for "transfer full" results) or adds one of its own (Ref).
enum class Own { Adopt, Ref };

// Owner of one reference of type T, released with Unref. A plain pointer is
// adopted; with Own::Ref (for types that have a Ref function) a reference of
// the owner's own is taken. A null pointer is allowed everywhere.
template <typename T, void (*Unref)(T*), T* (*Ref)(T*) = nullptr> class Owner {
public:
    Owner() = default;
    explicit Owner(T* p) : ptr_(p) {}
    Owner(T* p, Own how)
        requires(Ref != nullptr)
        : ptr_(p) {
        if (how == Own::Ref && ptr_)
            Ref(ptr_);
    }
    Owner(const Owner&) = delete;
    Owner& operator=(const Owner&) = delete;
    Owner(Owner&& other) noexcept : ptr_(other.release()) {}
    Owner& operator=(Owner&& other) noexcept {
        if (this != &other)
            reset(other.release());
        return *this;
    }
    ~Owner() { reset(); }

    T* get() const { return ptr_; }
    explicit operator bool() const { return ptr_ != nullptr; }
    // Gives up ownership without releasing; the caller now owns the reference.
    T* release() { return std::exchange(ptr_, nullptr); }
    // Releases the current reference and adopts p.
    void reset(T* p = nullptr) {
        T* old = std::exchange(ptr_, p);
        if (old)
            Unref(old);
    }
    // For out-parameters such as GError**: releases the current value first.
    T** out() {
        reset();
        return &ptr_;
    }

private:
    T* ptr_ = nullptr;
};

namespace detail {
inline void char_free(char* p) { g_free(p); }
inline void strv_free(char** p) { g_strfreev(p); }
} // namespace detail

// GObject owner typed for any GObject subclass.
template <typename T> class GObjectPtr {
public:
    GObjectPtr() = default;
    explicit GObjectPtr(T* p, Own how = Own::Adopt) : ptr_(p) {
        if (how == Own::Ref && ptr_)
            g_object_ref(ptr_);
    }
    GObjectPtr(const GObjectPtr& other) : GObjectPtr(other.ptr_, Own::Ref) {}
    GObjectPtr& operator=(const GObjectPtr& other) {
        if (this != &other)
            reset(other.ptr_ ? static_cast<T*>(g_object_ref(other.ptr_)) : nullptr);
        return *this;
    }
    GObjectPtr(GObjectPtr&& other) noexcept : ptr_(other.release()) {}
    GObjectPtr& operator=(GObjectPtr&& other) noexcept {
        if (this != &other)
            reset(other.release());
        return *this;
    }
    ~GObjectPtr() { reset(); }

    T* get() const { return ptr_; }
    T* operator->() const { return ptr_; }
    explicit operator bool() const { return ptr_ != nullptr; }
    T* release() { return std::exchange(ptr_, nullptr); }
    void reset(T* p = nullptr) {
        T* old = std::exchange(ptr_, p);
        if (old)
            g_object_unref(old);
    }

private:
    T* ptr_ = nullptr;
};

using CharPtr = Owner<char, detail::char_free>;
using StrvPtr = Owner<char*, detail::strv_free>;
using ErrorPtr = Owner<GError, g_error_free>;
using BytesPtr = Owner<GBytes, g_bytes_unref, g_bytes_ref>;
using VariantPtr = Owner<GVariant, g_variant_unref, g_variant_ref_sink>;
using CairoSurfacePtr = Owner<cairo_surface_t, cairo_surface_destroy, cairo_surface_reference>;
using CairoPtr = Owner<cairo_t, cairo_destroy, cairo_reference>;

} // namespace vellix::ui
