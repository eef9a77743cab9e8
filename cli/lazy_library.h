#pragma once
// A shared library that caelvane-cli (and its companion) loads when a command first calls it,
// not at the start of every process. The libraries here are built to resolve all their symbols
// when loaded (and pull in libraries of their own that do the same), which costs every process
// that links them, whether or not it calls them: positions and traces never need the atlas or
// the font reader. The program defines the functions it calls (lazy_*.cpp, with the library's
// own declarations, so the compiler checks that they match) as forwarders to the library,
// loaded on the first call. A library that cannot be loaded is named on standard error once;
// the forwarders then answer as the library does when it fails.
#include <dlfcn.h>

#include <cstdio>

class CLazyLibrary {
public:
    explicit CLazyLibrary(const char* soname) : m_handle(::dlopen(soname, RTLD_NOW | RTLD_LOCAL)) {
        if (m_handle == nullptr) std::fprintf(stderr, "caelvane-cli: %s\n", ::dlerror());
    }
    CLazyLibrary(const CLazyLibrary&) = delete;
    CLazyLibrary& operator=(const CLazyLibrary&) = delete;

    // The library's function `name` (of type `Function`), or nullptr.
    template <typename Function>
    Function* Find(const char* name) const {
        return m_handle != nullptr ? reinterpret_cast<Function*>(::dlsym(m_handle, name)) : nullptr;
    }

private:
    void* m_handle;  // kept to the end of the process
};
